// hollin [--data-dir DIR] [--table NAME] --import FILE (.vcf): adds the
// file's records to the table as one batch, without a window.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "cli/table_command.h"

namespace hollin {

// Writes the summary line ("Added 212 records from 180 cards; skipped 9: 4
// duplicates, ...") to out, messages to err. kCommandOk; kCommandFailed when
// the table or the file cannot be read or the batch fails (the table is
// then as before); kCommandBadUsage for a wrong option or file type.
int RunImportCommand(const std::vector<std::string>& args, const TFolderChooser& chooseFolder, std::ostream& out,
                     std::ostream& err);

}  // namespace hollin
