// The bound date edit: today on entering an edit of an empty date, and
// today for text that is no date.
#include <gtest/gtest.h>

#include <QCalendarWidget>
#include <QTest>

#include "controls/db_date_edit.h"
#include "dataset/date_time.h"
#include "tests/controls/bound_table.h"

namespace hollin::ui {
namespace {

using testing::TBoundTable;

class DBDateEditTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetClockForTesting(MakeDateTime(EncodeDate(2024, 3, 15), 0));
        edit.SetDataSource(&data.source);
        edit.SetDataField("EventDate");
    }
    void TearDown() override { SetClockForTesting(std::nullopt); }

    TBoundTable data{{"Ann"}};
    TDBDateEdit edit;
};

TEST_F(DBDateEditTest, InsertFillsToday) {
    EXPECT_EQ(edit.text(), "09/03/1999");  // day 730000
    EXPECT_TRUE(edit.isReadOnly());
    data.table->Insert();
    EXPECT_EQ(data.table->FieldByName("EventDate").AsString(), "03/15/2024");
    EXPECT_EQ(edit.text(), "03/15/2024");
    EXPECT_FALSE(edit.isReadOnly());
}

TEST_F(DBDateEditTest, EditKeepsADate) {
    data.table->Edit();
    EXPECT_EQ(data.table->FieldByName("EventDate").AsString(), "09/03/1999");
    EXPECT_FALSE(data.table->Modified());
}

TEST_F(DBDateEditTest, TextThatIsNoDatePostsToday) {
    const struct {
        const char* typed;
        const char* stored;
    } cases[] = {
        {"13/45/2001", "03/15/2024"},
        {"", "03/15/2024"},
        {"02/30/2001", "03/15/2024"},
        {"7/4/2001", "07/04/2001"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed);
        data.table->Edit();
        edit.selectAll();
        QTest::keyClick(&edit, Qt::Key_Backspace);
        QTest::keyClicks(&edit, c.typed);
        data.table->Post();
        EXPECT_EQ(data.StoredValues("EventDate"), c.stored);
        EXPECT_EQ(edit.text(), c.stored);
    }
}

TEST_F(DBDateEditTest, CalendarStartsOnSundayWithSaturdayAsWeekend) {
    QCalendarWidget* calendar = edit.Calendar();
    EXPECT_EQ(calendar->firstDayOfWeek(), Qt::Sunday);
    EXPECT_EQ(calendar->weekdayTextFormat(Qt::Sunday).foreground(),
              calendar->weekdayTextFormat(Qt::Monday).foreground());
    EXPECT_NE(calendar->weekdayTextFormat(Qt::Saturday).foreground(),
              calendar->weekdayTextFormat(Qt::Monday).foreground());
}

}  // namespace
}  // namespace hollin::ui
