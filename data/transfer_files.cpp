// Dispatch by file type.
#include "data/transfer_files.h"

#include <filesystem>
#include <sstream>
#include <stdexcept>

#include "csv/csv_writer.h"
#include "data/csv_import.h"
#include "data/vcard_import.h"
#include "data/vcard_text.h"
#include "data/vcard_writer.h"
#include "dataset/cursor_keeper.h"

namespace hollin {

std::optional<TTransferFormat> FormatOfFile(const std::string& path) {
    const std::string extension = AsciiLower(std::filesystem::path(path).extension().string());
    if (extension == ".vcf") return TTransferFormat::VCard;
    if (extension == ".ics") return TTransferFormat::ICalendar;
    if (extension == ".csv") return TTransferFormat::Csv;
    return std::nullopt;
}

TImportReport ImportText(larch::TLarchTable& table, TTransferFormat format, std::string_view text,
                         TPhotoConverter* converter, const TImportProgress& progress) {
    TImportReport report;
    std::vector<TTransferRecord> records;
    switch (format) {
        case TTransferFormat::VCard: records = RecordsOfVCards(text, converter, report); break;
        case TTransferFormat::Csv: records = RecordsOfCsv(text, report); break;
        case TTransferFormat::ICalendar: throw std::invalid_argument("A calendar file cannot be imported");
    }
    WriteImportRecords(table, records, report, progress);
    return report;
}

std::string ExportText(TDataSet& dataSet, TTransferFormat format, const TICalendarOptions& ics, int& count) {
    if (format == TTransferFormat::Csv) {
        std::ostringstream out;
        TCursorKeeper keeper(dataSet);
        TDataSet::TFetchRun oneReadLock(dataSet);
        count = csv::WriteDataSet(dataSet, out, [](const TField& field) { return field.FieldName() == "Photo"; });
        return out.str();
    }
    const std::vector<TTransferRecord> records = ReadTransferRecords(dataSet, format == TTransferFormat::VCard);
    count = static_cast<int>(records.size());
    if (format == TTransferFormat::VCard) return VCardText(records, ics.calendarName);
    return ICalendarText(records, ics);
}

}  // namespace hollin
