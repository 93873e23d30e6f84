// The month query of the data module: its text, the month wrapping around
// the year, live rows, and another table.
#include <gtest/gtest.h>

#include "data/dm2.h"
#include "data/event_schema.h"
#include "dataset/date_time.h"
#include "tests/engine/test_folder.h"
#include "tests/support/event_cursor.h"

namespace hollin {
namespace {

using larch::testing::AddEvent;
using larch::testing::EventCursor;
using larch::testing::TestFolder;

std::vector<std::string> FirstNames(TDataSet& dataSet) {
    std::vector<std::string> names;
    for (dataSet.First(); !dataSet.Eof(); dataSet.Next()) names.push_back(dataSet.FieldByName("FirstName").AsString());
    return names;
}

class MonthQuery : public ::testing::Test {
protected:
    void SetUp() override {
        Tdm2::CreateTables(folder.path());
        auto table = EventCursor(folder.path());
        table->Open();
        AddEvent(*table, "Jan", "A", "Birthday", EncodeDate(1990, 1, 5));
        AddEvent(*table, "Dec", "B", "Birthday", EncodeDate(1980, 12, 24));
        AddEvent(*table, "Leap", "C", "Birthday", EncodeDate(2000, 2, 29));
        AddEvent(*table, "Nov", "D", "Passing", EncodeDate(2001, 11, 2));
        AddEvent(*table, "Dec2", "E", "Anniversary", EncodeDate(1999, 12, 1));
    }
    void TearDown() override { SetClockForTesting(std::nullopt); }

    void Today(int year, int month, int day) { SetClockForTesting(MakeDateTime(EncodeDate(year, month, day), 0)); }

    TestFolder folder;
};

TEST_F(MonthQuery, MonthsWrapAroundTheYear) {
    Tdm2 dm2(folder.path());
    dm2.dm2Create();
    EXPECT_EQ(Tdm2::MonthQueryText("Hollin.dat"),
              "SELECT FirstName, LastName, Event, EventDate FROM \"Hollin.dat\" WHERE EXTRACT(MONTH FROM EventDate)=(:Today)");

    struct Case {
        int month, offset;
        std::vector<std::string> names;
    };
    const Case cases[] = {
        {12, 0, {"Dec", "Dec2"}}, {12, 1, {"Jan"}}, {12, -1, {"Nov"}},
        {1, -1, {"Dec", "Dec2"}}, {1, 1, {"Leap"}}, {3, -1, {"Leap"}},
    };
    for (const Case& c : cases) {
        Today(2026, c.month, 10);
        dm2.RunSql(c.offset);
        EXPECT_EQ(dm2.Larchq.ParamByName("Today").AsInteger(), c.month + c.offset == 13 ? 1
                                                                : c.month + c.offset == 0 ? 12 : c.month + c.offset);
        // Rows in the order the records were added.
        EXPECT_EQ(FirstNames(dm2.Larchq), c.names) << c.month << " " << c.offset;
    }
    dm2.RunSql(-1);
    dm2.RunSql(-1);
    EXPECT_EQ(FirstNames(dm2.Larchq), std::vector<std::string>{"Leap"});
}

TEST_F(MonthQuery, LiveRowsChangeTheTable) {
    Today(2026, 12, 10);
    Tdm2 dm2(folder.path());
    dm2.dm2Create();
    dm2.RunSql(0);
    ASSERT_TRUE(dm2.Larchq.CanModify());
    dm2.Larchq.First();
    dm2.Larchq.Edit();
    dm2.Larchq.FieldByName("LastName").SetAsString("Changed");
    dm2.Larchq.Post();
    dm2.Larchq.Close();

    auto reader = EventCursor(folder.path(), "LastName");
    reader->Open();
    reader->FindNearest({TFieldValue(std::string("Changed"))});
    EXPECT_EQ(reader->FieldByName("FirstName").AsString(), "Dec");
}

TEST_F(MonthQuery, RunsOverTheTableTheCursorHasOpen) {
    Today(2026, 12, 10);
    {
        larch::TLarchTable work;
        work.SetDatabaseName(folder.path());
        work.SetTableName("Work.DAT");
        CreateEventTable(work, kUserTableIndexCount);
        work.SetIndexName("FirstName");
        work.Open();
        AddEvent(work, "Worker", "W", "Birthday", EncodeDate(1970, 12, 31));
    }
    Tdm2 dm2(folder.path());
    dm2.dm2Create();
    dm2.Larchtbl.Close();
    dm2.Larchtbl.SetTableName("Work.DAT");
    dm2.Larchtbl.Open();
    dm2.RunSql(0);
    EXPECT_EQ(FirstNames(dm2.Larchq), std::vector<std::string>{"Worker"});
}

}  // namespace
}  // namespace hollin
