// Opening the event table through TLarchTable and adding records to it, for
// the cursor tests and benchmarks.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "engine/cursor/larch_table.h"

namespace larch::testing {

// A closed cursor on "<folder>/Hollin.DAT" ordered by FirstName.
std::unique_ptr<TLarchTable> EventCursor(const std::string& folder, const std::string& indexName = "FirstName");

// The program's definitions of the event table: FieldDefs and IndexDefs for
// CreateTable, or (`restructure`) RestructureFieldDefs and
// RestructureIndexDefs, fields numbered from 1, for RestructureTable.
void DefineEventTable(TLarchTable& table, bool restructure = false);

// Creates "<folder>/Hollin.DAT" from the program's definitions and posts one
// "Birthday" event a row (event dates from 720000 on), exclusively.
struct EventRow {
    std::string firstName, lastName, notes;
};
void CreateFilledEventTable(const std::string& folder, const std::vector<EventRow>& rows);

// Creates the event table "<folder>/<name>" and returns it open, shared, in
// first-name order.
std::unique_ptr<TLarchTable> NewEventTable(const std::string& folder, const std::string& name);

// Inserts and posts one event record.
void AddEvent(TLarchTable& table, const std::string& firstName, const std::string& lastName,
              const std::string& event = "Birthday", int32_t eventDate = 730000);

}  // namespace larch::testing
