// Day numbers, date and time texts, and the program's clock.
#include "dataset/date_time.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <limits>

#include "dataset/dataset_errors.h"

namespace hollin {
namespace {

// 01/01/1970 is day 719163 of our count; the civil-date algorithms below
// count days from 1970 (H. Hinnant's days_from_civil / civil_from_days).
constexpr int64_t kUnixEpochDay = 719163;

int64_t DaysFromCivil(int64_t y, int m, int d) {
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const int64_t yoe = y - era * 400;
    const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

TDateParts CivilFromDays(int64_t z) {
    z += 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const int64_t doe = z - era * 146097;
    const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int64_t mp = (5 * doy + 2) / 153;
    const int d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    const int m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    const int64_t y = yoe + era * 400 + (m <= 2);
    return {static_cast<int>(y), m, d};
}

int DaysInMonth(int year, int month) {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

// Reads minDigits..maxDigits decimal digits from the front of s.
bool TakeNumber(std::string_view& s, std::size_t minDigits, std::size_t maxDigits, int& value) {
    std::size_t n = 0;
    value = 0;
    while (n < s.size() && n < maxDigits && s[n] >= '0' && s[n] <= '9') {
        value = value * 10 + (s[n] - '0');
        ++n;
    }
    if (n < minDigits) return false;
    s.remove_prefix(n);
    return true;
}

bool TakeChar(std::string_view& s, char c) {
    if (s.empty() || s.front() != c) return false;
    s.remove_prefix(1);
    return true;
}

// NaN while the real clock runs.
std::atomic<double> g_fixedClock{std::numeric_limits<double>::quiet_NaN()};

}  // namespace

bool IsLeapYear(int year) { return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0); }

bool IsValidDate(int year, int month, int day) {
    return year >= 1 && year <= 9999 && month >= 1 && month <= 12 && day >= 1 &&
           day <= DaysInMonth(year, month);
}

bool TryEncodeDate(int year, int month, int day, int32_t& dayNumber) {
    if (!IsValidDate(year, month, day)) return false;
    dayNumber = static_cast<int32_t>(DaysFromCivil(year, month, day) + kUnixEpochDay);
    return true;
}

int32_t EncodeDate(int year, int month, int day) {
    int32_t result = 0;
    if (!TryEncodeDate(year, month, day, result)) {
        ConvertErrorFmt("Invalid argument to date encode: %s/%s/%s",
                        {std::to_string(month), std::to_string(day), std::to_string(year)});
    }
    return result;
}

TDateParts DecodeDate(int32_t dayNumber) {
    return CivilFromDays(static_cast<int64_t>(dayNumber) - kUnixEpochDay);
}

std::string FormatDate(int32_t dayNumber) {
    const TDateParts p = DecodeDate(dayNumber);
    char text[32];
    std::snprintf(text, sizeof text, "%02d/%02d/%04d", p.month, p.day, p.year);
    return text;
}

bool TryParseDate(std::string_view text, int32_t& dayNumber) {
    std::string_view s = Trim(text);
    int month = 0, day = 0, year = 0;
    if (!TakeNumber(s, 1, 2, month) || !TakeChar(s, '/') || !TakeNumber(s, 1, 2, day) ||
        !TakeChar(s, '/') || !TakeNumber(s, 4, 4, year) || !s.empty()) {
        return false;
    }
    return TryEncodeDate(year, month, day, dayNumber);
}

std::string FormatTime(int32_t msOfDay) {
    if (msOfDay < 0 || msOfDay >= kMsPerDay) msOfDay = 0;
    const int seconds = msOfDay / 1000;
    char text[16];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", seconds / 3600, seconds / 60 % 60,
                  seconds % 60);
    return text;
}

bool TryParseTime(std::string_view text, int32_t& msOfDay) {
    std::string_view s = Trim(text);
    int hour = 0, minute = 0, second = 0;
    if (!TakeNumber(s, 1, 2, hour) || !TakeChar(s, ':') || !TakeNumber(s, 2, 2, minute)) {
        return false;
    }
    if (!s.empty() && (!TakeChar(s, ':') || !TakeNumber(s, 2, 2, second))) return false;
    if (!s.empty() || hour > 23 || minute > 59 || second > 59) return false;
    msOfDay = ((hour * 60 + minute) * 60 + second) * 1000;
    return true;
}

int32_t DayOf(TDateTime value) {
    if (!std::isfinite(value) || value < INT32_MIN || value > INT32_MAX) return 0;
    return static_cast<int32_t>(std::floor(value));
}

int32_t MsOfDay(TDateTime value) {
    if (!std::isfinite(value)) return 0;
    const double ms = std::round((value - std::floor(value)) * kMsPerDay);
    return ms >= kMsPerDay ? kMsPerDay - 1 : static_cast<int32_t>(ms);
}

TDateTime MakeDateTime(int32_t dayNumber, int32_t msOfDay) {
    return dayNumber + static_cast<double>(msOfDay) / kMsPerDay;
}

bool TrySplitTimestamp(double ms, int32_t& dayNumber, int32_t& msOfDay) {
    if (!std::isfinite(ms)) return false;
    const double whole = std::round(ms);
    const double day = std::floor(whole / kMsPerDay);
    if (day < std::numeric_limits<int32_t>::min() || day > std::numeric_limits<int32_t>::max()) return false;
    // The remainder of a huge value loses precision; keep it inside the day.
    const double rest = std::clamp(whole - day * kMsPerDay, 0.0, double{kMsPerDay - 1});
    dayNumber = static_cast<int32_t>(day);
    msOfDay = static_cast<int32_t>(rest);
    return true;
}

std::string FormatDateTime(TDateTime value) {
    std::string result = FormatDate(DayOf(value));
    const int32_t ms = MsOfDay(value);
    if (ms / 1000 != 0) result += " " + FormatTime(ms);
    return result;
}

bool TryParseDateTime(std::string_view text, TDateTime& value) {
    std::string_view s = Trim(text);
    const std::size_t blank = s.find(' ');
    int32_t day = 0, ms = 0;
    if (!TryParseDate(s.substr(0, blank), day)) return false;
    if (blank != std::string_view::npos && !TryParseTime(s.substr(blank), ms)) return false;
    value = MakeDateTime(day, ms);
    return true;
}

TDateTime Now() {
    const double fixed = g_fixedClock.load();
    if (!std::isnan(fixed)) return fixed;
    const auto now = std::chrono::system_clock::now();
    const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    std::tm local{};
    localtime_r(&seconds, &local);
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch())
                        .count() % 1000;
    int32_t day = 0;
    TryEncodeDate(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, day);
    const int32_t msOfDay =
        ((local.tm_hour * 60 + local.tm_min) * 60 + std::min(local.tm_sec, 59)) * 1000 +
        static_cast<int32_t>(ms);
    return MakeDateTime(day, msOfDay);
}

int32_t Today() { return DayOf(Now()); }

void SetClockForTesting(std::optional<TDateTime> fixed) {
    g_fixedClock.store(fixed ? *fixed : std::numeric_limits<double>::quiet_NaN());
}

}  // namespace hollin
