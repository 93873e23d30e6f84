// The bound date edit: today on entering an edit of an empty date and for
// an emptied box; text that is no date refused.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCalendarWidget>
#include <QLineEdit>
#include <QTest>

#include "controls/db_date_edit.h"
#include "dataset/dataset_errors.h"
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

TEST_F(DBDateEditTest, AnEmptiedBoxPostsTodayAndADatePostsItself) {
    const struct {
        const char* typed;
        const char* stored;
    } cases[] = {
        {"", "03/15/2024"},
        {"7/4/2001", "07/04/2001"},
        {"02/29/2020", "02/29/2020"},
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

// Text that is no date is refused by name: the record stays in Edit with its
// stored date, the box keeps the text and the focus, as for an empty
// required field.
TEST_F(DBDateEditTest, TextThatIsNoDateIsRefusedAndKeptInTheBox) {
    QWidget window;
    TDBDateEdit box(&window);
    box.SetDataSource(&data.source);
    box.SetDataField("EventDate");
    QLineEdit other(&window);
    other.move(0, 40);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    QApplication::setActiveWindow(&window);
    for (const char* typed : {"02/30/2020", "13/01/2020", "13/45/2001", "2/3/20"}) {
        SCOPED_TRACE(typed);
        data.table->Edit();
        box.setFocus();
        box.selectAll();
        QTest::keyClick(&box, Qt::Key_Backspace);
        QTest::keyClicks(&box, typed);
        other.setFocus();  // leaving the box keeps the text as typed
        EXPECT_EQ(box.text(), typed);
        try {
            data.table->Post();
            ADD_FAILURE() << "posted";
        } catch (const EConvertError& e) {
            EXPECT_EQ(std::string(e.what()), std::string(typed) + " is not a valid date");
        }
        EXPECT_EQ(data.table->State(), dsEdit);
        EXPECT_EQ(box.text(), typed);
        EXPECT_TRUE(box.hasFocus());
        EXPECT_EQ(data.StoredValues("EventDate"), "09/03/1999");
        data.table->Cancel();
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
