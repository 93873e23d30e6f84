// The bound one-line edit.
#include "controls/db_edit.h"

#include <QFocusEvent>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QTimer>

#include "controls/error_handler.h"
#include "controls/key_input.h"
#include "dataset/field.h"

namespace hollin::ui {

TDBEdit::TDBEdit(QWidget* parent) : QLineEdit(parent) {
    BindLink(*this, [this] { ShowField(); }, [this] { UpdateReadOnly(); }, [this] { WriteField(); });
    connect(this, &QLineEdit::textEdited, this, [this] { m_link.Modified(); });
    connect(this, &QLineEdit::returnPressed, this, [this] {
        if (CommitPending()) ShowField();
    });
    ShowField();
    UpdateReadOnly();
}

void TDBEdit::ShowField() {
    hollin::TField* field = Field();
    const int maxLength = field != nullptr && field->DataType() == hollin::ftString && field->Size() > 0
                              ? field->Size()
                              : 32767;
    if (maxLength != this->maxLength()) setMaxLength(maxLength);  // setting it moves the caret
    std::string text;
    if (field != nullptr) {
        RunGuarded([&] { text = hasFocus() && m_link.Editing() ? field->AsString() : field->DisplayText(); });
    }
    // Unchanged text keeps the caret where the user left it.
    const QString value = QString::fromStdString(text);
    if (value != this->text()) {
        setText(value);
        // A value shown afresh starts at its beginning, as a reader expects,
        // unless the user is typing here.
        if (!hasFocus()) setCursorPosition(0);
    }
    UpdateReadOnly();
}

void TDBEdit::UpdateReadOnly() { setReadOnly(!AcceptsInput()); }

void TDBEdit::WriteField() {
    if (hollin::TField* field = Field()) field->SetAsString(text().toStdString());
}

void TDBEdit::keyPressEvent(QKeyEvent* event) {
    if (RefusesChange(IsTextChangingKey(*event))) {
        event->accept();  // browsing: the key changes nothing
        return;
    }
    if (event->key() == Qt::Key_Escape && m_link.Editing()) {
        m_link.Reset();  // drop what was typed, show the field again
        selectAll();
        event->accept();
        return;
    }
    QLineEdit::keyPressEvent(event);
}

void TDBEdit::inputMethodEvent(QInputMethodEvent* event) {
    if (RefusesChange(!event->commitString().isEmpty())) {
        event->accept();
        return;
    }
    QLineEdit::inputMethodEvent(event);
}

void TDBEdit::focusInEvent(QFocusEvent* event) {
    const int caret = cursorPosition();
    QLineEdit::focusInEvent(event);
    if (m_selectAllOnEntry) {
        // A mouse click places the caret after the focus arrives: select then.
        QTimer::singleShot(0, this, [this] {
            if (hasFocus()) selectAll();
        });
        selectAll();
    } else {
        deselect();
        setCursorPosition(caret);
    }
}

void TDBEdit::focusOutEvent(QFocusEvent* event) {
    // A popup (a context menu) does not take the value away yet.
    if (event->reason() != Qt::PopupFocusReason) {
        if (CommitPending()) ShowField();
    }
    QLineEdit::focusOutEvent(event);
}

}  // namespace hollin::ui
