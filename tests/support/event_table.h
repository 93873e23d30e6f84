// The event record table (17 fields, 5 indexes) built directly from engine
// descriptors, for engine tests and benchmarks.
#pragma once

#include <string>
#include <vector>

#include "engine/data/data_file.h"

namespace larch::testing {

std::vector<FieldDescriptor> EventFields();
IndexDescriptor EventPrimaryIndex(const std::vector<FieldDescriptor>& fields);
std::vector<IndexDescriptor> EventSecondaryIndexes(const std::vector<FieldDescriptor>& fields);

// Creates the event table at `path` (a .DAT name) and leaves it closed.
void CreateEventTable(const std::string& path);

// One event record's values, written into a record image of `file`.
struct EventValues {
    std::string firstName, middleName, lastName, event;
    int32_t eventDate = 0;  // day number; 0 leaves the date null
    std::string city;
};
std::vector<uint8_t> MakeEventImage(const TDataFile& file, const EventValues& values);

}  // namespace larch::testing
