// The upcoming list over a table: the window of days, the order of a day's
// entries, records left out, the cursor's filter, and the cursor's record.
#include <gtest/gtest.h>

#include "data/dm2.h"
#include "data/upcoming_list.h"
#include "dataset/date_time.h"
#include "tests/engine/test_folder.h"
#include "tests/support/event_cursor.h"

namespace hollin {
namespace {

using larch::testing::AddEvent;
using larch::testing::EventCursor;
using larch::testing::TestFolder;

class UpcomingList : public ::testing::Test {
protected:
    void SetUp() override {
        SetClockForTesting(MakeDateTime(EncodeDate(2026, 12, 30), 0));
        {
            // A table whose EventDate may be empty, as a table made elsewhere can be.
            larch::TLarchTable creator;
            creator.SetDatabaseName(folder.path());
            creator.SetTableName("Hollin.DAT");
            larch::testing::DefineEventTable(creator);
            creator.FieldDefs().Find("EventDate")->SetRequired(false);
            creator.CreateTable();
        }
        table = EventCursor(folder.path());
        table->Open();
        AddEvent(*table, "ann", "Zed", "Birthday", EncodeDate(1990, 12, 30));     // today
        AddEvent(*table, "Bob", "adams", "Birthday", EncodeDate(1980, 1, 2));     // 01/02
        AddEvent(*table, "Cy", "Adams", "Anniversary", EncodeDate(2002, 1, 2));   // 01/02, silver
        AddEvent(*table, "al", "Adams", "Birthday", EncodeDate(2000, 1, 2));      // 01/02
        AddEvent(*table, "Al", "Adams", "Passing", EncodeDate(2017, 1, 2));       // 01/02, same names
        AddEvent(*table, "Out", "Late", "Birthday", EncodeDate(1990, 1, 7));      // one day too late
        AddEvent(*table, "Due", "Soon", "Birthday", EncodeDate(2027, 1, 5));      // still to come
        AddEvent(*table, "Past", "Day", "Birthday", EncodeDate(1990, 12, 29));    // next year
        table->Insert();  // a record without a date
        table->FieldByName("FirstName").SetAsString("NoDate");
        table->FieldByName("LastName").SetAsString("X");
        table->FieldByName("Event").SetAsString("Birthday");
        table->Post();
    }
    void TearDown() override { SetClockForTesting(std::nullopt); }

    std::vector<std::string> Lines(int days) {
        std::vector<std::string> lines;
        for (const TUpcomingEvent& e : UpcomingEvents(*table, Today(), days)) {
            lines.push_back(FormatDate(e.date) + " " + std::to_string(e.daysToGo) + " " + e.milestone +
                            (e.round ? " *" : "") + " #" + std::to_string(e.indexField));
        }
        return lines;
    }

    TestFolder folder;
    std::unique_ptr<larch::TLarchTable> table;
};

TEST_F(UpcomingList, SoonestFirstThenNamesIgnoringCaseThenKey) {
    const std::vector<std::string> expected = {
        "12/30/2026 0 ann turns 36 #1",
        "01/02/2027 3 al turns 27 #4",
        "01/02/2027 3 Al: 10 years since passing * #5",
        "01/02/2027 3 Bob turns 47 #2",
        "01/02/2027 3 Cy: 25th anniversary (silver) * #3",
        "01/05/2027 6 Due is born #7",
    };
    EXPECT_EQ(Lines(7), expected);
    EXPECT_EQ(Lines(0), std::vector<std::string>{"12/30/2026 0 ann turns 36 #1"});
    EXPECT_EQ(Lines(8).size(), 7u);  // 01/07 joins
    EXPECT_TRUE(Lines(-1).empty());
}

TEST_F(UpcomingList, FollowsTheFilterAndKeepsTheRecord) {
    table->SetFilter("Event = 'Birthday'");
    table->SetFiltered(true);
    ASSERT_TRUE(table->Locate("FirstName", {TFieldValue(std::string("Cy"))}) == false);
    ASSERT_TRUE(table->Locate("FirstName", {TFieldValue(std::string("Bob"))}));
    const std::vector<std::string> expected = {
        "12/30/2026 0 ann turns 36 #1",
        "01/02/2027 3 al turns 27 #4",
        "01/02/2027 3 Bob turns 47 #2",
        "01/05/2027 6 Due is born #7",
    };
    EXPECT_EQ(Lines(7), expected);
    EXPECT_EQ(table->FieldByName("FirstName").AsString(), "Bob");
}

TEST(UpcomingListEmpty, EmptyTableGivesNothing) {
    TestFolder empty;
    Tdm2::CreateTables(empty.path());
    auto table = EventCursor(empty.path());
    table->Open();
    EXPECT_TRUE(UpcomingEvents(*table, EncodeDate(2026, 1, 1), 365).empty());
}

}  // namespace
}  // namespace hollin
