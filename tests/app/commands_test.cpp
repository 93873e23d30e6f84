// The main window's whole-table commands: emptying, reset, the events
// command on an empty table, the table limit, and backup and restore.
#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QTest>
#include <QToolButton>
#include <filesystem>
#include <fstream>
#include <functional>

#include "app/animation_panel.h"
#include "controls/message_box.h"
#include "data/dm2.h"
#include "data/event_schema.h"
#include "dataset/date_time.h"
#include "tests/app/app_fixture.h"
#include "tests/support/event_cursor.h"

namespace hollin::ui::testing {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> MessageTexts() {
    std::vector<std::string> texts;
    for (const TShownMessage& message : TakeShownMessages()) texts.push_back(message.text);
    return texts;
}

class Commands : public ProgramTest {
protected:
    void SetUp() override {
        ProgramTest::SetUp();
        AddRecord("Zed", "Young", "Birthday", EncodeDate(1984, 5, 10));
        AddRecord("Ann", "Baker", "Passing", EncodeDate(2016, 5, 1));
        HandleNextModal([](QDialog&) {}, [this] { Start(); });
        TakeShownMessages();
    }
    std::string Label(const char* name) { return Find<QLabel>(name)->text().toStdString(); }
};

TEST_F(Commands, EmptyTableAsksTwiceOverAndLeavesTheTableClosedAndEmpty) {
    SetNextAnswer(TMessageAnswer::No);
    Main().EmptyTable1->trigger();
    std::vector<TShownMessage> shown = TakeShownMessages();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, "Continuing will destroy all records in the table!\rDo you wish to proceede?");
    EXPECT_EQ(shown[0].kind, TMessageKind::Warning);
    EXPECT_EQ(shown[0].buttons, TMessageButtons::YesNo);
    EXPECT_EQ(Dm2().Larchtbl.RecordCount(), 2);

    SetNextAnswer(TMessageAnswer::Yes);
    Main().EmptyTable1->trigger();
    EXPECT_EQ(MessageTexts().size(), 1u);
    EXPECT_FALSE(Dm2().Larchtbl.Active());
    EXPECT_EQ(Label("lblRecNo"), "");
    EXPECT_EQ(Label("lblETitle"), "");
    EXPECT_FALSE(Main().dbnMain->Button(TNavigateBtn::nbInsert)->isEnabled());
    Dm2().Larchtbl.Open();
    EXPECT_EQ(Dm2().Larchtbl.RecordCount(), 0);
}

TEST_F(Commands, ResetShowsEveryRecordInFirstNameOrder) {
    Dm2().Larchtbl.SetIndexName("LastName");
    Dm2().Larchtbl.SetFilter("Event = 'Passing'");
    Dm2().Larchtbl.SetFiltered(true);
    EXPECT_EQ(Label("lblRecNo"), "Record 1 of 1");
    QTest::mouseClick(Main().sbReset, Qt::LeftButton);
    EXPECT_FALSE(Dm2().Larchtbl.Filtered());
    EXPECT_EQ(Dm2().Larchtbl.IndexName(), "FirstName");
    EXPECT_EQ(Dm2().Larchtbl.RecordCount(), 2);
}

TEST_F(Commands, EventsOfAnEmptyTableOpenNoWindow) {
    Dm2().Larchtbl.SetFilter("Event = 'Nothing'");
    Dm2().Larchtbl.SetFiltered(true);
    bool opened = HandleNextModal([](QDialog&) {}, [this] { QTest::mouseClick(Main().sbEvents, Qt::LeftButton); }, 200);
    EXPECT_FALSE(opened);
    EXPECT_EQ(MessageTexts(), std::vector<std::string>{"There are no events this month"});

    Dm2().Larchtbl.SetFiltered(false);
    std::string title;
    opened = HandleNextModal([&](QDialog& dialog) { title = dialog.windowTitle().toStdString(); },
                             [this] { Main().NextLastMoEvents1->trigger(); });
    EXPECT_TRUE(opened);
    EXPECT_EQ(title, "Events this month");  // no event in December: an empty list
    EXPECT_EQ(Dm2().Larchq.RecordCount(), 0);
}

