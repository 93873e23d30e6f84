// The navigator: its buttons, enable rules, actions and the Click signal.
#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QToolButton>

#include "controls/db_navigator.h"
#include "controls/navigator_glyphs.h"
#include "controls/message_box.h"
#include "tests/controls/bound_table.h"

namespace hollin::ui {
namespace {

using testing::TBoundTable;
using B = TNavigateBtn;

// The enabled buttons as a string of ten flags, First..Refresh.
std::string Enabled(const TDBNavigator& navigator) {
    std::string flags;
    for (int i = 0; i < TDBNavigator::kButtonCount; ++i) {
        flags += navigator.ButtonEnabled(static_cast<B>(i)) ? '1' : '0';
    }
    return flags;
}

// One step on a bound table and the buttons enabled after it.
struct EnableCase {
    const char* name;
    TBoundTable& data;
    std::function<void(TDataSet&)> step;
    const char* enabled;  // First Prior Next Last Insert Delete Edit Post Cancel Refresh
};

// Runs the steps in order, the navigator bound to each case's table.
void ExpectEnabled(TDBNavigator& navigator, const std::vector<EnableCase>& cases) {
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        navigator.SetDataSource(&c.data.source);
        c.step(*c.data.table);
        EXPECT_EQ(Enabled(navigator), c.enabled);
    }
}

TEST(DBNavigatorTest, ButtonsInOrderWithNamesAndHints) {
    TDBNavigator navigator;
    const char* names[] = {"nbFirst", "nbPrior", "nbNext", "nbLast", "nbInsert",
                           "nbDelete", "nbEdit", "nbPost", "nbCancel", "nbRefresh"};
    const char* hints[] = {"First record", "Prior record", "Next record", "Last record", "Insert record",
                           "Delete record", "Edit record", "Post edit", "Cancel edit", "Refresh data"};
    navigator.resize(240, 22);
    navigator.show();
    int left = -1;
    for (int i = 0; i < TDBNavigator::kButtonCount; ++i) {
        auto* button = navigator.findChild<QToolButton*>(names[i]);
        ASSERT_NE(button, nullptr) << names[i];
        EXPECT_EQ(button, navigator.Button(static_cast<B>(i)));
        EXPECT_EQ(button->toolTip(), hints[i]);
        EXPECT_GT(button->x(), left);
        EXPECT_EQ(button->width(), 24);
        left = button->x();
    }
    EXPECT_EQ(navigator.focusPolicy(), Qt::StrongFocus);
    EXPECT_EQ(Enabled(navigator), "0000000000");  // no data source
}

// On a screen scaled to 200 % a glyph is drawn with twice the pixels: the
// edge of the bar of "First" (x = 3.5 with its pen) falls on a whole screen
// pixel instead of being the 16-pixel glyph's half-covered pixel enlarged.
TEST(DBNavigatorTest, GlyphsAreSharpOnAScaledScreen) {
    const QIcon icon = NavigatorGlyph(TNavigateBtn::nbFirst, QPalette());
    const QImage normal = icon.pixmap(QSize(16, 16), 1.0).toImage();
    const QImage doubled = icon.pixmap(QSize(16, 16), 2.0).toImage();
    ASSERT_EQ(doubled.size(), QSize(32, 32));
    EXPECT_LT(normal.pixelColor(3, 8).alpha(), 200);  // half covered at 16 pixels
    EXPECT_EQ(doubled.pixelColor(7, 16).alpha(), 255);
    EXPECT_EQ(doubled.pixelColor(6, 16).alpha(), 0);
}

TEST(DBNavigatorTest, EnableRules) {
    TBoundTable empty;
    TBoundTable three({"Ann", "Bob", "Cid"});
    TDBNavigator navigator;
    ExpectEnabled(navigator, {
        {"empty", empty, [](TDataSet&) {}, "0000101001"},
        {"first", three, [](TDataSet& d) { d.First(); }, "0011111001"},
        {"middle", three, [](TDataSet& d) { d.Next(); }, "1111111001"},
        {"last", three, [](TDataSet& d) { d.Last(); }, "1100111001"},
        {"editing", three, [](TDataSet& d) { d.Edit(); }, "1100010110"},
        // Cancelling the unchanged edit re-reads the records: neither end.
        {"inserting", three, [](TDataSet& d) { d.Insert(); }, "1111000110"},
        {"closed", three, [](TDataSet& d) { d.Close(); }, "0000000000"},
    });
}

// The ends are where the record stands, also when no move hit them: after a
// Post, a search or a filter the end flags are both false.
TEST(DBNavigatorTest, EndsAreKnownAfterPostSearchAndFilter) {
    TBoundTable empty;
    TBoundTable none;
    TBoundTable three({"Ann", "Bob", "Cid"});
    TDBNavigator navigator;
    auto locate = [](const char* name) {
        return [name](TDataSet& d) { d.Locate("FirstName", {TFieldValue(std::string(name))}); };
    };
    ExpectEnabled(navigator, {
        {"empty table", empty, [](TDataSet&) {}, "0000101001"},
        {"only record, posted", none,
         [](TDataSet& d) {
             d.Insert();
             d.FieldByName("FirstName").SetAsString("Dan");
             d.FieldByName("LastName").SetAsString("Smith");
             d.FieldByName("Event").SetAsString("Birthday");
             d.FieldByName("EventDate").SetAsDate(730000);
             d.Post();
         },
         "0000111001"},
        {"search lands on the first", three, locate("Ann"), "0011111001"},
        {"search lands in the middle", three, locate("Bob"), "1111111001"},
        {"search lands on the last", three, locate("Cid"), "1100111001"},
        {"edited and posted on the last", three,
         [](TDataSet& d) {
             d.Edit();
             d.FieldByName("LastName").SetAsString("Jones");
             d.Post();
         },
         "1100111001"},
        {"filter leaves one", three,
         [](TDataSet& d) {
             d.SetFilter("FirstName = 'Bob'");
             d.SetFiltered(true);
         },
         "0000111001"},
    });
}

TEST(DBNavigatorTest, DeleteAsksAndCancelKeepsTheRecord) {
    TBoundTable data({"Ann", "Bob"});
    TDBNavigator navigator;
    navigator.SetDataSource(&data.source);
    QSignalSpy clicks(&navigator, &TDBNavigator::Click);
    SetNextAnswer(TMessageAnswer::Cancel);
    navigator.BtnClick(B::nbDelete);
    auto shown = TakeShownMessages();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, "Delete record?");
    EXPECT_EQ(shown[0].buttons, TMessageButtons::OkCancel);
    EXPECT_EQ(data.StoredValues(), "Ann;Bob");
    SetNextAnswer(TMessageAnswer::Ok);
    navigator.BtnClick(B::nbDelete);
    EXPECT_EQ(TakeShownMessages().size(), 1u);
    EXPECT_EQ(data.StoredValues(), "Bob");
    EXPECT_EQ(clicks.count(), 2);
}

