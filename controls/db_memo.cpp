// The bound memo.
#include "controls/db_memo.h"

#include <QFocusEvent>
#include <QKeyEvent>

#include "controls/error_handler.h"
#include "controls/key_input.h"
#include "dataset/field.h"

namespace hollin::ui {

TDBMemo::TDBMemo(QWidget* parent) : QPlainTextEdit(parent) {
    setTabChangesFocus(true);  // Tab leaves the memo, as it leaves every field
    m_link.OnDataChange = [this] { ShowField(); };
    m_link.OnEditingChange = [this] { UpdateReadOnly(); };
    m_link.OnActiveChange = [this] { UpdateReadOnly(); };
    m_link.OnUpdateData = [this] { WriteField(); };
    m_link.OnFocusControl = [this] { setFocus(Qt::OtherFocusReason); };
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
    if (changes && m_readOnly) {
        event->accept();
        return;
    }
    if (changes && !m_link.Editing()) {
        if (!BeginChange()) {
            event->accept();
            return;
        }
        setReadOnly(false);
    }
    QPlainTextEdit::keyPressEvent(event);
}

void TDBMemo::inputMethodEvent(QInputMethodEvent* event) {
    if (m_readOnly || (!m_link.Editing() && !BeginChange())) {
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
