// Shows an exception that reached the user interface.
#include "controls/error_handler.h"

#include <stdexcept>

#include "controls/message_box.h"
#include "dataset/database_error.h"

namespace hollin::ui {

void HandleException(std::exception_ptr error) {
    if (!error) return;
    try {
        std::rethrow_exception(error);
    } catch (const EAbort&) {
        // A command that reported its own condition stops silently.
    } catch (const std::exception& e) {
        ShowErrorMessage(e.what());
    } catch (...) {
        ShowErrorMessage("Unknown or unexpected error has occurred");
    }
}

}  // namespace hollin::ui
