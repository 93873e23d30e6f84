// Day numbers, "mm/dd/yyyy" texts and the fixed clock.
#include "dataset/date_time.h"

#include <gtest/gtest.h>

#include "dataset/dataset_errors.h"

namespace hollin {
namespace {

struct KnownDay {
    int year, month, day;
    int32_t number;
    const char* text;
};

TEST(DateTime, KnownDayNumbersEncodeDecodeAndFormat) {
    const KnownDay cases[] = {
        {1, 1, 1, 1, "01/01/0001"},
        {1899, 12, 30, 693594, "12/30/1899"},
        {1900, 3, 1, 693655, "03/01/1900"},   // 1900 has no 29 February
        {1970, 1, 1, 719163, "01/01/1970"},
        {2000, 2, 29, 730179, "02/29/2000"},
        {9999, 12, 31, 3652059, "12/31/9999"},
    };
    for (const KnownDay& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(EncodeDate(c.year, c.month, c.day), c.number);
        const TDateParts parts = DecodeDate(c.number);
        EXPECT_EQ(parts.year, c.year);
        EXPECT_EQ(parts.month, c.month);
        EXPECT_EQ(parts.day, c.day);
        EXPECT_EQ(FormatDate(c.number), c.text);
        int32_t parsed = 0;
        ASSERT_TRUE(TryParseDate(c.text, parsed));
        EXPECT_EQ(parsed, c.number);
    }
}

TEST(DateTime, EveryDayRoundTripsThroughItsText) {
    int32_t previous = 0;
    for (int32_t day = kMinDay; day <= kMaxDay; day += 17) {
        int32_t parsed = 0;
        ASSERT_TRUE(TryParseDate(FormatDate(day), parsed)) << day;
        ASSERT_EQ(parsed, day);
        const TDateParts p = DecodeDate(day);
        ASSERT_TRUE(IsValidDate(p.year, p.month, p.day)) << day;
        ASSERT_GT(day, previous);
        previous = day;
    }
}

TEST(DateTime, ParsingAcceptsShortMonthAndDayAndBlanks) {
    int32_t day = 0;
    ASSERT_TRUE(TryParseDate(" 1/2/2003 ", day));
    EXPECT_EQ(FormatDate(day), "01/02/2003");
}

TEST(DateTime, InvalidTextsAreRejected) {
    const char* invalid[] = {"13/45/2001", "02/29/2001", "02/30/2000", "00/10/2000", "10/00/2000",
                             "1/2", "", "ab/cd/efgh", "12/30/1899x", "12/30/99",
                             "12-30-1899", "12/30/18999", "123/1/2000", "01/01/0000"};
    for (const char* text : invalid) {
        int32_t day = 42;
        EXPECT_FALSE(TryParseDate(text, day)) << text;
        EXPECT_EQ(day, 42) << text;
    }
    EXPECT_THROW(EncodeDate(2001, 2, 29), EConvertError);
}

TEST(DateTime, TimesAndDateTimes) {
    int32_t ms = 0;
    ASSERT_TRUE(TryParseTime("7:05", ms));
    EXPECT_EQ(ms, (7 * 60 + 5) * 60000);
    EXPECT_EQ(FormatTime(ms), "07:05:00");
    EXPECT_FALSE(TryParseTime("24:00", ms));
    EXPECT_FALSE(TryParseTime("12:60", ms));
    EXPECT_FALSE(TryParseTime("12", ms));

    TDateTime value = 0;
    ASSERT_TRUE(TryParseDateTime("12/30/1899 13:14:15", value));
    EXPECT_EQ(DayOf(value), kDay18991230);
    EXPECT_EQ(MsOfDay(value), ((13 * 60 + 14) * 60 + 15) * 1000);
    EXPECT_EQ(FormatDateTime(value), "12/30/1899 13:14:15");
    EXPECT_EQ(FormatDateTime(kDay18991230), "12/30/1899");
    EXPECT_FALSE(TryParseDateTime("12/30/1899 25:00", value));
}

TEST(DateTime, TheClockCanBeFixedForTests) {
    const TDateTime moment = MakeDateTime(EncodeDate(2010, 3, 15), 12 * 3600000);
    SetClockForTesting(moment);
    EXPECT_EQ(Today(), EncodeDate(2010, 3, 15));
    EXPECT_DOUBLE_EQ(Now(), moment);
    SetClockForTesting(std::nullopt);
    // The real clock: some day after the year 2020.
    EXPECT_GT(Today(), EncodeDate(2020, 1, 1));
}

}  // namespace
}  // namespace hollin
