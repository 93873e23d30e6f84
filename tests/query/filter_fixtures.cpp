// The people table and the plain evaluation of filters for the filter tests.
#include "tests/query/filter_fixtures.h"

#include <algorithm>

#include "engine/data/larch_scopes.h"
#include "engine/records/record_fields.h"
#include "query/expr/expression_eval.h"
#include "query/filter/filter_buffer.h"

namespace larch::testing {

void CreatePeopleTable(const std::string& folder, bool withIndexes) {
    TLarchTable table;
    table.SetDatabaseName(folder);
    table.SetTableName("People.DAT");
    table.FieldDefs().Add("IndexField", hollin::ftAutoInc, 0, false);
    table.FieldDefs().Add("FirstName", hollin::ftString, 15, false);
    table.FieldDefs().Add("Event", hollin::ftString, 15, false);
    table.FieldDefs().Add("EventDate", hollin::ftDate, 0, false);
    table.FieldDefs().Add("Age", hollin::ftSmallint, 0, false);
    table.FieldDefs().Add("Score", hollin::ftFloat, 0, false);
    table.FieldDefs().Add("Married", hollin::ftBoolean, 0, false);
    table.FieldDefs().Add("Notes", hollin::ftMemo, 0, false);
    table.IndexDefs().Add("", "IndexField", ixPrimary | ixUnique);
    if (withIndexes) {
        table.IndexDefs().Add("EventCI", "Event", ixCaseInsensitive);
        table.IndexDefs().Add("EventCS", "Event", 0);
        table.IndexDefs().Add("FirstName", "FirstName", ixCaseInsensitive);
        table.IndexDefs().Add("EventDate", "EventDate", 0);
        table.IndexDefs().Add("Age", "Age", 0);
        table.IndexDefs().Add("Score", "Score", 0);
        table.IndexDefs().Add("Married", "Married", 0);
    }
    table.CreateTable();
}

std::unique_ptr<TLarchTable> PeopleCursor(const std::string& folder, const std::string& indexName) {
    auto table = std::make_unique<TLarchTable>();
    table->SetDatabaseName(folder);
    table->SetTableName("People.DAT");
    table->SetIndexName(indexName);
    return table;
}

void AddPerson(TLarchTable& table, const Person& person) {
    table.Insert();
    if (person.firstName) table.FieldByName("FirstName").SetAsString(*person.firstName);
    if (person.event) table.FieldByName("Event").SetAsString(*person.event);
    if (person.eventDate) table.FieldByName("EventDate").SetAsDate(*person.eventDate);
    if (person.age) table.FieldByName("Age").SetAsInteger(*person.age);
    if (person.score) table.FieldByName("Score").SetAsFloat(*person.score);
    if (person.married) table.FieldByName("Married").SetAsBoolean(*person.married);
    table.Post();
}

std::vector<int32_t> VisitedIds(TLarchTable& table) {
    std::vector<int32_t> ids;
    for (table.First(); !table.Eof(); table.Next()) ids.push_back(table.FieldByName("IndexField").AsInteger());
    std::sort(ids.begin(), ids.end());
    return ids;
}

std::vector<int32_t> PlainSelection(TDataFile& file, const std::string& text, hollin::TFilterOptions options) {
    std::vector<uint8_t> buffer = BuildFilterBuffer(text, options, DescriptorLookup(file.Fields()));
    std::unique_ptr<TExpressionNode> tree = DecodeFilterBuffer(buffer, file.Fields(), file.FileName());
    const auto& fields = file.Fields();
    std::vector<int32_t> ids;
    ReadScope read(file);
    for (uint32_t n = 1; n < file.Header().nextRecordNumber; ++n) {
        RecordPin record(file, file.GetRecord(n));
        const uint8_t* image = record->image.data();
        if (image[0] != kRecordInUse) continue;
        ColumnProvider provider = [&](const TExpressionNode& column, TExpressionNode& into) {
            LoadFieldValue(fields[column.fieldNumber - 1], image, into);
        };
        if (EvaluateCondition(*tree, provider, CompareLanguage{})) ids.push_back(static_cast<int32_t>(RecordId(image)));
    }
    std::sort(ids.begin(), ids.end());
    return ids;
}

}  // namespace larch::testing
