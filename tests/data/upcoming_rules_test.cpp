// The rules of the upcoming events as a table: the next occurrence (29
// February, the turn of the year, today, tomorrow, a date still to come),
// the years it marks, the milestone sentence and whether it is round.
#include <gtest/gtest.h>

#include "data/date_routines.h"
#include "data/upcoming_rules.h"
#include "dataset/date_time.h"

namespace hollin {
namespace {

int32_t D(int year, int month, int day) { return EncodeDate(year, month, day); }

struct OccurrenceCase {
    const char* what;
    int32_t eventDate, from, expected;
    std::string event, name;
    int years;
    std::string sentence;
    bool round;
};

TEST(UpcomingRules, NextOccurrenceYearsSentenceAndRound) {
    const OccurrenceCase cases[] = {
        {"later this month", D(1983, 3, 10), D(2026, 3, 1), D(2026, 3, 10), "Birthday", "Ann", 43, "Ann turns 43", false},
        {"29 Feb in a common year falls on 1 March", D(2000, 2, 29), D(2025, 2, 20), D(2025, 3, 1), "Birthday", "Lee", 25,
         "Lee turns 25", false},
        {"29 Feb in a leap year", D(2000, 2, 29), D(2028, 2, 20), D(2028, 2, 29), "Birthday", "Lee", 28, "Lee turns 28",
         false},
        {"29 Feb on 1 March of a common year is today", D(2000, 2, 29), D(2025, 3, 1), D(2025, 3, 1), "Birthday", "Lee",
         25, "Lee turns 25", false},
        {"29 Feb just passed in a common year", D(2000, 2, 29), D(2025, 3, 2), D(2026, 3, 1), "Birthday", "Lee", 26,
         "Lee turns 26", false},
        {"28 Feb is not moved", D(2000, 2, 28), D(2025, 2, 28), D(2025, 2, 28), "Birthday", "Kim", 25, "Kim turns 25",
         false},
        {"late December looks into January", D(1990, 1, 2), D(2026, 12, 30), D(2027, 1, 2), "Birthday", "Jo", 37,
         "Jo turns 37", false},
        {"31 December on 31 December", D(1990, 12, 31), D(2026, 12, 31), D(2026, 12, 31), "Birthday", "Jo", 36,
         "Jo turns 36", false},
        {"dated today", D(2026, 6, 15), D(2026, 6, 15), D(2026, 6, 15), "Birthday", "Ann", 0, "Ann is born", false},
        {"tomorrow, golden", D(1976, 6, 16), D(2026, 6, 15), D(2026, 6, 16), "Anniversary", "Ann", 50,
         "Ann: 50th anniversary (golden)", true},
        {"yesterday comes next year", D(2016, 6, 14), D(2026, 6, 15), D(2027, 6, 14), "Passing", "Ann", 11,
         "Ann: 11 years since passing", false},
        {"a date still to come occurs on itself", D(2027, 1, 5), D(2026, 6, 15), D(2027, 1, 5), "Anniversary", "Ann", 0,
         "Ann: wedding day", false},
        {"passing on its day", D(2026, 6, 20), D(2026, 6, 15), D(2026, 6, 20), "Passing", "Ann", 0,
         "Ann: day of passing", false},
        {"other event, round", D(2016, 6, 20), D(2026, 6, 15), D(2026, 6, 20), "Graduation", "Ann", 10,
         "Ann: Graduation, 10 years", true},
        {"other event on its day", D(2026, 6, 20), D(2026, 6, 15), D(2026, 6, 20), "Graduation", "Ann", 0,
         "Ann: Graduation", false},
        {"event compared exactly", D(2016, 6, 20), D(2026, 6, 15), D(2026, 6, 20), "birthday", "Ann", 10,
         "Ann: birthday, 10 years", true},
        {"one year", D(2025, 6, 20), D(2026, 6, 15), D(2026, 6, 20), "Passing", "Ann", 1, "Ann: 1 year since passing",
         false},
        {"empty fields read Empty", D(2016, 6, 20), D(2026, 6, 15), D(2026, 6, 20), "", "", 10,
         "Empty: Empty, 10 years", true},
        {"silver", D(2001, 7, 1), D(2026, 6, 15), D(2026, 7, 1), "Anniversary", "Lee & Ann", 25,
         "Lee & Ann: 25th anniversary (silver)", true},
        {"25 is round only for anniversaries", D(2001, 7, 1), D(2026, 6, 15), D(2026, 7, 1), "Birthday", "Lee", 25,
         "Lee turns 25", false},
        {"ruby", D(1986, 7, 1), D(2026, 6, 15), D(2026, 7, 1), "Anniversary", "Bo", 40, "Bo: 40th anniversary (ruby)",
         true},
        {"diamond", D(1966, 7, 1), D(2026, 6, 15), D(2026, 7, 1), "Anniversary", "Bo", 60,
         "Bo: 60th anniversary (diamond)", true},
        {"not round", D(2003, 7, 1), D(2026, 6, 15), D(2026, 7, 1), "Anniversary", "Bo", 23, "Bo: 23rd anniversary",
         false},
        {"round birthday", D(1936, 12, 14), D(2026, 12, 11), D(2026, 12, 14), "Birthday", "Dave", 90, "Dave turns 90",
         true},
        {"round passing", D(1996, 7, 1), D(2026, 6, 15), D(2026, 7, 1), "Passing", "Bo", 30,
         "Bo: 30 years since passing", true},
    };
    for (const OccurrenceCase& c : cases) {
        SCOPED_TRACE(c.what);
        const std::optional<int32_t> next = NextOccurrence(c.eventDate, c.from);
        ASSERT_TRUE(next.has_value());
        EXPECT_EQ(FormatDate(*next), FormatDate(c.expected));
        EXPECT_EQ(YearsBetween(c.eventDate, *next), c.years);
        EXPECT_EQ(MilestoneSentence(c.event, c.name, c.years), c.sentence);
        EXPECT_EQ(IsRoundMilestone(c.event, c.years), c.round);
    }
}

TEST(UpcomingRules, NoOccurrenceBeyondTheLastDay) {
    EXPECT_FALSE(NextOccurrence(D(9990, 1, 1), D(9999, 12, 31)).has_value());
    EXPECT_EQ(NextOccurrence(D(9990, 12, 31), D(9999, 12, 31)), D(9999, 12, 31));
}

TEST(UpcomingRules, OrdinalSuffixes) {
    const std::pair<int, const char*> cases[] = {
        {1, "1st"},   {2, "2nd"},   {3, "3rd"},   {4, "4th"},     {10, "10th"},   {11, "11th"},
        {12, "12th"}, {13, "13th"}, {21, "21st"}, {22, "22nd"},   {23, "23rd"},   {101, "101st"},
        {111, "111th"}, {112, "112th"}, {113, "113th"}, {122, "122nd"},
    };
    for (const auto& [n, text] : cases) EXPECT_EQ(Ordinal(n), text) << n;
}

TEST(UpcomingRules, DaysToGoAndWeekdays) {
    EXPECT_EQ(DaysToGoText(0), "today");
    EXPECT_EQ(DaysToGoText(1), "tomorrow");
    EXPECT_EQ(DaysToGoText(12), "in 12 days");
    const std::pair<int32_t, const char*> days[] = {
        {D(2025, 12, 14), "Sun"}, {D(2025, 12, 15), "Mon"}, {D(2026, 7, 4), "Sat"}, {D(1, 1, 1), "Mon"},
    };
    for (const auto& [day, name] : days) EXPECT_EQ(WeekdayAbbreviation(day), name) << FormatDate(day);
}

}  // namespace
}  // namespace hollin
