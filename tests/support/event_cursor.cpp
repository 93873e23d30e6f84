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
