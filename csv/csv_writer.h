// CSV output (RFC 4180) and the text form of field values: the shell's
// output and .export, and the program's CSV export.
#pragma once

#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "dataset/dataset.h"

namespace hollin::csv {

// One field as RFC 4180 writes it: in double quotes (inner quotes doubled)
// when it holds a comma, a double quote, a carriage return or a line feed.
std::string CsvField(const std::string& text);
// The fields joined with commas and ended with CRLF.
std::string CsvLine(const std::vector<std::string>& fields);

// The value of a field of the current record as the shell shows it; no value
// for NULL. Dates "mm/dd/yyyy", times "hh:mm:ss", timestamps "mm/dd/yyyy
// hh:mm:ss", booleans "True"/"False", floats in the shortest form that reads
// back to the same double, BCD with its scale, bytes as hexadecimal digits,
// memos as their text, other blobs "(BLOB n bytes)". A stored time or
// timestamp that is no moment (a damaged file: NaN, a day beyond the int32
// range, a time outside the day) shows as "(invalid time)" or "(invalid
// timestamp)": visible, and refused when read back by .import.
std::optional<std::string> FieldText(const hollin::TField& field);

// Writes a header line of the field names and one line per record, from the
// first record on, of every field but those leaveOut names; returns the
// number of rows written.
int WriteDataSet(hollin::TDataSet& dataSet, std::ostream& out,
                 const std::function<bool(const hollin::TField&)>& leaveOut = {});

}  // namespace hollin::csv
