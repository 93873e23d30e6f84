// CSV rows to records.
#include "data/csv_import.h"

#include <sstream>

#include "csv/csv_reader.h"
#include "data/vcard_text.h"
#include "dataset/date_time.h"

namespace hollin {

namespace {

// The text fields a column may name; IndexField and Photo are known but not read.
struct TColumnField {
    const char* name;
    std::string TTransferRecord::*member;
};

const TColumnField kTextFields[] = {
    {"FirstName", &TTransferRecord::firstName}, {"MiddleName", &TTransferRecord::middleName},
    {"LastName", &TTransferRecord::lastName},   {"Event", &TTransferRecord::event},
    {"Notes", &TTransferRecord::notes},         {"Phone", &TTransferRecord::phone},
    {"PhoneFax", &TTransferRecord::phoneFax},   {"CellPhone", &TTransferRecord::cellPhone},
    {"Email", &TTransferRecord::email},         {"Website", &TTransferRecord::website},
    {"Zip", &TTransferRecord::zip},             {"State", &TTransferRecord::state},
    {"City", &TTransferRecord::city},           {"Address", &TTransferRecord::address},
};

struct TColumn {
    std::string TTransferRecord::*member = nullptr;  // a text field
    bool date = false;                                // EventDate
};

bool ParseCsvDate(const std::string& text, int32_t& day) {
    if (text.size() == 10 && text[4] == '-' && text[7] == '-') {
        const std::string digits = text.substr(0, 4) + text.substr(5, 2) + text.substr(8, 2);
        if (digits.find_first_not_of("0123456789") != std::string::npos) return false;
        return TryEncodeDate(std::stoi(digits.substr(0, 4)), std::stoi(digits.substr(4, 2)),
                             std::stoi(digits.substr(6, 2)), day);
    }
    return TryParseDate(text, day);
}

std::string Trimmed(std::string text) {
    text.erase(0, text.find_first_not_of(" \t"));
    text.erase(text.find_last_not_of(" \t") + 1);
    return text;
}

}  // namespace

std::vector<TTransferRecord> RecordsOfCsv(std::string_view text, TImportReport& report) {
    report.sourceName = "row";
    if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
    std::istringstream in{std::string(text)};
    csv::CsvReader reader(in);
    csv::CsvRecord header;
    std::vector<TTransferRecord> records;
    if (!reader.Next(header)) return records;
    if (!header.error.empty()) {
        report.skipped.push_back({1, skip::kBroken, "header line: " + header.error});
        return records;
    }
    std::vector<TColumn> columns;
    for (const std::string& raw : header.fields) {
        const std::string name = AsciiLower(Trimmed(raw));
        TColumn& column = columns.emplace_back();
        for (const TColumnField& field : kTextFields) {
            if (AsciiLower(field.name) == name) column.member = field.member;
        }
        column.date = name == "eventdate";
        if (!column.member && !column.date && name != "indexfield" && name != "photo") {
            report.notes.push_back({1, "", "unknown column \"" + Trimmed(raw) + "\" left out"});
        }
    }
    csv::CsvRecord row;
    while (reader.Next(row)) {
        if (row.fields.size() == 1 && row.fields[0].empty() && row.error.empty()) continue;  // a blank line
        ++report.sources;
        if (!row.error.empty() || row.fields.size() != columns.size()) {
            const std::string why = !row.error.empty() ? row.error
                                                       : "expected " + std::to_string(columns.size()) + " fields, found " +
                                                             std::to_string(row.fields.size());
            report.skipped.push_back({row.line, skip::kBroken, why});
            continue;
        }
        TTransferRecord record;
        record.line = row.line;
        bool dated = false;
        for (std::size_t i = 0; i < columns.size(); ++i) {
            if (columns[i].member) record.*columns[i].member = row.fields[i];
            if (columns[i].date) dated = ParseCsvDate(Trimmed(row.fields[i]), record.eventDate);
        }
        const std::string who = " (" + record.firstName + " " + record.lastName + ")";
        if (record.firstName.empty() || record.lastName.empty()) {
            report.skipped.push_back({row.line, skip::kWithoutName, "row without a first and last name" + who});
        } else if (!dated) {
            report.skipped.push_back({row.line, skip::kWithoutDate, "row without a date" + who});
        } else if (record.event.empty()) {
            report.skipped.push_back({row.line, skip::kBroken, "row without an event" + who});
        } else {
            records.push_back(std::move(record));
        }
    }
    return records;
}

}  // namespace hollin
