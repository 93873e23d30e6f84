// A vCard file into a table: read, mapped, and written as one batch.
#pragma once

#include <string>
#include <string_view>

#include "data/import_record.h"
#include "data/photo_conversion.h"
#include "data/record_import.h"

namespace hollin {

// The records of every card of the text, with the broken cards and the
// entries skipped on the way (without a year, a date, a name) in the report.
std::vector<TTransferRecord> RecordsOfVCards(std::string_view text, TPhotoConverter* converter, TImportReport& report);

// Reads the text's cards and adds their records to the table (one batch).
// Throws when the batch fails; the table is then as before.
TImportReport ImportVCards(larch::TLarchTable& table, std::string_view text, TPhotoConverter* converter,
                           const TImportProgress& progress = {});

// A whole file's bytes; throws std::runtime_error naming the file when it
// cannot be read.
std::string ReadWholeFile(const std::string& path);

}  // namespace hollin
