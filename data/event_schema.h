// The event record: the one layout of every table of the program (17 fields,
// 5 indexes), and the definitions a new table is created and restructured
// with.
#pragma once

#include <string>
#include <vector>

#include "dataset/dataset_types.h"
#include "engine/tables/index_defs.h"

namespace larch {
class TLarchTable;
}

namespace hollin {

// The default table of the program folder.
constexpr const char* kDefaultTableFile = "Hollin.DAT";
// The name the data module opens it by (matched ignoring case).
constexpr const char* kDefaultTableName = "Hollin.dat";

struct TEventField {
    const char* name;
    TFieldType type;
    int size;
    bool required;
};

struct TEventIndex {
    const char* name;  // empty for the primary index
    const char* fields;
    larch::TIndexOptions options;
};

// The 17 fields, in field order.
const std::vector<TEventField>& EventFieldList();
// The 5 indexes, in index order; tables the user creates carry the first 4.
const std::vector<TEventIndex>& EventIndexList();
constexpr int kDefaultTableIndexCount = 5;
constexpr int kUserTableIndexCount = 4;

// Fills the table's field and index definitions (cleared first) with the
// event record and its first indexCount indexes.
void DefineEventTable(larch::TLarchTable& table, int indexCount);

// Creates the table's files from the event record with indexCount indexes,
// then restructures it with the same definitions and the program's fixed
// table settings (language 0, settings 1 and 0, no encryption, blob blocks
// of 512 bytes, replaced files deleted), which changes nothing in the new
// table.
void CreateEventTable(larch::TLarchTable& table, int indexCount);

}  // namespace hollin
