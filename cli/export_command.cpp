// The export as a command.
#include "cli/export_command.h"

#include "cli/transfer_options.h"
#include "data/transfer_files.h"
#include "dataset/date_time.h"
#include "report/report_file.h"

namespace hollin {

void WriteExportFile(const std::string& path, const std::string& text) {
    report::TReportFile file(path);
    if (file.Device().write(text.data(), static_cast<qint64>(text.size())) != static_cast<qint64>(text.size())) {
        throw std::runtime_error("Cannot write file " + path);
    }
    file.Commit();
}

int RunExportCommand(const std::vector<std::string>& args, const TFolderChooser& chooseFolder, std::ostream& out,
                     std::ostream& err) {
    const TTransferOptions options = ParseTransferOptions(args, "--export", {".ics", ".vcf", ".csv"});
    if (!options.error.empty()) {
        err << "hollin: " << options.error << "\n";
        return kCommandBadUsage;
    }
    const std::string folder = chooseFolder(options.table.dataDir);
    if (!DataFolderFound(folder, err)) return kCommandFailed;
    TICalendarOptions ics;
    ics.calendarName = options.table.table;
    ics.ages = options.ages;
    ics.remindDays = options.remindDays;
    ics.today = Today();
    ics.stamp = UtcStamp();
    std::string text;
    int count = 0;
    try {
        auto table = OpenTableForReading(folder, options.table.table);
        text = ExportText(*table, *FormatOfFile(options.file), ics, count);
    } catch (const std::exception& e) {
        err << "Cannot read the table " << options.table.table << ": " << e.what() << "\n";
        return kCommandFailed;
    }
    try {
        WriteExportFile(options.file, text);
    } catch (const std::exception& e) {
        err << e.what() << "\n";
        return kCommandFailed;
    }
    out << "Exported " << count << (count == 1 ? " record" : " records") << " to " << options.file << "\n";
    return kCommandOk;
}

}  // namespace hollin
