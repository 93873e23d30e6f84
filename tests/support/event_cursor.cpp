// The event table through the cursor, for tests and benchmarks.
#include "tests/support/event_cursor.h"

namespace larch::testing {

std::unique_ptr<TLarchTable> EventCursor(const std::string& folder, const std::string& indexName) {
    auto table = std::make_unique<TLarchTable>();
    table->SetDatabaseName(folder);
    table->SetTableName("Hollin.DAT");
    table->SetIndexName(indexName);
    return table;
}

namespace {

struct FieldRow {
    const char* name;
    hollin::TFieldType type;
    int size;
    bool required;
};

constexpr FieldRow kFields[] = {
    {"IndexField", hollin::ftAutoInc, 0, false}, {"FirstName", hollin::ftString, 15, true},
    {"MiddleName", hollin::ftString, 15, false}, {"LastName", hollin::ftString, 15, true},
    {"Event", hollin::ftString, 15, true},       {"EventDate", hollin::ftDate, 0, true},
    {"Notes", hollin::ftMemo, 0, false},         {"Phone", hollin::ftString, 13, false},
    {"PhoneFax", hollin::ftString, 13, false},   {"CellPhone", hollin::ftString, 13, false},
    {"Email", hollin::ftString, 30, false},      {"Website", hollin::ftString, 35, false},
    {"Zip", hollin::ftString, 10, false},        {"State", hollin::ftString, 2, false},
    {"City", hollin::ftString, 15, false},       {"Address", hollin::ftString, 25, false},
    {"Photo", hollin::ftBlob, 0, false}};

struct IndexRow {
    const char* name;
    const char* fields;
    TIndexOptions options;
};

const IndexRow kIndexes[] = {{"", "IndexField", ixPrimary | ixUnique | ixCaseInsensitive},
                             {"Event", "Event", ixCaseInsensitive},
                             {"LastName", "LastName", ixCaseInsensitive},
                             {"FirstName", "FirstName", ixCaseInsensitive},
                             {"Edate", "EventDate;Event;FirstName;LastName", 0}};

}  // namespace

void DefineEventTable(TLarchTable& table, bool restructure) {
    uint16_t number = 1;
    for (const FieldRow& f : kFields) {
        if (restructure) {
            table.RestructureFieldDefs().Add(f.name, f.type, f.size, f.required, "", "", "", "", number++);
        } else {
            table.FieldDefs().Add(f.name, f.type, f.size, f.required);
        }
    }
    for (const IndexRow& i : kIndexes) {
        if (restructure) {
            table.RestructureIndexDefs().Add(i.name, i.fields, i.options, 0);
        } else {
            table.IndexDefs().Add(i.name, i.fields, i.options);
        }
    }
}

std::unique_ptr<TLarchTable> NewEventTable(const std::string& folder, const std::string& name) {
    auto table = std::make_unique<TLarchTable>();
    table->SetDatabaseName(folder);
    table->SetTableName(name);
    DefineEventTable(*table);
    table->CreateTable();
    table->SetIndexName("FirstName");
    table->Open();
    return table;
}

void CreateFilledEventTable(const std::string& folder, const std::vector<EventRow>& rows) {
    TLarchTable creator;
    creator.SetDatabaseName(folder);
    creator.SetTableName("Hollin.DAT");
    DefineEventTable(creator);
    creator.CreateTable();
    auto table = EventCursor(folder);
    table->SetExclusive(true);
    table->Open();
    for (std::size_t i = 0; i < rows.size(); ++i) {
        table->Insert();
        table->FieldByName("FirstName").SetAsString(rows[i].firstName);
        table->FieldByName("LastName").SetAsString(rows[i].lastName);
        table->FieldByName("Event").SetAsString("Birthday");
        table->FieldByName("EventDate").SetAsDate(720000 + static_cast<int32_t>(i));
        table->FieldByName("Notes").SetAsString(rows[i].notes);
        table->Post();
    }
    table->Close();
}

void AddEvent(TLarchTable& table, const std::string& firstName, const std::string& lastName,
              const std::string& event, int32_t eventDate) {
    table.Insert();
    table.FieldByName("FirstName").SetAsString(firstName);
    table.FieldByName("LastName").SetAsString(lastName);
    table.FieldByName("Event").SetAsString(event);
    table.FieldByName("EventDate").SetAsDate(eventDate);
    table.Post();
}

}  // namespace larch::testing
