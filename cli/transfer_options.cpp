// --import/--export FILE, --ages, --remind; the rest is the table's.
#include "cli/transfer_options.h"

#include <algorithm>
#include <charconv>
#include <filesystem>

#include "data/vcard_text.h"

namespace hollin {

namespace {

constexpr int kMostAges = 100;
constexpr int kMostRemindDays = 365;

bool ParseCount(const std::string& text, int most, int& value) {
    const char* end = text.data() + text.size();
    auto [stop, error] = std::from_chars(text.data(), end, value);
    return error == std::errc() && stop == end && value >= 0 && value <= most;
}

}  // namespace

TTransferOptions ParseTransferOptions(const std::vector<std::string>& args, const std::string& flag,
                                      const std::vector<std::string>& allowed) {
    TTransferOptions options;
    std::vector<std::string> rest;
    const bool exporting = flag == "--export";
    for (std::size_t i = 0; i < args.size() && options.error.empty(); ++i) {
        const std::string& arg = args[i];
        const bool takesValue = arg == flag || (exporting && (arg == "--ages" || arg == "--remind"));
        if (!takesValue) {
            // --days belongs to other commands.
            if (arg == "--days") options.error = "Unknown argument for " + flag + ": " + arg;
            rest.push_back(arg);
            continue;
        }
        if (i + 1 >= args.size() || args[i + 1].empty()) {
            options.error = "Option " + arg + " needs a value";
            break;
        }
        const std::string& value = args[++i];
        if (arg == flag) {
            options.file = value;
        } else if (arg == "--ages" && (!ParseCount(value, kMostAges, options.ages) || options.ages == 0)) {
            options.error = "--ages takes a number of years from 1 to " + std::to_string(kMostAges);
        } else if (arg == "--remind" && !ParseCount(value, kMostRemindDays, options.remindDays)) {
            options.error = "--remind takes a number of days from 0 to " + std::to_string(kMostRemindDays);
        }
    }
    if (options.error.empty()) {
        options.table = ParseTableCommandOptions(rest, flag, 0);
        options.error = options.table.error;
    }
    if (options.error.empty()) {
        options.extension = AsciiLower(std::filesystem::path(options.file).extension().string());
        if (std::find(allowed.begin(), allowed.end(), options.extension) == allowed.end()) {
            std::string list;
            for (const std::string& e : allowed) list += (list.empty() ? "" : ", ") + e;
            options.error = flag + " takes a " + list + " file";
        } else if (!exporting || options.extension != ".ics") {
            if (options.ages > 0) options.error = "--ages is for an .ics export";
            if (options.remindDays >= 0) options.error = "--remind is for an .ics export";
        }
    }
    return options;
}

}  // namespace hollin
