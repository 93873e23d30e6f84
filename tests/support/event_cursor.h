// Opening the event table through TLarchTable and adding records to it, for
// the cursor tests and benchmarks.
#pragma once

#include <memory>
#include <string>

#include "engine/larch_table.h"

namespace larch::testing {

// A closed cursor on "<folder>/Hollin.DAT" ordered by FirstName.
std::unique_ptr<TLarchTable> EventCursor(const std::string& folder, const std::string& indexName = "FirstName");

// The program's definitions of the event table: FieldDefs and IndexDefs for
// CreateTable, or (`restructure`) RestructureFieldDefs and
// RestructureIndexDefs, fields numbered from 1, for RestructureTable.
void DefineEventTable(TLarchTable& table, bool restructure = false);

// Inserts and posts one event record.
void AddEvent(TLarchTable& table, const std::string& firstName, const std::string& lastName,
              const std::string& event = "Birthday", int32_t eventDate = 730000);

}  // namespace larch::testing
