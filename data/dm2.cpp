// The data module: components, creation, the table list and the month query.
#include "data/dm2.h"

#include <fstream>

#include "data/date_routines.h"
#include "data/event_schema.h"
#include "data/folder_path.h"
#include "data/record_status.h"
#include "dataset/date_time.h"
#include "engine/files/engine_error.h"

namespace hollin {
namespace {

constexpr const char* kDatabaseName = "hollin";
constexpr uint8_t kLockRetryCount = 15;
constexpr uint16_t kLockWaitTime = 100;

}  // namespace

Tdm2::Tdm2(std::string folder) : m_folder(WithSeparator(std::move(folder))) {
    Larchdb.SetDatabaseName(kDatabaseName);
    Larchdb.SetSessionName(larch::kDefaultSessionName);
    Larchdb.SetHandleShared(true);

    Larchtbl.SetDatabaseName(kDatabaseName);
    Larchtbl.SetSessionName(larch::kDefaultSessionName);
    Larchtbl.SetFilterOptions(TFilterOptions{true, false});
    Larchtbl.SetLockRetryCount(kLockRetryCount);
    Larchtbl.SetLockWaitTime(kLockWaitTime);
    Larchtbl.SetForceBufferFlush(false);
    Larchtbl.BeforePost = [this](TDataSet& dataSet) { CheckRequiredFields(dataSet); };

    Larchqtbl.SetDatabaseName(kDatabaseName);
    Larchqtbl.SetLockRetryCount(kLockRetryCount);
    Larchqtbl.SetLockWaitTime(kLockWaitTime);
    Larchqtbl.SetForceBufferFlush(false);

    ds1.SetAutoEdit(false);
    ds1.SetDataSet(&Larchtbl);
    ds1.OnDataChange = [this](TDataSource& source, TField* field) { ds1DataChange(source, field); };
    ds1.OnStateChange = [this](TDataSource& source) { ds1StateChange(source); };

    Larchq.SetDatabaseName(kDatabaseName);
    Larchq.SetSessionName(larch::kDefaultSessionName);
    Larchq.SetRequestLive(true);
    Larchq.SetFilterOptions(TFilterOptions{false, true});
    Larchq.SetLockRetryCount(kLockRetryCount);
    Larchq.SetLockWaitTime(kLockWaitTime);
    Larchq.SetSQL(std::vector<std::string>{"SELECT FirstName, LastName, Event, EventDate", "FROM Hollin",
                                           "WHERE EXTRACT(MONTH FROM EventDate) = (:Today)"});
    Larchq.ParamByName("Today").SetAsDate(0);
    Larchq.SetDataSource(&ds1);
    dsQ.SetDataSet(&Larchq);
}

Tdm2::~Tdm2() {
    OnStatusChange = nullptr;
    Larchq.Close();
    Larchtbl.Close();
    Larchqtbl.Close();
    ds1.SetDataSet(nullptr);
    dsQ.SetDataSet(nullptr);
    Larchdb.Close();
}

void Tdm2::dm2Create() {
    CreateTables(m_folder);
    Larchdb.Close();
    Larchdb.SetDirectory(m_folder);
    Larchdb.SetDatabaseName(kDatabaseName);
    Larchdb.Open();
    Larchtbl.SetDatabaseName(kDatabaseName);
    Larchtbl.SetTableName(kDefaultTableName);
    Larchtbl.SetExclusive(false);
    Larchtbl.SetReadOnly(false);
    Larchtbl.SetIndexName("FirstName");
    Larchtbl.Open();
}

void Tdm2::CreateTables(const std::string& folder) {
    larch::TLarchTable table;
    table.SetDatabaseName(WithSeparator(folder));
    table.SetTableName(kDefaultTableFile);
    table.SetExclusive(false);
    table.SetReadOnly(false);
    table.SetIndexName("FirstName");
    DefineEventTable(table, kDefaultTableIndexCount);
    if (table.Exists()) return;
    CreateEventTable(table, kDefaultTableIndexCount);
}

std::vector<std::string> Tdm2::TableListNames() const {
    // Every data file once, in name order, whatever order the folder keeps.
    const std::vector<std::string> found = MatchingFiles(m_folder, {"*.DAT"});
    std::vector<std::string> names;
    if (found.empty()) return names;
    for (const std::string& name : found) {
        if (!SameName(name, kDefaultTableFile)) names.push_back(name);
    }
    names.push_back(kDefaultTableFile);
    return names;
}

void Tdm2::WriteTableList(const std::vector<std::string>& names) const {
    if (names.empty()) return;
    std::ofstream out(ListFilePath(), std::ios::binary | std::ios::trunc);
    for (const std::string& name : names) out << name << "\r\n";
    out.close();
    if (!out) larch::RaiseOsError(errno == 0 ? EIO : errno, ListFilePath());
}

void Tdm2::BuildTableList() { WriteTableList(TableListNames()); }

void Tdm2::CloseAllTables() {
    for (larch::TLarchTable* table : {&Larchqtbl, &Larchtbl}) {
        if (!table->TableName().empty() && table->Exists()) table->Close();
    }
}

std::string Tdm2::MonthQueryText(const std::string& tableName) {
    return "SELECT FirstName, LastName, Event, EventDate FROM \"" + tableName +
           "\" WHERE EXTRACT(MONTH FROM EventDate)=(:Today)";
}

void Tdm2::RunSql(int offset) {
    const std::string name = Larchtbl.TableName();
    Larchq.Close();
    Larchq.SetSQL(MonthQueryText(name));
    int month = MonthOfDate(Today()) + offset;
    if (month == 13) month = 1;
    if (month == 0) month = 12;
    Larchq.ParamByName("Today").SetAsInteger(month);
    Larchq.Prepare();
    Larchq.Open();
}

void Tdm2::ClearStatusTexts() { SetStatus(TRecordStatusTexts{}); }

void Tdm2::SetStatus(const TRecordStatusTexts& status) {
    m_status = status;
    if (OnStatusChange) OnStatusChange(m_status);
}

void Tdm2::ds1DataChange(TDataSource& /*source*/, TField* /*field*/) {
    if (!Larchtbl.Active()) return;
    TRecordStatusTexts status = m_status;
    const int count = Larchtbl.RecordCount();
    status.recNo = RecordCounterText(count < 1 ? 0 : Larchtbl.RecNo(), count);
    status.eTitle = EventSentenceOf(Larchtbl);
    SetStatus(status);
}

void Tdm2::ds1StateChange(TDataSource& /*source*/) {
    TRecordStatusTexts status = m_status;
    status.mode = ModeText(Larchtbl.State());
    SetStatus(status);
}

void Tdm2::CheckRequiredFields(TDataSet& dataSet) {
    for (int i = 0; i < dataSet.FieldCount(); ++i) {
        TField& field = dataSet.Fields()[i];
        if (!field.Required() || !field.IsNull()) continue;
        field.FocusControl();
        throw EDatabaseError("Field '" + field.FieldName() + "' must have a value");
    }
}

}  // namespace hollin
