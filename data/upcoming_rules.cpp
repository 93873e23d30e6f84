// Next occurrences, milestone counts and their sentences.
#include "data/upcoming_rules.h"

#include "dataset/date_time.h"

namespace hollin {

namespace {

constexpr int kLastYear = 9999;

// The event's month and day in `year`; 29 February is 1 March in a common year.
int32_t OccurrenceIn(const TDateParts& event, int year) {
    if (event.month == 2 && event.day == 29 && !IsLeapYear(year)) return EncodeDate(year, 3, 1);
    return EncodeDate(year, event.month, event.day);
}

const std::string& OrEmpty(const std::string& text) {
    static const std::string kEmpty = "Empty";
    return text.empty() ? kEmpty : text;
}

}  // namespace

std::optional<int32_t> NextOccurrence(int32_t eventDate, int32_t from) {
    if (eventDate >= from) return eventDate;
    const TDateParts event = DecodeDate(eventDate);
    const int year = DecodeDate(from).year;
    if (year < 1 || year > kLastYear) return std::nullopt;
    const int32_t thisYear = OccurrenceIn(event, year);
    if (thisYear >= from) return thisYear;
    if (year == kLastYear) return std::nullopt;
    return OccurrenceIn(event, year + 1);
}

std::string Ordinal(int n) {
    const int lastTwo = n % 100;
    const char* suffix = "th";
    if (lastTwo < 11 || lastTwo > 13) {
        switch (n % 10) {
            case 1: suffix = "st"; break;
            case 2: suffix = "nd"; break;
            case 3: suffix = "rd"; break;
            default: break;
        }
    }
    return std::to_string(n) + suffix;
}

bool IsRoundMilestone(const std::string& event, int years) {
    if (years <= 0) return false;
    return years % 10 == 0 || (event == "Anniversary" && years == 25);
}

std::string AnniversaryName(int years) {
    switch (years) {
        case 25: return "silver";
        case 40: return "ruby";
        case 50: return "golden";
        case 60: return "diamond";
        default: return "";
    }
}

std::string MilestoneSentence(const std::string& event, const std::string& name, int years) {
    const std::string& who = OrEmpty(name);
    const std::string& what = OrEmpty(event);
    if (what == "Birthday") return years == 0 ? who + " is born" : who + " turns " + std::to_string(years);
    if (what == "Anniversary") {
        if (years == 0) return who + ": wedding day";
        const std::string traditional = AnniversaryName(years);
        return who + ": " + Ordinal(years) + " anniversary" + (traditional.empty() ? "" : " (" + traditional + ")");
    }
    if (what == "Passing") {
        if (years == 0) return who + ": day of passing";
        return who + ": " + std::to_string(years) + (years == 1 ? " year" : " years") + " since passing";
    }
    if (years == 0) return who + ": " + what;
    return who + ": " + what + ", " + std::to_string(years) + (years == 1 ? " year" : " years");
}

std::string DaysToGoText(int days) {
    if (days == 0) return "today";
    if (days == 1) return "tomorrow";
    return "in " + std::to_string(days) + " days";
}

int WeekdayOf(int32_t dayNumber) {
    // Day 1, 1 January of year 1, was a Monday.
    const int rest = dayNumber % 7;
    return rest < 0 ? rest + 7 : rest;
}

std::string WeekdayAbbreviation(int32_t dayNumber) {
    static const char* const kNames[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    return kNames[WeekdayOf(dayNumber)];
}

std::string DateWithWeekday(int32_t dayNumber) { return WeekdayAbbreviation(dayNumber) + " " + FormatDate(dayNumber); }

}  // namespace hollin
