// Which key presses change the text of an edit control (and so need the
// record to be in Edit or Insert first).
#pragma once

class QKeyEvent;

namespace hollin::ui {

bool IsTextChangingKey(const QKeyEvent& event);

}  // namespace hollin::ui
