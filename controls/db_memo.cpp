// The bound memo.
#include "controls/db_memo.h"

#include <QFocusEvent>
#include <QInputMethodEvent>
#include <QKeyEvent>

#include "controls/error_handler.h"
#include "controls/key_input.h"
#include "dataset/field.h"

namespace hollin::ui {

TDBMemo::TDBMemo(QWidget* parent) : QPlainTextEdit(parent) {
    setTabChangesFocus(true);  // Tab leaves the memo, as it leaves every field
    BindLink(*this, [this] { ShowField(); }, [this] { UpdateReadOnly(); }, [this] { WriteField(); });
    connect(this, &QPlainTextEdit::textChanged, this, [this] {
        if (!m_showing) m_link.Modified();
    });
    ShowField();
}

void TDBMemo::ShowField() {
    std::string text;
    if (hollin::TField* field = Field()) {
        // A memo shows its text; any other field what a control shows of it.
        RunGuarded([&] { text = field->DataType() == hollin::ftMemo ? field->AsString() : field->DisplayText(); });
    }
    m_showing = true;
    setPlainText(QString::fromStdString(text));
    m_showing = false;
    UpdateReadOnly();
}

void TDBMemo::SetReadOnly(bool value) {
    m_readOnly = value;
    UpdateReadOnly();
}

void TDBMemo::UpdateReadOnly() { setReadOnly(m_readOnly || !AcceptsInput()); }

void TDBMemo::WriteField() {
    if (hollin::TField* field = Field()) field->SetAsString(toPlainText().toStdString());
}

void TDBMemo::keyPressEvent(QKeyEvent* event) {
    const bool changes =
        IsTextChangingKey(*event) || event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if ((changes && m_readOnly) || RefusesChange(changes)) {
        event->accept();
        return;
    }
    QPlainTextEdit::keyPressEvent(event);
}

void TDBMemo::inputMethodEvent(QInputMethodEvent* event) {
    const bool changes = !event->commitString().isEmpty();
    if ((changes && m_readOnly) || RefusesChange(changes)) {
        event->accept();
        return;
    }
    QPlainTextEdit::inputMethodEvent(event);
}

void TDBMemo::focusOutEvent(QFocusEvent* event) {
    if (event->reason() != Qt::PopupFocusReason) CommitPending();
    QPlainTextEdit::focusOutEvent(event);
}

}  // namespace hollin::ui
