// Reading CSV records (RFC 4180): the shell's .import and the program's CSV import.
#pragma once

#include <istream>
#include <string>
#include <vector>

namespace hollin::csv {

struct CsvRecord {
    int line = 0;  // the line the record starts on, from 1
    std::vector<std::string> fields;
    std::string error;  // not empty: the record is malformed (and its fields incomplete)
};

// Reads one record after another. Fields are separated by commas; a field in
// double quotes may hold commas, line breaks and doubled quotes. A record ends
// with LF or CRLF outside quotes. A quote that does not close before the end
// of the input, or text after a closing quote, makes the record malformed.
class CsvReader {
public:
    explicit CsvReader(std::istream& in) : m_in(in) {}
    // False at the end of the input.
    bool Next(CsvRecord& record);

private:
    std::istream& m_in;
    int m_line = 0;
};

}  // namespace hollin::csv
