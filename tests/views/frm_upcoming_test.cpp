// The upcoming-events window: its rows for the default 30 days and for
// another choice, bold round milestones, the filter in the title, and the
// move to a record by double-click or Return.
#include <QComboBox>
#include <QLabel>
#include <QTableWidget>
#include <QTest>

#include <QPrintPreviewWidget>
#include <QPushButton>

#include "dataset/date_time.h"
#include "report/display_list.h"
#include "report/report_generator.h"
#include "report/report_preview.h"
#include "tests/views/views_fixture.h"
#include "views/frm_upcoming.h"
#include "views/upcoming_report.h"

namespace hollin::ui::testing {
namespace {

class UpcomingWindow : public ViewsTest {
protected:
    void SetUp() override {
        ViewsTest::SetUp();  // today is Thursday 12/10/2026
        Add("Dave", "Smith", "Birthday", EncodeDate(1936, 12, 14));
        Add("Ann", "Lee", "Anniversary", EncodeDate(2001, 12, 10));
        Add("Bo", "Ng", "Passing", EncodeDate(2020, 1, 25));
        Add("Cy", "Far", "Birthday", EncodeDate(1990, 4, 20));  // beyond 90 days
        dm2->Larchtbl.First();
    }

    static std::vector<std::string> Rows(QTableWidget& grid) {
        std::vector<std::string> rows;
        for (int row = 0; row < grid.rowCount(); ++row) {
            std::string line;
            for (int column = 0; column < grid.columnCount(); ++column) {
                if (column > 0) line += " | ";
                line += grid.item(row, column)->text().toStdString();
            }
            if (grid.item(row, 0)->font().bold()) line += " (bold)";
            rows.push_back(line);
        }
        return rows;
    }
};

TEST_F(UpcomingWindow, ListsTheChosenDaysRoundOnesBold) {
    TfrmUpcoming window(*dm2, &owner);
    EXPECT_EQ(window.objectName(), "frmUpcoming");
    EXPECT_EQ(window.windowTitle(), "Upcoming Events");
    auto* days = window.findChild<QComboBox*>("cbDays");
    auto* grid = window.findChild<QTableWidget*>("sgUpcoming");
    ASSERT_NE(days, nullptr);
    ASSERT_NE(grid, nullptr);
    EXPECT_EQ(days->currentText(), "30 days");
    std::vector<std::string> expected = {
        "Thu 12/10/2026 | today | Ann Lee | Anniversary | Ann: 25th anniversary (silver) (bold)",
        "Mon 12/14/2026 | in 4 days | Dave Smith | Birthday | Dave turns 90 (bold)",
    };
    EXPECT_EQ(Rows(*grid), expected);
    EXPECT_EQ(window.findChild<QLabel*>("lblCount")->text(), "2 events in the next 30 days");

    days->setCurrentIndex(days->findText("90 days"));
    expected.push_back("Mon 01/25/2027 | in 46 days | Bo Ng | Passing | Bo: 7 years since passing");
    EXPECT_EQ(Rows(*grid), expected);
    days->setCurrentIndex(days->findText("7 days"));
    EXPECT_EQ(Rows(*grid), std::vector<std::string>(expected.begin(), expected.begin() + 2));
}

TEST_F(UpcomingWindow, FollowsTheFilterAndSaysSo) {
    dm2->Larchtbl.SetFilter("Event = 'Birthday'");
    dm2->Larchtbl.SetFiltered(true);
    TfrmUpcoming window(*dm2, &owner);
    EXPECT_EQ(window.windowTitle(), "Upcoming Events (filtered)");
    auto* grid = window.findChild<QTableWidget*>("sgUpcoming");
    ASSERT_EQ(grid->rowCount(), 1);
    EXPECT_EQ(grid->item(0, 2)->text(), "Dave Smith");
}

TEST_F(UpcomingWindow, DoubleClickOrReturnMovesToTheRecord) {
    for (const bool byReturn : {false, true}) {
        dm2->Larchtbl.First();
        ASSERT_EQ(CurrentFirstName(), "Ann");
        TfrmUpcoming window(*dm2, &owner);
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
        auto* grid = window.findChild<QTableWidget*>("sgUpcoming");
        grid->setCurrentCell(1, 0);
        if (byReturn) {
            grid->setFocus();
            QTest::keyClick(grid, Qt::Key_Return);
        } else {
            const QRect cell = grid->visualItemRect(grid->item(1, 2));
            // A double-click as the windowing system sends it: a click, then the second press.
            QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
            QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
        }
        EXPECT_EQ(window.result(), QDialog::Accepted) << byReturn;
        EXPECT_FALSE(window.isVisible());
        EXPECT_EQ(CurrentFirstName(), "Dave") << byReturn;
    }
}

TEST_F(UpcomingWindow, PrintShowsTheListInThePreview) {
    TfrmUpcoming window(*dm2, &owner);
    int pages = 0;
    report::SetPreviewHookForTesting([&](report::TReportPreview& preview) {
        preview.Preview()->updatePreview();
        pages = preview.PageCount();
    });
    window.findChild<QPushButton*>("btnPrint")->click();
    report::SetPreviewHookForTesting(nullptr);
    EXPECT_EQ(pages, 1);

    // What the preview shows: a line per event, the round ones in the bold column items.
    TUpcomingReport printed(window.Events(), "Hollin.DAT", window.Days());
    const report::TDisplayList list = report::TReportGenerator(printed.ppUpcoming).Generate();
    ASSERT_EQ(list.pages.size(), 1u);
    EXPECT_EQ(list.pages[0].bands[0].Find("ppSpan")->text, "Hollin.DAT: the next 30 days from 12/10/2026");
    const std::vector<const report::TPlacedBand*> rows = list.pages[0].Details();
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[1]->Find("ppMilestoneBold")->text, "Dave turns 90");
    EXPECT_EQ(rows[1]->Find("ppMilestone")->text, "");
    EXPECT_EQ(rows[1]->Find("ppDateBold")->text, "Mon 12/14/2026");
}

TEST_F(UpcomingWindow, CalendarShowsTwelvePagesInAPreview) {
    TfrmUpcoming window(*dm2, &owner);
    int pages = 0;
    const bool shown = WithNextModal([&] { window.findChild<QPushButton*>("btnCalendar")->click(); },
                                     [&](QDialog& dialog) {
                                         EXPECT_EQ(dialog.objectName(), "frmCalendarPreview");
                                         EXPECT_EQ(dialog.windowTitle(), "Calendar 2026");
                                         auto* preview = dialog.findChild<QPrintPreviewWidget*>();
                                         ASSERT_NE(preview, nullptr);
                                         EXPECT_EQ(preview->currentPage(), 12);  // December, this month
                                         pages = preview->pageCount();
                                     });
    EXPECT_TRUE(shown);
    EXPECT_EQ(pages, 12);
}

}  // namespace
}  // namespace hollin::ui::testing
