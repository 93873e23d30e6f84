// The main window's commands for what is coming: the upcoming-events window
// and the reminder at login (the autostart entry that runs the --notify
// command for the folder and table in use).
#include <QAction>
#include <QCoreApplication>
#include <memory>

#include "app/frm_main.h"
#include "data/dm2.h"
#include "data/login_reminder.h"
#include "views/frm_upcoming.h"

namespace hollin::ui {

void TfrmMain::UpcomingEvents1Click() {
    m_dm2->FinishEditing();
    auto window = std::make_unique<TfrmUpcoming>(*m_dm2, this);
    window->exec();
}

void TfrmMain::UpdateReminderCheck() { RemindMeatLogin1->setChecked(ReminderEntryExists()); }

void TfrmMain::RemindMeatLogin1Click() {
    // The mark follows the file, also when writing or removing it failed.
    struct TCheckFollowsFile {
        TfrmMain* window;
        ~TCheckFollowsFile() { window->UpdateReminderCheck(); }
    } follow{this};
    if (ReminderEntryExists()) {
        RemoveReminderEntry();
        return;
    }
    WriteReminderEntry(QCoreApplication::applicationFilePath().toStdString(), m_dm2->Folder(),
                       m_dm2->Larchtbl.TableName());
}

}  // namespace hollin::ui
