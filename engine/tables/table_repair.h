// RepairTable: rebuilding a damaged table from what its data file still holds.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/tables/table_create.h"

namespace larch {

struct RepairReport {
    uint32_t recordsKept = 0;
    uint32_t recordsLost = 0;
    uint32_t blobsLost = 0;
    // What was found and done, in plain words, one line each.
    std::vector<std::string> lines;
    // The copies of the original files, kept beside the table.
    std::vector<std::string> copies;
};

// Rebuilds the closed table at `dataPath`, which need not open any more:
// the original files are copied first (".DRP", ".IRP", ".BRP"); then every
// record in use is read straight from the data file (a header whose record
// count disagrees with the file's length is corrected, a torn last record
// dropped), its blobs read from their chains (a chain that is broken or
// belongs to another record is dropped), and all of it written into a new
// table with the same fields, indexes and settings, record IDs kept. Every
// index and "Sys Deleted" is thereby built anew from the records, and the
// free chains start empty. A record whose key duplicates an earlier one in a
// unique index is lost. The new files then replace the old ones (the swap is
// journaled). The indexes come from the index file's header; when that is
// unreadable the table keeps no index and the report says so. 8961 when the
// data file's own header or field descriptors cannot be read; 11013 when
// another user has the table open.
RepairReport RepairTable(const std::string& dataPath, const std::string& privateDir, const TableFileOptions& options);

}  // namespace larch
