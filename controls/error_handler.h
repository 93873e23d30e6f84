// The application's default error handler: the one place that decides how an
// exception that reached the user interface is shown. A silent abort (EAbort)
// is dropped; every other exception is shown in the error message box with
// its text. Controls call it from their own slots, so that no exception
// unwinds through Qt; the application object calls it from notify().
#pragma once

#include <exception>

namespace hollin::ui {

void HandleException(std::exception_ptr error);

// Runs action; an exception it throws goes to HandleException. Returns
// whether the action completed.
template <typename Action>
bool RunGuarded(Action&& action) {
    try {
        action();
        return true;
    } catch (...) {
        HandleException(std::current_exception());
        return false;
    }
}

}  // namespace hollin::ui
