// How the shell prints a result: the output modes of .mode (csv, list, line,
// column, table, json) with the settings of .headers, .separator and
// .nullvalue. The default, CSV with a header line, is what scripts read:
// CRLF line ends and RFC 4180 quoting.
#pragma once

#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "dataset/dataset.h"

namespace larch::shell {

enum class OutputMode { Csv, List, Line, Column, Table, Json };

struct OutputSettings {
    OutputMode mode = OutputMode::Csv;
    bool headers = true;           // csv, list and column print the field names first
    std::string separator = "|";   // between the values of list mode
    std::string nullValue;         // how NULL shows (json writes null)
};

// The mode of a .mode or option word ("csv", "table", ...); none when unknown.
std::optional<OutputMode> ModeByName(const std::string& name);
// The names of every mode, for messages: "csv|list|line|column|table|json".
const char* ModeNames();

// One column of a result: its name and whether its values are numbers
// (right-aligned in column and table mode, bare in json).
struct ResultColumn {
    std::string name;
    bool numeric = false;
};

// Prints a result as the settings ask. Begin, then Row for each record,
// then End; column and table keep the rows until End to measure them.
class ResultPrinter {
public:
    ResultPrinter(const OutputSettings& settings, std::ostream& out) : m_settings(settings), m_out(out) {}
    void Begin(std::vector<ResultColumn> columns);
    void Row(const std::vector<std::optional<std::string>>& values);
    void End();
    int Rows() const { return m_rows; }

private:
    std::string Shown(const std::optional<std::string>& value) const;
    void PrintAligned();

    const OutputSettings m_settings;  // a copy: a .mode during the print changes nothing
    std::ostream& m_out;
    std::vector<ResultColumn> m_columns;
    std::vector<std::vector<std::string>> m_kept;  // column and table rows
    int m_rows = 0;
};

// Prints every record of a data set from the first on; returns the number
// of rows.
int PrintDataSet(hollin::TDataSet& dataSet, const OutputSettings& settings, std::ostream& out);

}  // namespace larch::shell
