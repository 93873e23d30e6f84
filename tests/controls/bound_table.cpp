// The bound event table of the control tests.
#include "tests/controls/bound_table.h"

#include "tests/support/event_cursor.h"
#include "tests/support/event_table.h"

namespace hollin::ui::testing {

TBoundTable::TBoundTable(std::initializer_list<std::string> firstNames) {
    larch::testing::CreateEventTable(folder / "Hollin.DAT");
    table = larch::testing::EventCursor(folder.path());
    table->Open();
    for (const std::string& name : firstNames) larch::testing::AddEvent(*table, name, "Smith");
    table->First();
    source.SetAutoEdit(false);
    source.SetDataSet(table.get());
}

TBoundTable::~TBoundTable() {
    source.SetDataSet(nullptr);
    table->Close();
}

std::string TBoundTable::StoredValues(const std::string& field) const {
    auto reader = larch::testing::EventCursor(folder.path());
    reader->Open();
    std::string result;
    for (reader->First(); !reader->Eof(); reader->Next()) {
        if (!result.empty()) result += ";";
        result += reader->FieldByName(field).AsString();
    }
    reader->Close();
    return result;
}

}  // namespace hollin::ui::testing
