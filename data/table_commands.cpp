// The data module's whole-table commands: counting, resetting the view,
// emptying, and backing up and restoring the table files.
#include <filesystem>

#include "data/dm2.h"
#include "data/file_copy.h"
#include "engine/tables/table_repair.h"

namespace hollin {
namespace {

namespace fs = std::filesystem;

// Keeps a table's read lock, which keeps every writer out of the whole
// table, for the life of the object.
std::shared_ptr<void> HoldTableReadLock(const std::string& folder, const std::string& baseName) {
    auto table = std::make_shared<larch::TLarchTable>();
    table->SetDatabaseName(folder);
    table->SetTableName(baseName + ".DAT");
    table->SetReadOnly(true);
    try {
        table->Open();
        table->DataFile()->HoldReadLock();
    } catch (const std::exception&) {
        // A table that does not open (damaged, or used exclusively) is
        // copied as its files stand: a copy is better than none.
        return nullptr;
    }
    return std::shared_ptr<void>(table.get(), [table](void*) {
        try {
            table->DataFile()->ReleaseReadLock();
            table->Close();
        } catch (...) {
        }
    });
}

}  // namespace

int Tdm2::TableCount() {
    std::vector<std::string> names;
    larch::TLarchSessionList::Instance().DefaultSession().GetTableNames(Larchdb.DatabaseName(), names);
    return static_cast<int>(names.size());
}

void Tdm2::ResetView() {
    Larchtbl.CancelRange();
    Larchtbl.SetFiltered(false);
    Larchtbl.SetIndexName("FirstName");
}

void Tdm2::FinishEditing() {
    if (Larchtbl.State() == dsEdit || Larchtbl.State() == dsInsert) Larchtbl.CheckBrowseMode();
}

void Tdm2::CloseMonthQuery() {
    Larchq.Close();
    Larchq.UnPrepare();
}

void Tdm2::EmptyOpenTable() {
    CloseAllTables();
    CloseMonthQuery();
    Larchtbl.EmptyTable();
    TRecordStatusTexts status = m_status;
    status.recNo.clear();
    status.eTitle.clear();
    SetStatus(status);
}

std::vector<std::string> Tdm2::RepairTable() {
    // Repair opens the table exclusively: every component of ours lets go.
    CloseMonthQuery();
    CloseAllTables();
    Larchtbl.Close();
    larch::RepairReport report = larch::RepairTable(m_folder + Larchtbl.TableName(), m_folder, {});
    std::vector<std::string> lines = report.lines;
    for (const std::string& copy : report.copies) lines.push_back("The original file is kept as " + copy + ".");
    return lines;
}

std::string Tdm2::BackupFolder() const { return m_folder + "Backup/"; }

int Tdm2::BackupTables(TCopyCallbacks callbacks) {
    callbacks.onTable = HoldTableReadLock;
    const std::vector<std::string> files = MatchingFiles(m_folder, {"*.DAT", "*.IDX", "*.BLB"});
    return CopyFileSet(m_folder, files, BackupFolder(), callbacks);
}

bool Tdm2::RestoreTables(const TCopyCallbacks& callbacks) {
    std::error_code error;
    if (!fs::is_directory(m_folder, error) || !fs::is_directory(BackupFolder(), error)) return false;
    CloseAllTables();
    CloseMonthQuery();
    CopyFileSet(BackupFolder(), MatchingFiles(BackupFolder(), {"*"}), m_folder, callbacks);
    Larchtbl.Open();
    return true;
}

}  // namespace hollin
