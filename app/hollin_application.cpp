// The application object that catches every exception of an event handler.
#include "app/hollin_application.h"

#include "controls/error_handler.h"

namespace hollin::ui {

THollinApplication::THollinApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool THollinApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        HandleException(std::current_exception());
        return false;
    }
}

}  // namespace hollin::ui
