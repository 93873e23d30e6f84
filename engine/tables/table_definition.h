// The descriptors a table is created or restructured with, built from the
// definition lists, and the checks they must pass before anything is written.
#pragma once

#include <string>
#include <vector>

#include "dataset/field_defs.h"
#include "engine/data/data_file.h"
#include "engine/records/field_descriptor.h"
#include "engine/tables/index_defs.h"
#include "engine/index/index_descriptor.h"
#include "engine/tables/restructure_defs.h"

namespace larch {

struct TableDefinition {
    // One descriptor per field definition, in list order. `number` is the
    // field number the definition gives (the position for CreateTable).
    // ValidateDefinition trims the names and assigns widths and offsets.
    std::vector<FieldDescriptor> fields;
    // The sizes as given: the descriptor byte cannot hold every wrong size.
    std::vector<int> givenSizes;
    // Slot 0 the primary index (no fields: the table has none), then the
    // secondary indexes. Field numbers are positions in `fields` (1-based);
    // ValidateDefinition sets the key lengths.
    std::vector<IndexDescriptor> indexes;
    // Per index, the first field name that named no field (CreateTable).
    std::vector<std::string> unknownFields;
    uint32_t recordSize = 0;  // set by ValidateDefinition

    const IndexDescriptor& Primary() const { return indexes.front(); }
    std::vector<IndexDescriptor> Secondaries() const { return {indexes.begin() + 1, indexes.end()}; }
    // The descriptors numbered by their position, as the new table stores them.
    std::vector<FieldDescriptor> FieldsByPosition() const;
};

// Descriptors from CreateTable's lists. The first index definition is the
// primary index (its name cleared); with no index definition the table has
// no primary index. At most 16 field names of an index are taken.
TableDefinition BuildCreateDefinition(const hollin::TFieldDefs& fieldDefs, const TIndexDefs& indexDefs);

// Descriptors from the restructure lists, with defaults, minimum, maximum and
// description (each cut to 50 characters) and compression. An index field
// name that is no field definition raises "Field '%s' not found"
// (hollin::EDatabaseError).
TableDefinition BuildRestructureDefinition(const TRestructureFieldDefs& fieldDefs,
                                           const TRestructureIndexDefs& indexDefs);

// The checks of table creation, in this order, naming `file`:
//   10015 encrypted without a password of 1 to 15 characters; 15878 a
//   language other than 0 (no locale is supported); 9492 no field or more than
//   1024; 9487 more than 30 secondary indexes; 9498 a blob block size below 64
//   (or above what a block can address);
//   per field: 10038 a name (trimmed, cut to 30 characters) that is empty,
//   does not start with a letter (A-Z, a-z, byte 129-254) or repeats another
//   ignoring case; 10000 a field number of 0 or used twice, a type the engine
//   does not store, a string or bytes size outside 1..250 or a BCD scale
//   above 8 (other types get size 0); 10006 a default, minimum or maximum
//   text that is not a value of the field's type;
//   per index: 10023 a field that does not exist (or a secondary index
//   without fields), naming "Primary" for the primary index; 10026 a key
//   length outside 1..1036; 10022 a secondary name not starting with a
//   letter; 10027 a secondary name repeated ignoring case; 12292 a blob field
//   in the key; 12036 a compression other than 0 (not supported);
//   9498 more than 32 blob fields; 9477 a record size above 65535.
// Fills in names, widths, offsets, key lengths and the record size.
void ValidateDefinition(TableDefinition& definition, const TableSettings& settings, const std::string& file);

// Whether a name starts as the engine requires: A-Z, a-z or a byte 129-254.
bool StartsWithLetter(const std::string& name);

}  // namespace larch
