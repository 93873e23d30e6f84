// The one seam through which the JPEG codecs show a warning box (text and an
// OK button) when a warning has no OnWarning handler.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace hollin {

using TWarningBoxHandler = std::function<void(const std::string& text)>;

// Installs the function that shows the box; the application plugs in its
// QMessageBox here. An empty handler restores the default, which only records
// the text (so that tests and programs without a screen lose nothing).
void SetWarningBoxHandler(TWarningBoxHandler handler);
// Shows `text` through the installed handler.
void ShowWarningBox(const std::string& text);
// The texts the default handler recorded since the last call, oldest first,
// and forgets them. It keeps the latest 100.
std::vector<std::string> TakeRecordedWarningBoxes();

}  // namespace hollin
