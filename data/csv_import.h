// CSV files of event records: a header line naming fields (ignoring case;
// unknown columns reported and left out), dates as mm/dd/yyyy or
// yyyy-mm-dd.
#pragma once

#include <string_view>
#include <vector>

#include "data/import_record.h"

namespace hollin {

// The records of the rows, with rows that cannot be records (no date, no
// name, malformed) skipped into the report with their lines.
std::vector<TTransferRecord> RecordsOfCsv(std::string_view text, TImportReport& report);

}  // namespace hollin
