// Reading CSV records for the shell's import.
#include "csv/csv_reader.h"

namespace hollin::csv {

bool CsvReader::Next(CsvRecord& record) {
    record = CsvRecord{};
    std::string line;
    if (!std::getline(m_in, line)) return false;
    record.line = ++m_line;
    std::string field;
    bool quoted = false;      // inside a quoted field
    bool wasQuoted = false;   // the current field was quoted and has closed
    std::size_t i = 0;
    while (true) {
        if (i >= line.size() || (!quoted && line[i] == '\r' && i + 1 == line.size())) {
            if (quoted) {
                // The quoted field goes on in the next line.
                std::string next;
                if (!std::getline(m_in, next)) {
                    record.error = "unterminated quoted field";
                    record.fields.push_back(field);
                    return true;
                }
                ++m_line;
                field += '\n';
                line = std::move(next);
                i = 0;
                continue;
            }
            record.fields.push_back(field);
            return true;
        }
        char c = line[i++];
        if (quoted) {
            if (c != '"') {
                field += c;
            } else if (i < line.size() && line[i] == '"') {
                field += '"';
                ++i;
            } else {
                quoted = false;
                wasQuoted = true;
            }
        } else if (c == ',') {
            record.fields.push_back(field);
            field.clear();
            wasQuoted = false;
        } else if (wasQuoted) {
            if (record.error.empty()) record.error = "text after a closing quote";
        } else if (c == '"' && field.empty()) {
            quoted = true;
        } else {
            field += c;
        }
    }
}

}  // namespace hollin::csv
