// RestructureTable on a table's files: bringing a closed table to new field
// and index definitions in place, by rebuilding its index file, or by
// copying every record into a new table.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "engine/data/data_file.h"
#include "engine/tables/restructure_defs.h"
#include "engine/tables/table_create.h"

namespace larch {

// Why a value or record is lost (the `cause` of OnDataLost).
enum DataLossCause : int {
    dlOther = 0,           // another error; name: the field, or empty
    dlKeyViolation = 1,    // a duplicate key; name: the index ("Primary" for the primary index)
    dlValidation = 2,      // a required, minimum or maximum check; name: the field
    dlFieldRemoved = 3,    // no new field continues the old one; name: the old field
    dlNotConvertible = 4,  // the value has no form in the new type or size; name: the field
};

struct RestructureHandlers {
    // Asked for every loss (until it sets `dontAskAgain`, after which losses
    // are accepted silently). Setting `stop` ends the restructure leaving the
    // table as it was. Both flags start false at every call.
    std::function<void(int cause, const std::string& name, bool& stop, bool& dontAskAgain)> onDataLost;
    // After each record slot of a rebuild: the slot number (from 1) and
    // slot / slots * 100, rounded.
    std::function<void(uint32_t slot, int percent)> onProgress;
};

enum class RestructurePath { AttributesOnly, IndexRebuild, FullRebuild };

// Brings the closed table at `dataPath` to the definitions, returning the
// path taken:
//  - FullRebuild when the encryption, blob block size, language or
//    sublanguage differ, the field count differs, or any field differs in
//    number, type, subtype, width, scale, required flag, reserved byte,
//    default, minimum or maximum (ignoring case), computed flag or
//    expression. The records are copied in record-number order, record IDs
//    kept, into a new table created in `privateDir` (the current folder when
//    empty) under a temporary name; each loss goes to onDataLost. When the
//    copy completes, the old files are deleted (`deleteOldFiles`) or kept as
//    ".DBK", ".IBK", ".BBK" (older backups of those names deleted first), and
//    the new files take the table's names. A stop deletes the new files and
//    leaves the table as it was; so does any error, which then propagates.
//  - IndexRebuild when only the indexes differ (count, key length, fields,
//    options, compression). The index file is copied to ".IBK", indexes that
//    are gone or changed are dropped, new and changed ones built from every
//    record in use. A record with a duplicate key is reported (cause 1) and,
//    when the restructure goes on, deleted. A stop, or any error, restores the
//    index file (and the data and blob files, if records were deleted) from
//    the copies; the error then propagates. Otherwise ".IBK" is kept unless
//    `deleteOldFiles`. Field and table attributes are stored as below.
//  - AttributesOnly otherwise: index names and field numbers, field names,
//    subtypes, descriptions, required flags, minimum, maximum and default,
//    and the table's description, password and two settings are stored; the
//    data and index headers are written (their change counts advance);
//    records, keys and blobs are not touched and no backup is made.
// Finally the table is opened and closed once more.
// Errors: 11013 when another handle or process has the table open or its
// files are read-only; 11010 when it does not exist; the codes of
// ValidateDefinition and "Field '%s' not found" before anything changes.
RestructurePath RestructureTableFiles(const std::string& dataPath, const TRestructureFieldDefs& fieldDefs,
                                      const TRestructureIndexDefs& indexDefs, const TableSettings& settings,
                                      bool deleteOldFiles, const RestructureHandlers& handlers,
                                      const std::string& privateDir, const TableFileOptions& options);

}  // namespace larch
