// The calendar from the command line.
#include "cli/calendar_command.h"

#include <charconv>
#include <filesystem>
#include <optional>

#include "cli/offscreen_application.h"
#include "data/calendar_layout.h"
#include "dataset/date_time.h"
#include "views/calendar_painter.h"

namespace hollin {

namespace {

bool ParseYear(const std::string& text, int& year) {
    const char* end = text.data() + text.size();
    auto [stop, error] = std::from_chars(text.data(), end, year);
    return error == std::errc() && stop == end && year >= 1 && year <= 9999;
}

bool EndsWithPdf(const std::string& path) {
    std::string extension = std::filesystem::path(path).extension().string();
    for (char& c : extension) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    return extension == ".pdf";
}

}  // namespace

bool NamesCalendarCommand(const std::vector<std::string>& args) {
    for (std::size_t i = 0; i + 1 < args.size(); ++i) {
        if (args[i] == "--report" && args[i + 1] == "calendar") return true;
    }
    return false;
}

int RunCalendarCommand(const std::vector<std::string>& args, const TFolderChooser& chooseFolder, std::ostream& err) {
    // --year and --output are the calendar's own; the rest are the table options.
    std::vector<std::string> tableArgs;
    std::optional<std::string> yearText, output;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const bool valued = args[i] == "--year" || args[i] == "--output" || args[i] == "--report";
        if (valued && i + 1 < args.size()) {
            if (args[i] == "--year") yearText = args[i + 1];
            if (args[i] == "--output") output = args[i + 1];
            ++i;
        } else if (args[i] == "--days") {
            err << "hollin: --days is not an option of the calendar\n";
            return kCommandBadUsage;
        } else {
            tableArgs.push_back(args[i]);
        }
    }
    const TTableCommandOptions options = ParseTableCommandOptions(tableArgs, "--report", 0);
    int year = DecodeDate(Today()).year;
    std::string problem = options.error;
    if (problem.empty() && yearText && !ParseYear(*yearText, year)) problem = "--year takes a year from 1 to 9999";
    if (problem.empty() && (!output || output->empty())) problem = "The calendar needs --output FILE.pdf";
    if (problem.empty() && !EndsWithPdf(*output)) problem = "Cannot write '" + *output + "': the calendar is a .pdf file";
    if (!problem.empty()) {
        err << "hollin: " << problem << "\n";
        return kCommandBadUsage;
    }
    const std::string folder = chooseFolder(options.dataDir);
    if (!DataFolderFound(folder, err)) return kCommandFailed;
    // Fonts and PDF output need an application object.
    TOffscreenApplication app;
    try {
        std::vector<TUpcomingEvent> events;
        {
            auto table = OpenTableForReading(folder, options.table);
            events = EventsOfYear(*table, year);
        }
        ui::WriteCalendarPdf(events, year, options.table, *output);
    } catch (const std::exception& e) {
        err << "Cannot write the calendar: " << e.what() << "\n";
        return kCommandFailed;
    }
    return kCommandOk;
}

}  // namespace hollin
