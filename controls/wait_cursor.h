// TWaitCursor: the hourglass for the life of the object, so that it goes
// away however the work under it ends.
#pragma once

#include <QApplication>

namespace hollin::ui {

class TWaitCursor {
public:
    TWaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~TWaitCursor() { QApplication::restoreOverrideCursor(); }
    TWaitCursor(const TWaitCursor&) = delete;
    TWaitCursor& operator=(const TWaitCursor&) = delete;
};

}  // namespace hollin::ui
