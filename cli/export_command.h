// hollin [--data-dir DIR] [--table NAME] --export FILE [--ages YEARS]
// [--remind DAYS]: writes the table's records as .ics (or .vcf, .csv),
// without a window.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "cli/table_command.h"

namespace hollin {

// Writes the summary line ("Exported 212 records to FILE") to out, messages
// to err. The file is written under a temporary name and replaces FILE only
// when complete. kCommandOk; kCommandFailed when the table cannot be read or
// the file not written; kCommandBadUsage for a wrong option or file type.
// Writes text to path under a temporary name that replaces the file only
// when complete. Throws std::runtime_error naming the file.
void WriteExportFile(const std::string& path, const std::string& text);

int RunExportCommand(const std::vector<std::string>& args, const TFolderChooser& chooseFolder, std::ostream& out,
                     std::ostream& err);

}  // namespace hollin
