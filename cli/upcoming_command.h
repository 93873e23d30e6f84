// hollin [--data-dir DIR] [--table NAME] --upcoming [--days N]: the
// upcoming events of a table as tab-separated lines, without a window.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "cli/table_command.h"

namespace hollin {

constexpr int kUpcomingDefaultDays = 30;

// Writes the header line "Date<TAB>In<TAB>FirstName<TAB>LastName<TAB>Event
// <TAB>Years<TAB>Milestone" and one line per occurrence from today through
// today + N days to out (a round milestone ends with " *"); messages go to
// err. Returns kCommandOk, kCommandFailed or kCommandBadUsage.
int RunUpcomingCommand(const std::vector<std::string>& args, const TFolderChooser& chooseFolder, std::ostream& out,
                       std::ostream& err);

}  // namespace hollin
