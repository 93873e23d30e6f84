// CSV output of the shell and the text form of field values.
#include "csv/csv_writer.h"

#include <charconv>
#include <cmath>
#include <cstring>

#include "dataset/date_time.h"

namespace hollin::csv {


std::string CsvField(const std::string& text) {
    if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
    std::string quoted = "\"";
    for (char c : text) {
        if (c == '"') quoted += '"';
        quoted += c;
    }
    quoted += '"';
    return quoted;
}

std::string CsvLine(const std::vector<std::string>& fields) {
    std::string line;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (i) line += ',';
        line += CsvField(fields[i]);
    }
    line += "\r\n";
    return line;
}

namespace {

std::string ShortestDouble(double value) {
    char text[64];
    auto result = std::to_chars(text, text + sizeof text, value);
    return std::string(text, result.ptr);
}

std::string ScaledDecimal(int64_t scaled, int scale) {
    bool negative = scaled < 0;
    // The magnitude as unsigned, so that the smallest value negates safely.
    uint64_t magnitude = negative ? 0 - static_cast<uint64_t>(scaled) : static_cast<uint64_t>(scaled);
    std::string digits = std::to_string(magnitude);
    if (scale > 0) {
        if (digits.size() <= static_cast<std::size_t>(scale)) digits.insert(0, scale + 1 - digits.size(), '0');
        digits.insert(digits.size() - static_cast<std::size_t>(scale), ".");
    }
    return negative ? "-" + digits : digits;
}

std::string Hex(const std::vector<uint8_t>& bytes) {
    static const char digits[] = "0123456789ABCDEF";
    std::string text;
    for (uint8_t b : bytes) {
        text += digits[b >> 4];
        text += digits[b & 15];
    }
    return text;
}

}  // namespace

std::optional<std::string> FieldText(const TField& field) {
    if (field.IsNull()) return std::nullopt;
    switch (field.DataType()) {
        case ftString:
            return field.AsString();
        case ftSmallint:
        case ftInteger:
        case ftWord:
        case ftAutoInc:
            return std::to_string(field.AsInteger());
        case ftBoolean:
            return field.AsBoolean() ? "True" : "False";
        case ftFloat:
        case ftCurrency:
            return ShortestDouble(field.AsFloat());
        case ftBCD: {
            int64_t scaled = 0;
            field.GetData(&scaled);
            return ScaledDecimal(scaled, field.Size());
        }
        case ftDate:
            return FormatDate(field.AsDate());
        case ftTime: {
            int32_t ms = 0;
            field.GetData(&ms);
            if (ms < 0 || ms >= kMsPerDay) return "(invalid time)";
            return FormatTime(ms);
        }
        case ftDateTime: {
            double ms = 0;
            field.GetData(&ms);
            int32_t day = 0, msOfDay = 0;
            if (!TrySplitTimestamp(ms, day, msOfDay)) return "(invalid timestamp)";
            return FormatDate(day) + " " + FormatTime(msOfDay);
        }
        case ftBytes:
        case ftVarBytes:
            return Hex(field.AsBytes());
        case ftMemo:
        case ftFmtMemo: {
            std::vector<uint8_t> bytes = field.AsBytes();
            return std::string(bytes.begin(), bytes.end());
        }
        default:
            return "(BLOB " + std::to_string(field.AsBytes().size()) + " bytes)";
    }
}

int WriteDataSet(TDataSet& dataSet, std::ostream& out, const std::function<bool(const TField&)>& leaveOut) {
    std::vector<const TField*> fields;
    for (int i = 0; i < dataSet.FieldCount(); ++i) {
        const TField& field = dataSet.Fields()[i];
        if (!leaveOut || !leaveOut(field)) fields.push_back(&field);
    }
    std::vector<std::string> names;
    for (const TField* field : fields) names.push_back(field->FieldName());
    out << CsvLine(names);
    int rows = 0;
    for (dataSet.First(); !dataSet.Eof(); dataSet.Next()) {
        std::vector<std::string> values;
        for (const TField* field : fields) values.push_back(FieldText(*field).value_or(""));
        out << CsvLine(values);
        ++rows;
    }
    return rows;
}

}  // namespace hollin::csv
