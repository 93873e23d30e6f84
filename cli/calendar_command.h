// hollin [--data-dir DIR] [--table NAME] --report calendar [--year Y]
// --output FILE.pdf: the printable calendar of a year, without a window.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "cli/table_command.h"

namespace hollin {

// Whether args ask for the calendar ("--report calendar").
bool NamesCalendarCommand(const std::vector<std::string>& args);

// Writes the twelve months of the year (default: this year) with all the
// table's events to a PDF file, replaced only once complete. Messages go to
// err. Returns kCommandOk, kCommandFailed or kCommandBadUsage.
int RunCalendarCommand(const std::vector<std::string>& args, const TFolderChooser& chooseFolder, std::ostream& err);

}  // namespace hollin
