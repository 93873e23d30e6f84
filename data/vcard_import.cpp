// Reading, mapping and writing the cards of a vCard file.
#include "data/vcard_import.h"

#include <fstream>
#include <sstream>
#include <stdexcept>

#include "data/vcard_mapping.h"
#include "data/vcard_reader.h"

namespace hollin {

std::vector<TTransferRecord> RecordsOfVCards(std::string_view text, TPhotoConverter* converter, TImportReport& report) {
    const TVCardFile file = ReadVCards(text);
    report.sourceName = "card";
    report.sources += static_cast<int>(file.cards.size());
    for (const TVCardProblem& problem : file.broken) {
        if (problem.card) ++report.sources;
        report.skipped.push_back({problem.line, skip::kBroken, problem.reason});
    }
    std::vector<TTransferRecord> records;
    for (const TVCard& card : file.cards) {
        TCardRecords mapped = MapVCard(card, converter);
        for (TTransferRecord& record : mapped.records) records.push_back(std::move(record));
        report.skipped.insert(report.skipped.end(), mapped.skipped.begin(), mapped.skipped.end());
        report.notes.insert(report.notes.end(), mapped.notes.begin(), mapped.notes.end());
    }
    return records;
}

TImportReport ImportVCards(larch::TLarchTable& table, std::string_view text, TPhotoConverter* converter,
                           const TImportProgress& progress) {
    TImportReport report;
    const std::vector<TTransferRecord> records = RecordsOfVCards(text, converter, report);
    WriteImportRecords(table, records, report, progress);
    return report;
}

std::string ReadWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("Cannot read " + path);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    if (in.bad()) throw std::runtime_error("Cannot read " + path);
    return bytes.str();
}

}  // namespace hollin
