// Whole years between dates, the month of a date, and the status texts built
// from them.
#include <gtest/gtest.h>

#include "data/date_routines.h"
#include "data/record_status.h"
#include "dataset/date_time.h"

namespace hollin {
namespace {

struct YearsCase {
    TDateParts earlier, later;
    int years;
};

TEST(DateRoutines, YearsBetweenCountsOnTheAnniversaryDay) {
    const YearsCase cases[] = {
        {{2000, 3, 15}, {2010, 3, 14}, 9},
        {{2000, 3, 15}, {2010, 3, 15}, 10},
        {{2000, 2, 29}, {2025, 2, 28}, 24},
        {{2000, 2, 29}, {2025, 3, 1}, 25},
        {{2000, 2, 29}, {2004, 2, 29}, 4},
        {{2026, 12, 10}, {2026, 12, 10}, 0},
        {{2026, 12, 11}, {2026, 12, 10}, -1},
        {{1900, 12, 31}, {1901, 1, 1}, 0},
    };
    for (const YearsCase& c : cases) {
        int32_t from = EncodeDate(c.earlier.year, c.earlier.month, c.earlier.day);
        int32_t to = EncodeDate(c.later.year, c.later.month, c.later.day);
        EXPECT_EQ(YearsBetween(from, to), c.years) << FormatDate(from) << " to " << FormatDate(to);
    }
    EXPECT_EQ(MonthOfDate(EncodeDate(2024, 2, 29)), 2);
    EXPECT_EQ(MonthOfDate(EncodeDate(2024, 12, 1)), 12);
}

TEST(RecordStatus, SentencesAndCounter) {
    struct Case {
        const char* event;
        const char* name;
        int years;
        const char* sentence;
    };
    const Case cases[] = {
        {"Birthday", "Ann", 42, "Ann is 42 years old."},
        {"Birthday", "Ann", -1, "Ann is -1 years old."},
        {"Anniversary", "Ann", 12, "Ann were married 12 years ago."},
        {"Passing", "Empty", 10, "Empty Passed 10 years ago."},
        {"birthday", "Ann", 3, ""},
        {"Graduation", "Ann", 3, ""},
        {"Empty", "Ann", 0, ""},
    };
    for (const Case& c : cases) EXPECT_EQ(EventSentence(c.event, c.name, c.years), c.sentence) << c.event;

    EXPECT_EQ(RecordCounterText(3, 12), "Record 3 of 12");
    EXPECT_EQ(RecordCounterText(0, 0), "Table is Empty");
    EXPECT_EQ(ModeText(dsInsert), "Inserting");
    EXPECT_EQ(ModeText(dsEdit), "Editing");
    EXPECT_EQ(ModeText(dsBrowse), "");
}

}  // namespace
}  // namespace hollin
