// The progress of a backup or restore: the copy runs on the user-interface
// thread piece by piece, and after each piece the event loop turns (without
// user input), so the window and the busy bar repaint. A progress dialog
// appears when the copy takes more than a moment; a failed file gets a
// message box of its own while the copy goes on.
#pragma once

#include <memory>

#include "data/file_copy.h"

class QProgressDialog;
class QWidget;

namespace hollin::ui {

class TCopyProgress {
public:
    TCopyProgress(QWidget* owner, const char* caption);
    ~TCopyProgress();
    TCopyProgress(const TCopyProgress&) = delete;
    TCopyProgress& operator=(const TCopyProgress&) = delete;

    // Callbacks for the copy routines that report here.
    TCopyCallbacks Callbacks();

private:
    void Update(uint64_t done, uint64_t total);

    std::unique_ptr<QProgressDialog> m_dialog;
};

}  // namespace hollin::ui
