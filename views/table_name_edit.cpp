// The masked edit of the new table's name.
#include "views/table_name_edit.h"

#include <QApplication>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QMouseEvent>

#include "controls/message_box.h"

namespace hollin::ui {

TTableNameEdit::TTableNameEdit(QWidget* parent) : QLineEdit(parent) {
    // A: a letter, required; n: a letter or digit, optional; "_" marks an
    // unfilled position.
    setInputMask(QStringLiteral("Annnnnnn;_"));
    setMaxLength(kMaxLength);
}

std::string TTableNameEdit::MaskedText() const {
    std::string text = displayText().toStdString();
    for (char& c : text) {
        if (c == '_') c = ' ';  // the mask lets no "_" be typed
    }
    text.resize(kMaxLength, ' ');
    return text;
}

bool TTableNameEdit::InvalidInput() const { return isModified() && MaskedText().front() == ' '; }

bool TTableNameEdit::ValidateEdit() {
    if (!InvalidInput()) return true;
    m_validating = true;
    QApplication::beep();
    ShowMessageBox(TMessageKind::Error, kInvalidInputText, TMessageButtons::Ok, this);
    setFocus(Qt::OtherFocusReason);
    m_validating = false;
    return false;
}

void TTableNameEdit::focusInEvent(QFocusEvent* event) {
    QLineEdit::focusInEvent(event);
    // No select-all on entry: the caret goes to the first position.
    deselect();
    if (event->reason() == Qt::TabFocusReason || event->reason() == Qt::BacktabFocusReason) setCursorPosition(0);
}

void TTableNameEdit::focusOutEvent(QFocusEvent* event) {
    QLineEdit::focusOutEvent(event);
    // Only a move to another control of the window is checked, not leaving
    // the window or opening a menu.
    const Qt::FocusReason reason = event->reason();
    if (m_validating || reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason) return;
    ValidateEdit();
}

bool TTableNameEdit::FitsPosition(QChar c, int position) {
    if (position >= kMaxLength || c.unicode() > 127) return false;
    return c.isLetter() || (position > 0 && c.isDigit());
}

void TTableNameEdit::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && isModified()) {
        clear();
        setModified(false);
        event->accept();
        return;
    }
    // A character that does not fit the caret's position is refused, as the
    // mask refuses it; the line edit alone would move it on to a position
    // that takes it, leaving a gap.
    const QString typed = event->text();
    if (typed.size() == 1 && typed[0].isPrint() && !(event->modifiers() & Qt::ControlModifier)) {
        const int position = hasSelectedText() ? selectionStart() : cursorPosition();
        if (!FitsPosition(typed[0], position)) {
            QApplication::beep();
            event->accept();
            return;
        }
    }
    QLineEdit::keyPressEvent(event);
}

void TTableNameEdit::mousePressEvent(QMouseEvent* event) {
    QLineEdit::mousePressEvent(event);
    // A click anywhere into the empty box starts the name at its first
    // position: the mask takes no gap, so typing from the middle would fail.
    if (text().isEmpty() && event->button() == Qt::LeftButton) setCursorPosition(0);
}

}  // namespace hollin::ui
