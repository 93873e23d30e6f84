// A small table with nullable fields of several types for the filter tests,
// and the plain evaluation of a filter text over every record.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "dataset/dataset_types.h"
#include "engine/cursor/larch_table.h"

namespace larch::testing {

// "People.DAT" in `folder`, no field required: IndexField (AutoInc),
// FirstName (15), Event (15), EventDate (date), Age (smallint), Score
// (float), Married (Boolean), Notes (memo). With indexes: the primary index
// on IndexField and "EventCI" (Event, case-insensitive), "EventCS" (Event),
// "FirstName" (case-insensitive), "EventDate", "Age", "Score", "Married".
void CreatePeopleTable(const std::string& folder, bool withIndexes);

// A closed cursor on the people table in the index order given.
std::unique_ptr<TLarchTable> PeopleCursor(const std::string& folder, const std::string& indexName = "");

struct Person {
    std::optional<std::string> firstName{}, event{};
    std::optional<int32_t> eventDate{};  // day number
    std::optional<int32_t> age{};
    std::optional<double> score{};
    std::optional<bool> married{};
};
void AddPerson(TLarchTable& table, const Person& person);

// The IndexField values the cursor visits from First to the end, sorted.
std::vector<int32_t> VisitedIds(TLarchTable& table);

// The IDs of the records that pass `text`, by evaluating the decoded filter
// on every record in use of the file (in physical order), sorted.
std::vector<int32_t> PlainSelection(TDataFile& file, const std::string& text, hollin::TFilterOptions options);

}  // namespace larch::testing
