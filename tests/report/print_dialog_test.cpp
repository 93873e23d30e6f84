// The print dialog and the report preview it opens.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QLabel>
#include <QMenuBar>
#include <QPrintPreviewWidget>
#include <QTest>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <QToolButton>

#include "controls/file_dialog.h"
#include "controls/message_box.h"
#include "report/report_preview.h"
#include "tests/report/report_fixture.h"
#include "views/frm_print.h"

namespace hollin::testing {
namespace {

// Records the reports the dialog runs, without showing their previews.
class PreviewRecorder {
public:
    explicit PreviewRecorder(std::function<void(report::TReportPreview&)> also = {}) {
        report::SetPreviewHookForTesting([this, also](report::TReportPreview& preview) {
            preview.Preview()->updatePreview();
            pageCounts.push_back(preview.PageCount());
            hasTextChoice.push_back(preview.findChild<QAction*>("actSaveText") != nullptr);
            if (also) also(preview);
        });
    }
    ~PreviewRecorder() { report::SetPreviewHookForTesting({}); }

    std::vector<int> pageCounts;
    std::vector<bool> hasTextChoice;
};

TEST(PrintDialog, HasItsControls) {
    ReportFixture f;
    TfrmPrint dialog(*f.rb);
    EXPECT_EQ(dialog.windowTitle(), "Print Records");
    for (const char* name : {"sbClosePrint", "sbPrint", "SpeedButton1"}) {
        EXPECT_NE(dialog.findChild<QToolButton*>(name), nullptr) << name;
    }
    EXPECT_EQ(dialog.findChild<QLabel*>("Label1")->text(), "Print List");
    EXPECT_EQ(dialog.findChild<QLabel*>("Label2")->text(), "Print Detailed");
    EXPECT_EQ(dialog.sbPrint->geometry(), QRect(40, 16, 23, 22));
    EXPECT_EQ(dialog.SpeedButton1->geometry(), QRect(40, 56, 23, 22));
    EXPECT_EQ(dialog.sbPrint->toolTip(), "");  // hints are off
    EXPECT_EQ(dialog.Exit1->text(), "E&xit");
    EXPECT_EQ(dialog.width(), 194);
}

TEST(PrintDialog, RowsRunTheListAndTheDetailedReport) {
    ReportFixture f;
    f.AddNumbered(10);
    PreviewRecorder recorder;
    TfrmPrint dialog(*f.rb);
    QTest::mouseClick(dialog.sbPrint, Qt::LeftButton);
    QTest::mouseClick(dialog.SpeedButton1, Qt::LeftButton);
    EXPECT_EQ(recorder.pageCounts, (std::vector<int>{2, 4}));
    EXPECT_EQ(recorder.hasTextChoice, (std::vector<bool>{true, false}));
}

TEST(PrintDialog, ExitClosesAndDestructionClearsTheInstance) {
    ReportFixture f;
    auto dialog = std::make_unique<TfrmPrint>(*f.rb);
    frmPrint = dialog.get();
    dialog->show();
    QTest::mouseClick(dialog->sbClosePrint, Qt::LeftButton);
    EXPECT_FALSE(dialog->isVisible());
    dialog.reset();
    EXPECT_EQ(frmPrint, nullptr);
}

TEST(ReportPreview, ListIsWrittenAsTextUnderItsDefaultName) {
    ReportFixture f;
    f.AddNumbered(2);
    const std::string path = f.folder / "HolList.txt";
    ui::TakeFileRequests();
    ui::SetNextFileAnswer(path);
    PreviewRecorder recorder([](report::TReportPreview& preview) { preview.SaveTextClick(); });
    report::ShowPreview(f.rb->ppReport2);
    const auto requests = ui::TakeFileRequests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].defaultName, "HolList.txt");
    // Both records, in their order.
    std::ifstream in(path, std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const auto first = text.find("First0001");
    const auto second = text.find("First0002");
    ASSERT_NE(first, std::string::npos) << text;
    ASSERT_NE(second, std::string::npos) << text;
    EXPECT_LT(first, second);
}

TEST(ReportPreview, SavingAsPdfNamesUndecodablePhotosOncePerPreview) {
    ReportFixture f;
    Person bad = NumberedPerson(1);
    bad.photo = {0xFF, 0xD8, 0x00, 0x01, 0x02};
    f.Add(bad);
    const std::string path = f.folder / "Report.pdf";
    ui::TakeShownMessages();
    std::vector<ui::TShownMessage> afterSave;
    std::vector<ui::TShownMessage> afterRepaint;
    report::SetPreviewHookForTesting([&](report::TReportPreview& preview) {
        ui::SetNextFileAnswer(path);
        preview.SavePdfClick();
        QCoreApplication::processEvents();
        afterSave = ui::TakeShownMessages();
        preview.Preview()->updatePreview();
        QCoreApplication::processEvents();
        afterRepaint = ui::TakeShownMessages();
    });
    report::ShowPreview(f.rb->ppReport1);
    report::SetPreviewHookForTesting({});
    ASSERT_EQ(afterSave.size(), 1u);
    EXPECT_EQ(afterSave[0].kind, ui::TMessageKind::Warning);
    EXPECT_EQ(afterSave[0].text, "1 photo could not be decoded; its box is left empty.");
    EXPECT_TRUE(afterRepaint.empty());
    EXPECT_TRUE(std::filesystem::exists(path));
}

TEST(ReportPreview, PageIndicatorNamesThePageShown) {
    ReportFixture f;
    f.AddNumbered(10);  // four pages of the detailed report
    std::vector<std::string> labels;
    PreviewRecorder recorder([&](report::TReportPreview& preview) {
        auto* label = preview.findChild<QLabel*>("lblPage");
        labels.push_back(label->text().toStdString());
        for (const char* action : {"actLastPage", "actPriorPage", "actFirstPage", "actNextPage", "actNextPage",
                                   "actNextPage", "actNextPage"}) {
            preview.findChild<QAction*>(action)->trigger();
            labels.push_back(label->text().toStdString());
        }
    });
    report::ShowPreview(f.rb->ppReport1);
    EXPECT_EQ(labels, (std::vector<std::string>{"Page 1 of 4", "Page 4 of 4", "Page 3 of 4", "Page 1 of 4",
                                                 "Page 2 of 4", "Page 3 of 4", "Page 4 of 4", "Page 4 of 4"}));
}

TEST(ReportPreview, GenerationErrorsReachTheErrorBoxAndTheCallerGoesOn) {
    ReportFixture f;
    f.AddNumbered(1);
    f.rb->ppReport2.detail.BeforePrint = [] { throw std::runtime_error("band failed"); };
    ui::TakeShownMessages();
    PreviewRecorder recorder;
    report::ShowPreview(f.rb->ppReport2);
    const auto shown = ui::TakeShownMessages();
    ASSERT_FALSE(shown.empty());
    EXPECT_EQ(shown[0].text, "band failed");
}

}  // namespace
}  // namespace hollin::testing
