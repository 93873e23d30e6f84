// Writing imported records into a table as one batch: all of them or, after
// any error, none (the table as before).
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "data/import_record.h"
#include "engine/cursor/larch_table.h"

namespace hollin {

// Called after each record with the number done and the total.
using TImportProgress = std::function<void(int done, int total)>;

// Adds the records in order, skipping duplicates (TDuplicateRule over the
// table and the records added before) into report.skipped, cutting values
// longer than their field to its size in UTF-8 bytes at a character
// boundary (counted in report.shortened). One batch: an error rolls back
// every record of it and is raised; report.added counts what was added.
void WriteImportRecords(larch::TLarchTable& table, const std::vector<TTransferRecord>& records, TImportReport& report,
                        const TImportProgress& progress = {});

// The table `table` of `folder` (".DAT" name), open shared for writing, in
// first-name order. Throws the engine's error when it cannot be opened.
std::unique_ptr<larch::TLarchTable> OpenTableForImport(const std::string& folder, const std::string& table);

}  // namespace hollin
