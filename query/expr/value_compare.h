// Reading node values as numbers and comparing them by type, with the
// comparison language for strings.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "query/expr/expression_eval.h"
#include "query/expr/expression_node.h"

namespace larch {

// Milliseconds per day, the unit step between dates and timestamps.
constexpr double kMsPerDayF = 86400000.0;

// Compares two strings under `language`: negative, 0 or positive. Case-
// sensitive over the whole strings unless asked otherwise; `prefixLength`
// (0: whole strings) compares only that many leading characters of both.
// Language 0 compares unsigned bytes, upper-casing ASCII letters first when
// case-insensitive. Other languages are compared the same way: the program's
// tables all use language 0, and byte order is the one order every
// language-0 index already uses.
int CompareStrings(std::string_view a, std::string_view b, const CompareLanguage& language,
                   bool caseInsensitive = false, std::size_t prefixLength = 0);

// Case mapping under `language` (ASCII letters only, for every language, as
// with the comparison above).
std::string UpperCase(std::string_view text, const CompareLanguage& language);
std::string LowerCase(std::string_view text, const CompareLanguage& language);

// The node's value as a whole number (small integer, integer, word, date,
// time, boolean; floats and timestamps truncated; BCD without its fraction).
int64_t WholeValue(const TExpressionNode& node);
// The node's value as a float (BCD divided by 10 000; a date as its day
// number).
double FloatValue(const TExpressionNode& node);
// The truth of a boolean value: any non-zero value is true (null ignored).
bool BooleanValue(const TExpressionNode& node);

// Compares the stored values of two nodes by their data types, without
// looking at the null flags: strings by CompareStrings, numbers as numbers
// (BCD against other numbers scaled by 10 000), a date against a timestamp
// as the timestamp of the date's midnight, booleans by truth. Negative, 0 or
// positive.
int CompareNodeValues(const TExpressionNode& a, const TExpressionNode& b, const CompareLanguage& language);

}  // namespace larch
