// The one seam through which the program asks the user for a file or a
// folder. Tests queue the answers (SetNextFileAnswer) instead of a person.
#pragma once

#include <optional>
#include <string>
#include <vector>

class QWidget;

namespace hollin::ui {

struct TFileDialogRequest {
    enum class Kind { OpenFile, SaveFile } kind = Kind::OpenFile;
    std::string caption;
    std::string filter;       // "JPEG Image File (*.jpg)"; several joined by ";;"
    std::string defaultName;  // proposed file name (save), or the starting folder
    bool picturePreview = false;  // a preview of the selected picture beside the list
};

// Shows the dialog; the chosen path, or nothing when the user cancelled.
std::optional<std::string> RunFileDialog(const TFileDialogRequest& request, QWidget* parent = nullptr);

// ---- test hooks (active in message-box test mode, see message_box.h)
// The next dialog returns this path; std::nullopt answers Cancel. With no
// queued answer a dialog in test mode is cancelled.
void SetNextFileAnswer(std::optional<std::string> path);
// The requests recorded in test mode since the last call.
std::vector<TFileDialogRequest> TakeFileRequests();

}  // namespace hollin::ui