TEST_F(Commands, BackupAndRestore) {
    TakeShownMessages();
    Main().RestoreBackup1->trigger();  // no backup yet: nothing at all
    EXPECT_TRUE(MessageTexts().empty());
    EXPECT_TRUE(Dm2().Larchtbl.Active());

    Main().BackupTable2->trigger();
    EXPECT_EQ(MessageTexts(), std::vector<std::string>{"Data files backed up"});
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    for (const char* name : {"Hollin.DAT", "Hollin.IDX", "Hollin.BLB"}) {
        EXPECT_TRUE(fs::exists(folder / ("Backup/" + std::string(name)))) << name;
    }
    // The bar goes away once the thread has ended.
    for (int i = 0; i < 100 && Main().pnlAnimate->Animating(); ++i) QTest::qWait(10);
    EXPECT_FALSE(Main().pnlAnimate->Animating());

    Main().dbnMain->BtnClick(TNavigateBtn::nbFirst);
    SetNextAnswer(TMessageAnswer::Ok);
    Main().dbnMain->BtnClick(TNavigateBtn::nbDelete);
    EXPECT_EQ(MessageTexts(), std::vector<std::string>{"Delete record?"});
    EXPECT_EQ(Label("lblRecNo"), "Record 1 of 1");
    Dm2().RunSql(0);

    Main().RestoreBackup1->trigger();
    EXPECT_EQ(MessageTexts(), std::vector<std::string>{});
    EXPECT_TRUE(Dm2().Larchtbl.Active());
    EXPECT_EQ(Dm2().Larchtbl.RecordCount(), 2);
    EXPECT_EQ(Label("lblRecNo"), "Record 1 of 2");
    EXPECT_EQ(Label("lblETitle"), "Ann Passed 10 years ago.");
    EXPECT_FALSE(Dm2().Larchq.Active());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

}  // namespace
}  // namespace hollin::ui::testing

namespace hollin::ui::testing {
namespace {

class WindowCommands : public Commands {};

TEST_F(WindowCommands, TheTableLimitIsNinetyNine) {
    for (int i = 0; i < 97; ++i) std::ofstream(folder / ("T" + std::to_string(100 + i) + ".DAT")) << "";
    bool opened = HandleNextModal([](QDialog&) {}, [this] { Main().CreateTable1->trigger(); });
    EXPECT_TRUE(opened);  // 98 tables
    EXPECT_TRUE(TakeShownMessages().empty());

    std::ofstream(folder / "T999.DAT") << "";
    opened = HandleNextModal([](QDialog&) {}, [this] { Main().CreateTable1->trigger(); }, 200);
    EXPECT_FALSE(opened);
    std::vector<TShownMessage> shown = TakeShownMessages();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, "Maximum table limit reached");
    EXPECT_EQ(shown[0].kind, TMessageKind::Information);
}

TEST_F(WindowCommands, ASearchThatLeavesNoRecordSaysSoAndResets) {
    Dm2().Larchtbl.SetIndexName("LastName");
    Dm2().Larchtbl.SetFilter("Event = 'Nothing'");
    Dm2().Larchtbl.SetFiltered(true);
    EXPECT_TRUE(HandleNextModal([](QDialog&) {}, [this] { QTest::mouseClick(Main().sbSearch, Qt::LeftButton); }));
    EXPECT_EQ(MessageTexts(), std::vector<std::string>{"Table is empty!"});
    EXPECT_FALSE(Dm2().Larchtbl.Filtered());
    EXPECT_EQ(Dm2().Larchtbl.IndexName(), "FirstName");
    EXPECT_EQ(Dm2().Larchtbl.RecordCount(), 2);
}

TEST_F(WindowCommands, EachWindowCommandOpensItsWindow) {
    struct Case {
        const char* name;
        std::function<void()> trigger;
        const char* objectName;
    };
    const Case cases[] = {
        {"filter", [this] { QTest::mouseClick(Main().sbFilter, Qt::LeftButton); }, "frmFilter"},
        {"grid", [this] { QTest::mouseClick(Main().sbSpacer4, Qt::LeftButton); }, "frmGrid"},
        {"grid menu", [this] { Main().GridView1->trigger(); }, "frmGrid"},
        {"about", [this] { Main().About1->trigger(); }, "frmAbout"},
        {"tables", [this] { Main().OpenTable1->trigger(); }, "frmATables"},
        {"print", [this] { QTest::mouseClick(Main().sbPrint, Qt::LeftButton); }, "frmPrint"},
    };
    for (const Case& c : cases) {
        std::string shown;
        EXPECT_TRUE(HandleNextModal([&](QDialog& dialog) { shown = dialog.objectName().toStdString(); }, c.trigger))
            << c.name;
        EXPECT_EQ(shown, c.objectName) << c.name;
    }
    TakeShownMessages();
}

TEST_F(WindowCommands, OpeningAnotherTablePostsTheRecordBeingEdited) {
    Dm2().Larchtbl.Edit();
    Dm2().Larchtbl.FieldByName("MiddleName").SetAsString("Kept");
    HandleNextModal([](QDialog&) {}, [this] { Main().OpenTable1->trigger(); });
    EXPECT_EQ(Dm2().Larchtbl.State(), dsBrowse);
    auto reader = larch::testing::EventCursor(folder.path());
    reader->Open();
    EXPECT_EQ(reader->FieldByName("MiddleName").AsString(), "Kept");
}

}  // namespace
}  // namespace hollin::ui::testing
