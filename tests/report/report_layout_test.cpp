// Pagination and item geometry of the two reports, on the display list.
#include <gtest/gtest.h>

#include "report/report_generator.h"
#include "tests/report/report_fixture.h"

namespace hollin::testing {
namespace {

using report::TDisplayList;
using report::TReportGenerator;

TEST(ReportPages, TenRecordsGiveFourDetailedAndTwoListPages) {
    ReportFixture f;
    f.AddNumbered(10);
    struct Case {
        report::TReport* report;
        std::size_t perPage;
        int pages;
        const char* footer;
    };
    for (const Case& c : {Case{&f.rb->ppReport1, 3, 4, "ppSystemVariable3"},
                          Case{&f.rb->ppReport2, 7, 2, "ppSystemVariable2"}}) {
        SCOPED_TRACE(c.report->name);
        const TDisplayList list = TReportGenerator(*c.report).Generate();
        ASSERT_EQ(list.pages.size(), static_cast<std::size_t>(c.pages));
        int record = 0;
        for (const auto& page : list.pages) {
            const auto details = page.Details();
            const std::size_t expected = page.pageNo < c.pages ? c.perPage : 10 - c.perPage * (c.pages - 1);
            EXPECT_EQ(details.size(), expected);
            for (const auto* band : details) EXPECT_EQ(band->recordNo, ++record);
            const auto& footer = page.bands.back();
            ASSERT_EQ(footer.Kind(), report::TBandKind::Footer);
            EXPECT_EQ(footer.Find(c.footer)->text,
                      "Page " + std::to_string(page.pageNo) + " of " + std::to_string(c.pages));
            // The footer sits on the bottom margin; no band reaches into it.
            EXPECT_EQ(footer.top, 279401 - 6350 - 13229);
            EXPECT_LE(details.back()->top + c.report->detail.height, footer.top);
        }
        EXPECT_EQ(record, 10);
    }
}

TEST(ReportPages, NoVisibleRecordGivesOnePageWithHeaderAndFooter) {
    ReportFixture f;
    const TDisplayList list = TReportGenerator(f.rb->ppReport2).Generate();
    ASSERT_EQ(list.pages.size(), 1u);
    ASSERT_EQ(list.pages[0].bands.size(), 2u);
    EXPECT_EQ(list.pages[0].bands[0].Kind(), report::TBandKind::Header);
    EXPECT_EQ(list.pages[0].bands[1].Find("ppSystemVariable2")->text, "Page 1 of 1");
}

TEST(ReportPages, HeaderShowsTodayAsMonthDayYear) {
    SetClockForTesting(EncodeDate(2024, 3, 5) + 0.5);
    ReportFixture f;
    const TDisplayList list = TReportGenerator(f.rb->ppReport1).Generate();
    SetClockForTesting(std::nullopt);
    EXPECT_EQ(list.pages[0].bands[0].Find("ppSystemVariable4")->text, "03/05/2024");
    EXPECT_EQ(list.pages[0].bands[0].Find("ppHeaderlbl")->text, "HollinData");
}

// Item rectangles from the band's corner, as designed. Texts that size
// themselves keep their top and height and, by alignment, their left edge
// or their centre.
struct GeometryCase {
    const char* report;
    const char* item;
    report::TRect design;
};

class DetailGeometry : public ::testing::TestWithParam<GeometryCase> {};

TEST_P(DetailGeometry, MatchesTheDesign) {
    const GeometryCase& c = GetParam();
    ReportFixture f;
    f.AddNumbered(1);
    report::TReport& chosen = std::string(c.report) == "ppReport1" ? f.rb->ppReport1 : f.rb->ppReport2;
    const TDisplayList list = TReportGenerator(chosen).Generate();
    const auto* band = list.pages[0].Details().at(0);
    const report::TPlacedItem* placed = band->Find(c.item);
    ASSERT_NE(placed, nullptr);
    const report::TRect r = placed->rect.Moved(-band->left, -band->top);
    EXPECT_EQ(r.top, c.design.top);
    EXPECT_EQ(r.height, c.design.height);
    if (!placed->item->autoSize) {
        EXPECT_EQ(r, c.design);
    } else if (placed->item->alignment == report::TAlignment::Center) {
        EXPECT_NEAR(r.left + r.width / 2.0, c.design.left + c.design.width / 2.0, 1);
    } else {
        EXPECT_EQ(r.left, c.design.left);
        EXPECT_GT(r.width, 0);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Reports, DetailGeometry,
    ::testing::Values(GeometryCase{"ppReport1", "ppDBImage1", {12700, 794, 38629, 42598}},
                      GeometryCase{"ppReport1", "ppMemo1", {57150, 795, 48948, 23548}},
                      GeometryCase{"ppReport1", "ppDBText1", {27517, 47361, 8467, 4233}},
                      GeometryCase{"ppReport1", "ppDBText2", {23813, 53711, 15610, 4233}},
                      GeometryCase{"ppReport1", "ppLabel2", {112184, 794, 10848, 4233}},
                      GeometryCase{"ppReport1", "ppDBText6", {131234, 794, 9790, 4233}},
                      GeometryCase{"ppReport1", "ppLabel3", {112184, 7144, 17727, 4233}},
                      GeometryCase{"ppReport1", "ppDBText7", {131234, 7144, 15610, 4233}},
                      GeometryCase{"ppReport1", "ppLabel4", {112184, 13494, 17727, 4233}},
                      GeometryCase{"ppReport1", "ppDBText8", {131234, 13494, 15610, 4233}},
                      GeometryCase{"ppReport1", "ppLabel5", {112184, 19844, 9790, 4233}},
                      GeometryCase{"ppReport1", "ppDBText9", {131234, 19844, 8731, 4233}},
                      GeometryCase{"ppReport1", "ppLabel6", {112184, 26194, 15346, 4233}},
                      GeometryCase{"ppReport1", "ppDBText10", {131234, 26194, 12700, 4233}},
                      GeometryCase{"ppReport1", "ppDBMemo1", {57150, 41010, 114300, 23548}},
                      GeometryCase{"ppReport1", "ppLine1", {0, 73025, 203200, 3969}},
                      GeometryCase{"ppReport2", "ppMemo2", {2117, 2910, 48948, 23548}},
                      GeometryCase{"ppReport2", "ppDBText3", {74083, 2910, 8467, 4233}},
                      GeometryCase{"ppReport2", "ppDBText4", {120386, 2910, 15346, 4233}},
                      GeometryCase{"ppReport2", "ppDBText5", {168805, 2910, 9260, 4233}}),
    [](const auto& info) { return std::string(info.param.report) + "_" + info.param.item; });

TEST(ReportBands, DetailBandsStartAtTheMarginAndFollowEachOther) {
    ReportFixture f;
    f.AddNumbered(3);
    const TDisplayList list = TReportGenerator(f.rb->ppReport1).Generate();
    const auto details = list.pages[0].Details();
    ASSERT_EQ(details.size(), 3u);
    EXPECT_EQ(details[0]->left, 6350);
    EXPECT_EQ(details[0]->top, 6350 + 11906);
    EXPECT_EQ(details[1]->top, details[0]->top + 79640);
    EXPECT_EQ(details[2]->top, details[1]->top + 79640);
}

}  // namespace
}  // namespace hollin::testing
