// What the command-line commands over one table share: their options
// (--data-dir DIR, --table NAME, --days N), their exit statuses, and the
// table opened read-only and shared.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "data/upcoming_list.h"
#include "engine/cursor/larch_table.h"

namespace hollin {

constexpr int kCommandOk = 0;
constexpr int kCommandFailed = 1;    // the folder or the table could not be read, or the output not written
constexpr int kCommandBadUsage = 2;  // an unknown option or a wrong value

// Turns --data-dir's value (or its absence) into the folder the program
// would use, ending with "/"; the program passes its own choice.
using TFolderChooser = std::function<std::string(const std::optional<std::string>& dataDir)>;

struct TTableCommandOptions {
    std::optional<std::string> dataDir;
    std::string table = "Hollin.DAT";
    int days = 0;
    std::string error;  // why the options are refused; empty when fine
};

// Whether args name the command (its flag, such as "--upcoming").
bool NamesCommand(const std::vector<std::string>& args, const std::string& flag);

// Reads the command's flag and --data-dir DIR, --table NAME (a table of the
// folder; ".DAT" is added to a name without an extension) and --days N
// (0 to 3660, defaultDays when absent). Anything else is an error.
TTableCommandOptions ParseTableCommandOptions(const std::vector<std::string>& args, const std::string& flag,
                                              int defaultDays);

// Whether folder is there; says so on err when it is not.
bool DataFolderFound(const std::string& folder, std::ostream& err);

// The table `table` of `folder`, open read-only and shared, in first-name
// order. Throws the engine's error when it cannot be opened.
std::unique_ptr<larch::TLarchTable> OpenTableForReading(const std::string& folder, const std::string& table);

// The start of the upcoming commands: parses args (ParseTableCommandOptions)
// and reads the table's upcoming events from today through today + days.
// Returns kCommandOk, or the failure's status with its message on err.
int ReadUpcomingEvents(const std::vector<std::string>& args, const std::string& flag, int defaultDays,
                       const TFolderChooser& chooseFolder, std::ostream& err, TTableCommandOptions& options,
                       std::vector<TUpcomingEvent>& events);

}  // namespace hollin
