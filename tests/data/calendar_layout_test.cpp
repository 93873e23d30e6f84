// The printable calendar's months: the Sunday-first grid of a leap February
// and of a month that starts on Sunday, the short entry texts, the year's
// events from a table, and the entries a cell cannot hold.
#include <gtest/gtest.h>

#include "data/calendar_layout.h"
#include "data/dm2.h"
#include "dataset/date_time.h"
#include "tests/engine/test_folder.h"
#include "tests/support/event_cursor.h"

namespace hollin {
namespace {

TUpcomingEvent Event(const std::string& name, const std::string& event, int32_t date, int years, bool round = false) {
    TUpcomingEvent e;
    e.firstName = name;
    e.event = event;
    e.date = date;
    e.years = years;
    e.round = round;
    return e;
}

TEST(CalendarLayout, GridsStartOnSunday) {
    struct Case {
        int year, month;
        std::size_t cells;
        std::size_t firstDayCell;
        std::string title;
    };
    const Case cases[] = {
        {2028, 2, 35, 2, "February 2028"},  // Tuesday the 1st, 29 days
        {2026, 2, 28, 0, "February 2026"},  // Sunday the 1st, four whole weeks
        {2026, 5, 42, 5, "May 2026"},       // Friday the 1st, 31 days: six weeks
        {2026, 12, 35, 2, "December 2026"},
    };
    for (const Case& c : cases) {
        const TCalendarMonth page = CalendarMonth({}, c.year, c.month, 3);
        EXPECT_EQ(page.title, c.title);
        ASSERT_EQ(page.cells.size(), c.cells) << c.title;
        EXPECT_EQ(page.cells[c.firstDayCell].day, 1) << c.title;
        if (c.firstDayCell > 0) {
            EXPECT_EQ(page.cells[c.firstDayCell - 1].day, 0) << c.title;
        }
    }
    const TCalendarMonth leap = CalendarMonth({}, 2028, 2, 3);
    EXPECT_EQ(leap.cells[30].day, 29);
    EXPECT_EQ(leap.cells[31].day, 0);
}

TEST(CalendarLayout, EntryTexts) {
    const int32_t day = EncodeDate(2026, 12, 14);
    const std::pair<TUpcomingEvent, std::string> cases[] = {
        {Event("Ann", "Birthday", day, 43), "Ann 43"},
        {Event("Lee & Ann", "Anniversary", day, 25), "Lee & Ann 25th"},
        {Event("Bo", "Passing", day, 7), "Bo passing 7"},
        {Event("Cy", "Graduation", day, 10), "Cy Graduation 10"},
        {Event("Ann", "Birthday", day, 0), "Ann born"},
        {Event("Ann", "Anniversary", day, 0), "Ann wedding day"},
        {Event("", "", day, 3), "Empty Empty 3"},
    };
    for (const auto& [event, text] : cases) EXPECT_EQ(CalendarEntryText(event), text);
}

TEST(CalendarLayout, CellsHoldWhatFitsTheRestGoesUnderTheGrid) {
    const int32_t day = EncodeDate(2026, 12, 14);
    const std::vector<TUpcomingEvent> year = {
        Event("Ann", "Birthday", EncodeDate(2026, 11, 30), 40, true),  // another month
        Event("Dave", "Birthday", day, 90, true), Event("Eve", "Birthday", day, 31), Event("Fay", "Birthday", day, 32),
        Event("Gus", "Birthday", day, 33),        Event("Hal", "Birthday", EncodeDate(2026, 12, 15), 34),
    };
    const TCalendarMonth page = CalendarMonth(year, 2026, 12, 3);
    const TCalendarCell& full = page.cells[2 + 13];
    ASSERT_EQ(full.day, 14);
    ASSERT_EQ(full.entries.size(), 2u);
    EXPECT_EQ(full.entries[0].text, "Dave 90");
    EXPECT_TRUE(full.entries[0].round);
    EXPECT_EQ(full.more, 2);
    ASSERT_EQ(page.overflow.size(), 2u);
    EXPECT_EQ(page.overflow[0].text, "12/14 Fay 32");
    EXPECT_EQ(page.overflow[1].text, "12/14 Gus 33");
    const TCalendarCell& next = page.cells[2 + 14];
    EXPECT_EQ(next.entries.size(), 1u);
    EXPECT_EQ(next.more, 0);
    EXPECT_EQ(CalendarMonth(year, 2026, 12, 4).cells[2 + 13].entries.size(), 4u);  // exactly fits
}

TEST(CalendarLayout, EventsOfYearFromATable) {
    larch::testing::TestFolder folder;
    Tdm2::CreateTables(folder.path());
    auto table = larch::testing::EventCursor(folder.path());
    table->Open();
    larch::testing::AddEvent(*table, "Leap", "A", "Birthday", EncodeDate(2000, 2, 29));
    larch::testing::AddEvent(*table, "Eve", "B", "Birthday", EncodeDate(1990, 12, 31));
    larch::testing::AddEvent(*table, "Later", "C", "Birthday", EncodeDate(2030, 1, 1));
    const std::vector<TUpcomingEvent> events = EventsOfYear(*table, 2027);
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(FormatDate(events[0].date), "03/01/2027");
    EXPECT_EQ(events[0].years, 27);
    EXPECT_EQ(FormatDate(events[1].date), "12/31/2027");
}

}  // namespace
}  // namespace hollin
