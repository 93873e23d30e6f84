// Dates as whole day numbers, times of day, their "mm/dd/yyyy" text form, and
// the one clock of the program (which tests can stop at a fixed moment).
//
// Day numbers count from 1 January of year 1 (day 1) in the proleptic
// Gregorian calendar, so 30 December 1899 is day 693594 and 31 December 9999
// is day 3652059. A TDateTime is a day number plus the time of day as a
// fraction of a day.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace hollin {

using TDateTime = double;

constexpr int32_t kMsPerDay = 86400000;
constexpr int32_t kDay18991230 = 693594;
constexpr int32_t kMinDay = 1;         // 01/01/0001
constexpr int32_t kMaxDay = 3652059;   // 12/31/9999

struct TDateParts {
    int year = 0;
    int month = 0;
    int day = 0;
};

bool IsLeapYear(int year);
// Whether y/m/d is a date of years 1 to 9999.
bool IsValidDate(int year, int month, int day);
// The day number of a valid date; false (and day untouched) otherwise.
bool TryEncodeDate(int year, int month, int day, int32_t& dayNumber);
// As TryEncodeDate; throws EConvertError for an invalid date.
int32_t EncodeDate(int year, int month, int day);
// Year, month and day of any day number (also outside 1..kMaxDay).
TDateParts DecodeDate(int32_t dayNumber);

// "mm/dd/yyyy" with leading zeros.
std::string FormatDate(int32_t dayNumber);
// Accepts "m/d/yyyy" with one or two digits for month and day and four for
// the year, blanks around it allowed. False for anything else or a date that
// does not exist (02/30/2001, 13/45/2001).
bool TryParseDate(std::string_view text, int32_t& dayNumber);

// Milliseconds since midnight as "hh:mm:ss" (24 hours).
std::string FormatTime(int32_t msOfDay);
// Accepts "h:mm" or "h:mm:ss" (hours 0-23); false otherwise.
bool TryParseTime(std::string_view text, int32_t& msOfDay);

// The day's date, followed by " hh:mm:ss" unless the time is midnight.
std::string FormatDateTime(TDateTime value);
// A date, optionally followed by blanks and a time.
bool TryParseDateTime(std::string_view text, TDateTime& value);

// Splits a TDateTime into its day number and milliseconds since midnight.
int32_t DayOf(TDateTime value);
int32_t MsOfDay(TDateTime value);
TDateTime MakeDateTime(int32_t dayNumber, int32_t msOfDay);
// A timestamp's stored form (milliseconds since the start of day 0, rounded
// to whole milliseconds) split into its day number and milliseconds of that
// day. False for a value that is no moment: NaN, infinite, or a day beyond
// the int32 range. Values read from files pass through here before they are
// converted, because a damaged file can hold any double.
bool TrySplitTimestamp(double ms, int32_t& dayNumber, int32_t& msOfDay);

// The local date and time, or the fixed moment set for tests.
TDateTime Now();
int32_t Today();
// Fixes the clock at a moment (tests); std::nullopt returns to the real clock.
void SetClockForTesting(std::optional<TDateTime> fixed);

}  // namespace hollin
