// Recognises the key presses that would change an edit's text.
#include "controls/key_input.h"

#include <QKeyEvent>
#include <QKeySequence>

namespace hollin::ui {

bool IsTextChangingKey(const QKeyEvent& event) {
    if (event.matches(QKeySequence::Paste) || event.matches(QKeySequence::Cut) ||
        event.matches(QKeySequence::Undo) || event.matches(QKeySequence::Redo) ||
        event.matches(QKeySequence::DeleteEndOfWord) || event.matches(QKeySequence::DeleteStartOfWord)) {
        return true;
    }
    switch (event.key()) {
        case Qt::Key_Backspace:
        case Qt::Key_Delete: return true;
        default: break;
    }
    if (event.modifiers() & (Qt::ControlModifier | Qt::MetaModifier)) return false;
    const QString text = event.text();
    return !text.isEmpty() && text.at(0).isPrint();
}

}  // namespace hollin::ui
