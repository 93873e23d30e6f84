// The main window's commands on whole tables and its secondary windows:
// each window is created by its command, shown modally and freed when it
// closes, also when an error leaves it.
#include <QCoreApplication>
#include <QLabel>
#include <memory>

#include "app/animation_panel.h"
#include "app/animation_thread.h"
#include "app/copy_progress.h"
#include "app/frm_main.h"
#include "app/repair_offer.h"
#include "controls/error_handler.h"
#include "controls/message_box.h"
#include "controls/wait_cursor.h"
#include "data/dm2.h"
#include "views/frm_a_tables.h"
#include "views/frm_about.h"
#include "views/frm_filter.h"
#include "views/frm_grid.h"
#include "views/frm_new_table.h"
#include "views/frm_next_last_mo.h"
#include "views/frm_search.h"
#include "views/frm_print.h"
#include "views/frm_rb.h"

namespace hollin::ui {
namespace {

constexpr int kTableLimit = 99;

}  // namespace

void TfrmMain::CreateTable1Click() {
    if (TableLimitReached()) return;
    m_dm2->FinishEditing();
    auto window = std::make_unique<TfrmNewTable>(*m_dm2, this);
    connect(window.get(), &TfrmNewTable::TableOpened, this,
            [this](const std::string& name) { SetLabelText(lblTableName, name); });
    window->exec();
}

void TfrmMain::OpenTable1Click() {
    m_dm2->FinishEditing();
    auto window = std::make_unique<TfrmATables>(*m_dm2, this);
    connect(window.get(), &TfrmATables::TableOpened, this,
            [this](const std::string& name) { SetLabelText(lblTableName, name); });
    window->exec();
}

void TfrmMain::sbSearchClick() {
    auto window = std::make_unique<TfrmSearch>(*m_dm2, this);
    window->exec();
    if (!m_dm2->Larchtbl.IsEmpty()) return;
    // The reset runs even when the message cannot be shown.
    try {
        ShowPlainMessage("Table is empty!");
    } catch (...) {
        m_dm2->ResetView();
        throw;
    }
    m_dm2->ResetView();
}

void TfrmMain::sbFilterClick() {
    auto window = std::make_unique<TfrmFilter>(*m_dm2, this);
    window->exec();
}

void TfrmMain::GridView1Click() {
    auto window = std::make_unique<TfrmGrid>(*m_dm2, this);
    connect(window.get(), &TfrmGrid::SearchRequested, this, [this] { RunGuarded([this] { sbSearchClick(); }); });
    window->exec();
}

void TfrmMain::About1Click() {
    auto window = std::make_unique<TfrmAbout>(this);
    window->exec();
}

void TfrmMain::EmptyTable1Click() {
    const TMessageAnswer answer =
        ShowMessageBox(TMessageKind::Warning, "Continuing will destroy all records in the table!\rDo you wish to proceede?",
                       TMessageButtons::YesNo, this);
    if (answer != TMessageAnswer::Yes) return;
    m_dm2->EmptyOpenTable();
}

void TfrmMain::sbResetClick() { m_dm2->ResetView(); }

void TfrmMain::NextLastMoEvents1Click() {
    if (m_dm2->Larchtbl.IsEmpty()) {
        ShowPlainMessage("There are no events this month");
        return;
    }
    OpenEventsByMonth();
}

void TfrmMain::sbPrintClick() {
    if (frmRB == nullptr) return;
    auto window = std::make_unique<TfrmPrint>(*frmRB, this);
    window->exec();
}

bool TfrmMain::TableLimitReached() {
    if (m_dm2->TableCount() < kTableLimit) return false;
    ShowInformation("Maximum table limit reached");
    return true;
}

void TfrmMain::BackupTable1Click() {
    std::shared_ptr<TAnimationThread> animation;
    int failed = 0;
    try {
        TWaitCursor hourglass;
        TAnimationThread::TSettings settings;
        settings.delayMs = 25;
        settings.bar = QColor(0, 0, 255);
        settings.background = pnlAnimate->palette().color(QPalette::Button);
        settings.rect = pnlAnimate->rect().adjusted(1, 1, -1, -1);
        animation = TAnimationThread::Start(settings);
        pnlAnimate->Follow(animation);
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        TCopyProgress progress(this, "Backing up the tables...");
        failed = m_dm2->BackupTables(progress.Callbacks());
    } catch (...) {
        // The error itself is shown next; no word of a finished backup.
        if (animation) animation->Terminate();
        throw;
    }
    animation->Terminate();
    // Each failed file had its own box: the closing word must not claim a
    // whole backup then.
    ShowPlainMessage(failed == 0 ? "Data files backed up"
                                 : "Data files backed up, except for " + std::to_string(failed) +
                                       (failed == 1 ? " table" : " tables") + " that could not be copied");
}

void TfrmMain::RestoreTable1Click() {
    TWaitCursor hourglass;
    TCopyProgress progress(this, "Restoring the tables...");
    OpenWithRepairOffer(*m_dm2, [&] { m_dm2->RestoreTables(progress.Callbacks()); });
}

}  // namespace hollin::ui
