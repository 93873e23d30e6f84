// Creating a table's files from definition lists, and emptying a table.
#pragma once

#include <cstdint>
#include <string>

#include "dataset/field_defs.h"
#include "engine/data/data_file.h"
#include "engine/tables/index_defs.h"

namespace larch {

// How the table's files are opened by these operations (besides exclusive).
struct TableFileOptions {
    bool forceBufferFlush = false;  // every write goes through to the disk
    uint8_t lockRetryCount = 15;
    uint16_t lockWaitTime = 100;
};

// The settings CreateTable fixes: language 0, sublanguage 0, setting one 1,
// setting two 0, not encrypted, no password, no description, 512-byte blocks.
TableSettings CreateTableSettings();
// The settings an existing table keeps, as its data header holds them
// (language, sublanguage, the two settings, description, blob block size).
TableSettings SettingsOfTable(const DataHeader& header);

// Writes a new table at `dataPath` (its ".DAT" name through
// MakeTableFileName; index ".IDX" and blob ".BLB" beside it), replacing any
// files of that name. The descriptors are built from the lists (the first
// index definition is the primary index) and checked as ValidateDefinition
// says, raising its codes before anything is written; "Field '%s' not found"
// cannot occur here (an unknown index field is 10023). When a step after the
// files were created fails, they are deleted again. File errors: the mapped
// codes (11013 when the data file cannot be replaced).
void CreateTableFiles(const std::string& dataPath, const hollin::TFieldDefs& fieldDefs, const TIndexDefs& indexDefs,
                      const TableFileOptions& options);

// Opens the closed table exclusively, deletes every record (data file cut to
// header and descriptors, index file to its 4096-byte header, blob file to
// its 512-byte header; the next record gets ID 1) and closes it. 11013 when
// another handle or process has the table open, or when the files are
// read-only; 11010 when the table does not exist.
void EmptyTableFiles(const std::string& dataPath, const TableFileOptions& options);

// Sets a data file handler up for exclusive, writable use of `dataPath`.
void PrepareExclusive(TDataFile& file, const std::string& dataPath, const TableFileOptions& options);

}  // namespace larch
