// The export as a command.
#include "cli/export_command.h"

#include <filesystem>

#include "cli/transfer_options.h"
#include "data/icalendar_writer.h"
#include "data/vcard_writer.h"
#include "dataset/date_time.h"
#include "report/report_file.h"

namespace hollin {

namespace {

// The file's text for the records, by its type.
std::string ExportText(const TTransferOptions& options, const std::vector<TTransferRecord>& records) {
    if (options.extension == ".vcf") return VCardText(records, options.table.table);
    TICalendarOptions ics;
    ics.calendarName = options.table.table;
    ics.ages = options.ages;
    ics.remindDays = options.remindDays;
    ics.today = Today();
    ics.stamp = UtcStamp();
    return ICalendarText(records, ics);
}

}  // namespace

int RunExportCommand(const std::vector<std::string>& args, const TFolderChooser& chooseFolder, std::ostream& out,
                     std::ostream& err) {
    const TTransferOptions options = ParseTransferOptions(args, "--export", {".ics", ".vcf"});
    if (!options.error.empty()) {
        err << "hollin: " << options.error << "\n";
        return kCommandBadUsage;
    }
    const std::string folder = chooseFolder(options.table.dataDir);
    if (!DataFolderFound(folder, err)) return kCommandFailed;
    std::vector<TTransferRecord> records;
    try {
        auto table = OpenTableForReading(folder, options.table.table);
        records = ReadTransferRecords(*table, options.extension == ".vcf");
    } catch (const std::exception& e) {
        err << "Cannot read the table " << options.table.table << ": " << e.what() << "\n";
        return kCommandFailed;
    }
    try {
        const std::string text = ExportText(options, records);
        report::TReportFile file(options.file);
        if (file.Device().write(text.data(), static_cast<qint64>(text.size())) != static_cast<qint64>(text.size())) {
            throw std::runtime_error("Cannot write file " + options.file);
        }
        file.Commit();
    } catch (const std::exception& e) {
        err << e.what() << "\n";
        return kCommandFailed;
    }
    out << "Exported " << records.size() << (records.size() == 1 ? " record" : " records") << " to " << options.file
        << "\n";
    return kCommandOk;
}

}  // namespace hollin