TEST(DBNavigatorTest, NextWhileEditingPostsAChangeAndCancelsOtherwise) {
    TBoundTable data({"Ann", "Bob", "Cid"});
    TDBNavigator navigator;
    navigator.SetDataSource(&data.source);
    navigator.BtnClick(B::nbEdit);
    data.table->FieldByName("LastName").SetAsString("Jones");
    navigator.BtnClick(B::nbNext);
    EXPECT_EQ(data.table->State(), dsBrowse);
    EXPECT_EQ(data.table->FieldByName("FirstName").AsString(), "Bob");
    EXPECT_EQ(data.StoredValues("LastName"), "Jones;Smith;Smith");
    // Unchanged: the edit is cancelled (an unchanged insert is dropped).
    navigator.BtnClick(B::nbInsert);
    navigator.BtnClick(B::nbNext);
    EXPECT_EQ(data.table->State(), dsBrowse);
    EXPECT_EQ(data.StoredValues(), "Ann;Bob;Cid");
}

TEST(DBNavigatorTest, FailedActionShowsTheErrorAndEmitsNoClick) {
    TBoundTable data({"Ann"});
    TDBNavigator navigator;
    navigator.SetDataSource(&data.source);
    QSignalSpy clicks(&navigator, &TDBNavigator::Click);
    navigator.BtnClick(B::nbInsert);
    ASSERT_EQ(clicks.count(), 1);
    EXPECT_EQ(clicks.takeFirst().at(0).value<TNavigateBtn>(), B::nbInsert);
    navigator.BtnClick(B::nbPost);  // required fields are empty
    EXPECT_EQ(clicks.count(), 0);
    auto shown = TakeShownMessages();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].kind, TMessageKind::Error);
    EXPECT_NE(shown[0].text.find("FirstName"), std::string::npos) << shown[0].text;
    EXPECT_EQ(data.table->State(), dsInsert);
    EXPECT_TRUE(navigator.ButtonEnabled(B::nbCancel));
}

}  // namespace
}  // namespace hollin::ui
