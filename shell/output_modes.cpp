// The shell's output modes.
#include "shell/output_modes.h"

#include <algorithm>
#include <cstdio>

#include "csv/csv_writer.h"

namespace larch::shell {

using namespace hollin;
using namespace hollin::csv;

namespace {

struct ModeName {
    const char* name;
    OutputMode mode;
};
constexpr ModeName kModes[] = {{"csv", OutputMode::Csv},       {"list", OutputMode::List},
                               {"line", OutputMode::Line},     {"column", OutputMode::Column},
                               {"table", OutputMode::Table},   {"json", OutputMode::Json}};

// The width of a text on a terminal: its UTF-8 characters, not its bytes,
// so that "Zoë" keeps the columns in line.
std::size_t Width(const std::string& text) {
    return static_cast<std::size_t>(
        std::count_if(text.begin(), text.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

std::string Padded(const std::string& text, std::size_t width, bool right) {
    std::string fill(width - std::min(width, Width(text)), ' ');
    return right ? fill + text : text + fill;
}

std::string JsonString(const std::string& text) {
    std::string quoted = "\"";
    for (char c : text) {
        switch (c) {
            case '"': quoted += "\\\""; break;
            case '\\': quoted += "\\\\"; break;
            case '\n': quoted += "\\n"; break;
            case '\r': quoted += "\\r"; break;
            case '\t': quoted += "\\t"; break;
            default:
                if (static_cast<unsigned char>(c) < 0x20) {
                    char escape[8];
                    std::snprintf(escape, sizeof escape, "\\u%04x", static_cast<unsigned>(c));
                    quoted += escape;
                } else {
                    quoted += c;
                }
        }
    }
    return quoted + '"';
}

// A number as JSON writes it; an infinite or undefined float is no JSON
// number and goes as a string.
std::string JsonValue(const std::optional<std::string>& value, bool numeric) {
    if (!value) return "null";
    bool finite = value->find_first_of("in") == std::string::npos;
    return numeric && finite ? *value : JsonString(*value);
}

bool IsNumeric(TFieldType type) {
    switch (type) {
        case ftSmallint:
        case ftInteger:
        case ftWord:
        case ftAutoInc:
        case ftFloat:
        case ftCurrency:
        case ftBCD: return true;
        default: return false;
    }
}

}  // namespace

std::optional<OutputMode> ModeByName(const std::string& name) {
    for (const ModeName& m : kModes) {
        if (name == m.name) return m.mode;
    }
    return std::nullopt;
}

const char* ModeNames() { return "csv|list|line|column|table|json"; }

std::string ResultPrinter::Shown(const std::optional<std::string>& value) const {
    return value ? *value : m_settings.nullValue;
}

void ResultPrinter::Begin(std::vector<ResultColumn> columns) {
    m_columns = std::move(columns);
    m_kept.clear();
    m_rows = 0;
    std::vector<std::string> names;
    for (const ResultColumn& c : m_columns) names.push_back(c.name);
    if (!m_settings.headers) return;
    if (m_settings.mode == OutputMode::Csv) {
        m_out << CsvLine(names);
    } else if (m_settings.mode == OutputMode::List) {
        for (std::size_t i = 0; i < names.size(); ++i) m_out << (i ? m_settings.separator : "") << names[i];
        m_out << '\n';
    }
}

void ResultPrinter::Row(const std::vector<std::optional<std::string>>& values) {
    const bool first = m_rows++ == 0;
    switch (m_settings.mode) {
        case OutputMode::Csv: {
            std::vector<std::string> fields;
            for (const auto& v : values) fields.push_back(Shown(v));
            m_out << CsvLine(fields);
            break;
        }
        case OutputMode::List:
            for (std::size_t i = 0; i < values.size(); ++i) m_out << (i ? m_settings.separator : "") << Shown(values[i]);
            m_out << '\n';
            break;
        case OutputMode::Line: {
            std::size_t width = 0;
            for (const ResultColumn& c : m_columns) width = std::max(width, Width(c.name));
            if (!first) m_out << '\n';
            for (std::size_t i = 0; i < values.size(); ++i) {
                m_out << Padded(m_columns[i].name, width, true) << " = " << Shown(values[i]) << '\n';
            }
            break;
        }
        case OutputMode::Json:
            m_out << (first ? "[{" : ",\n{");
            for (std::size_t i = 0; i < values.size(); ++i) {
                m_out << (i ? "," : "") << JsonString(m_columns[i].name) << ':'
                      << JsonValue(values[i], m_columns[i].numeric);
            }
            m_out << '}';
            break;
        case OutputMode::Column:
        case OutputMode::Table: {
            std::vector<std::string> row;
            for (const auto& v : values) row.push_back(Shown(v));
            m_kept.push_back(std::move(row));
            break;
        }
    }
}

void ResultPrinter::End() {
    if (m_settings.mode == OutputMode::Json && m_rows > 0) m_out << "]\n";
    if (m_settings.mode == OutputMode::Column || m_settings.mode == OutputMode::Table) PrintAligned();
}

// Column mode: the names, a line of dashes under each, then the rows, two
// blanks between columns. Table mode: the same in a frame of "+-|", with the
// names always. Numbers are right-aligned; a result without rows prints
// nothing, as in the other modes that do not stream.
void ResultPrinter::PrintAligned() {
    if (m_kept.empty()) return;
    const bool table = m_settings.mode == OutputMode::Table;
    const bool headers = table || m_settings.headers;
    std::vector<std::size_t> widths;
    for (const ResultColumn& c : m_columns) widths.push_back(headers ? Width(c.name) : 0);
    for (const auto& row : m_kept) {
        for (std::size_t i = 0; i < row.size(); ++i) widths[i] = std::max(widths[i], Width(row[i]));
    }
    auto line = [&](const std::vector<std::string>& cells, bool isHeader) {
        std::string text = table ? "| " : "";
        for (std::size_t i = 0; i < cells.size(); ++i) {
            if (i) text += table ? " | " : "  ";
            text += Padded(cells[i], widths[i], !isHeader && m_columns[i].numeric);
        }
        if (table) text += " |";
        else text.erase(text.find_last_not_of(' ') + 1);
        m_out << text << '\n';
    };
    auto rule = [&] {
        std::string text;
        for (std::size_t i = 0; i < widths.size(); ++i) {
            if (table) text += '+' + std::string(widths[i] + 2, '-');
            else text += (i ? "  " : "") + std::string(widths[i], '-');
        }
        m_out << text << (table ? "+" : "") << '\n';
    };
    if (table) rule();
    if (headers) {
        std::vector<std::string> names;
        for (const ResultColumn& c : m_columns) names.push_back(c.name);
        line(names, true);
        rule();
    }
    for (const auto& row : m_kept) line(row, false);
    if (table) rule();
    m_kept.clear();
}

int PrintDataSet(TDataSet& dataSet, const OutputSettings& settings, std::ostream& out) {
    ResultPrinter printer(settings, out);
    std::vector<ResultColumn> columns;
    for (int i = 0; i < dataSet.FieldCount(); ++i) {
        const TField& field = dataSet.Fields()[i];
        columns.push_back({field.FieldName(), IsNumeric(field.DataType())});
    }
    printer.Begin(std::move(columns));
    std::vector<std::optional<std::string>> values;
    for (dataSet.First(); !dataSet.Eof(); dataSet.Next()) {
        values.clear();
        for (int i = 0; i < dataSet.FieldCount(); ++i) values.push_back(FieldText(dataSet.Fields()[i]));
        printer.Row(values);
    }
    printer.End();
    return printer.Rows();
}

}  // namespace larch::shell
