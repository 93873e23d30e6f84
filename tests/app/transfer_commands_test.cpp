// The main window's File items Import... and Export...: their place after
// the menu's own items, the file dialogs' filters, the import's one
// information box with its details, the calendar export's choices, and a
// cancelled dialog that changes nothing.
#include <QAction>
#include <QCheckBox>
#include <QMenu>
#include <QRadioButton>
#include <QSpinBox>
#include <fstream>

#include "controls/file_dialog.h"
#include "controls/message_box.h"
#include "dataset/date_time.h"
#include "tests/app/app_fixture.h"
#include "tests/engine/test_folder.h"
#include "views/frm_export_calendar.h"

namespace hollin::ui::testing {
namespace {

class TransferCommands : public ProgramTest {
protected:
    void SetUp() override {
        ProgramTest::SetUp();
        SetClockForTesting(MakeDateTime(EncodeDate(2026, 12, 11), 0));
        AddRecord("Dave", "Smith", "Birthday", EncodeDate(1936, 12, 14));
        HandleNextModal([](QDialog&) {}, [this] { Start(); });
        TakeShownMessages();
        TakeFileRequests();
    }
    void TearDown() override {
        ProgramTest::TearDown();
        SetClockForTesting(std::nullopt);
    }
};

TEST_F(TransferCommands, ItemsFollowTheFileMenusOwn) {
    std::vector<std::string> names;
    for (QAction* action : Main().File1->actions()) names.push_back(action->objectName().toStdString());
    EXPECT_EQ(names, (std::vector<std::string>{"Exit1", "OpenTable1", "N4", "Import1", "Export1"}));
    EXPECT_EQ(Main().Import1->text(), "&Import...");
    EXPECT_EQ(Main().Export1->text(), "&Export...");
}

TEST_F(TransferCommands, ImportShowsTheCountsAndTheSkippedEntries) {
    const std::string file = folder / "cards.vcf";
    std::ofstream(file) << "BEGIN:VCARD\nN:Lee;Ann\nBDAY:19840310\nEND:VCARD\n"
                           "BEGIN:VCARD\nN:Ng;Bo\nBDAY:--0310\nEND:VCARD\n"
                           "BEGIN:VCARD\nN:Smith;Dave\nBDAY:19361214\nEND:VCARD\n";
    SetNextFileAnswer(file);
    Main().Import1->trigger();
    const std::vector<TFileDialogRequest> requests = TakeFileRequests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].filter, "vCard (*.vcf);;CSV (*.csv)");
    const std::vector<TShownMessage> shown = TakeShownMessages();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].kind, TMessageKind::Information);
    EXPECT_EQ(shown[0].text, "Added 1 record from 3 cards; skipped 2: 1 without a year, 1 duplicate.");
    EXPECT_EQ(shown[0].details, "line 7: date without a year (Bo Ng, Birthday)\nline 11: duplicate (Dave Smith, Birthday)\n");
    EXPECT_EQ(Dm2().Larchtbl.RecordCount(), 2);
}

TEST_F(TransferCommands, CancelledDialogsChangeNothing) {
    SetNextFileAnswer(std::nullopt);
    Main().Import1->trigger();
    SetNextFileAnswer(std::nullopt);
    Main().Export1->trigger();
    EXPECT_TRUE(TakeShownMessages().empty());
    EXPECT_EQ(Dm2().Larchtbl.RecordCount(), 1);
}

TEST_F(TransferCommands, CalendarExportAsksForAgesAndReminder) {
    const std::string file = folder / "events.ics";
    SetNextFileAnswer(file);
    std::string shownName;
    EXPECT_TRUE(HandleNextModal(
        [&](QDialog& dialog) {
            shownName = dialog.objectName().toStdString();
            auto& window = static_cast<TfrmExportCalendar&>(dialog);
            window.rbAges->setChecked(true);
            window.edtYears->setValue(2);
            window.cbRemind->setChecked(true);
            window.edtRemindDays->setValue(3);
            window.accept();
        },
        [this] { Main().Export1->trigger(); }));
    EXPECT_EQ(shownName, "frmExportCalendar");
    const std::vector<TFileDialogRequest> requests = TakeFileRequests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].filter, "vCard (*.vcf);;Calendar (*.ics);;CSV (*.csv)");
    const std::string text = larch::testing::ReadBytes(file);
    EXPECT_NE(text.find("SUMMARY:Dave Smith turns 90\r\n"), std::string::npos) << text;
    EXPECT_NE(text.find("SUMMARY:Dave Smith turns 91\r\n"), std::string::npos) << text;
    EXPECT_NE(text.find("TRIGGER:-P3D\r\n"), std::string::npos) << text;
    const std::vector<TShownMessage> shown = TakeShownMessages();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, "Exported 1 record to " + file + ".");
}

}  // namespace
}  // namespace hollin::ui::testing
