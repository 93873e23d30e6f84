// Options and the read-only table of the commands over one table.
#include "cli/table_command.h"

#include <algorithm>
#include <charconv>
#include <filesystem>

#include "dataset/date_time.h"

namespace hollin {

namespace {

constexpr int kMostDays = 3660;

bool ParseDays(const std::string& text, int& days) {
    const char* end = text.data() + text.size();
    auto [stop, error] = std::from_chars(text.data(), end, days);
    return error == std::errc() && stop == end && days >= 0 && days <= kMostDays;
}

}  // namespace

bool NamesCommand(const std::vector<std::string>& args, const std::string& flag) {
    return std::find(args.begin(), args.end(), flag) != args.end();
}

TTableCommandOptions ParseTableCommandOptions(const std::vector<std::string>& args, const std::string& flag,
                                              int defaultDays) {
    TTableCommandOptions options;
    options.days = defaultDays;
    auto valueOf = [&](std::size_t& i) -> std::optional<std::string> {
        if (i + 1 >= args.size() || args[i + 1].empty()) {
            options.error = "Option " + args[i] + " needs a value";
            return std::nullopt;
        }
        return args[++i];
    };
    for (std::size_t i = 0; i < args.size() && options.error.empty(); ++i) {
        const std::string& arg = args[i];
        if (arg == flag) continue;
        if (arg == "--data-dir") {
            options.dataDir = valueOf(i);
        } else if (arg == "--table") {
            if (auto name = valueOf(i)) options.table = *name;
        } else if (arg == "--days") {
            if (auto text = valueOf(i); text && !ParseDays(*text, options.days)) {
                options.error = "--days takes a number of days from 0 to " + std::to_string(kMostDays);
            }
        } else {
            options.error = "Unknown argument for " + flag + ": " + arg;
        }
    }
    if (options.error.empty()) {
        if (options.table.find('/') != std::string::npos) {
            options.error = "--table takes the name of a table in the data folder, not a path";
        } else if (std::filesystem::path(options.table).extension().empty()) {
            options.table += ".DAT";
        }
    }
    return options;
}

bool DataFolderFound(const std::string& folder, std::ostream& err) {
    std::error_code error;
    if (std::filesystem::is_directory(folder, error)) return true;
    err << "Data folder not found: " << folder << "\n";
    return false;
}

std::unique_ptr<larch::TLarchTable> OpenTableForReading(const std::string& folder, const std::string& table) {
    auto cursor = std::make_unique<larch::TLarchTable>();
    cursor->SetDatabaseName(std::filesystem::absolute(folder).string());
    cursor->SetTableName(table);
    cursor->SetIndexName("FirstName");
    cursor->SetReadOnly(true);
    cursor->Open();
    return cursor;
}

int ReadUpcomingEvents(const std::vector<std::string>& args, const std::string& flag, int defaultDays,
                       const TFolderChooser& chooseFolder, std::ostream& err, TTableCommandOptions& options,
                       std::vector<TUpcomingEvent>& events) {
    options = ParseTableCommandOptions(args, flag, defaultDays);
    if (!options.error.empty()) {
        err << "hollin: " << options.error << "\n";
        return kCommandBadUsage;
    }
    const std::string folder = chooseFolder(options.dataDir);
    if (!DataFolderFound(folder, err)) return kCommandFailed;
    try {
        auto table = OpenTableForReading(folder, options.table);
        events = UpcomingEvents(*table, Today(), options.days);
    } catch (const std::exception& e) {
        err << "Cannot read the table " << options.table << ": " << e.what() << "\n";
        return kCommandFailed;
    }
    return kCommandOk;
}

}  // namespace hollin
