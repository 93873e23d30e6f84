// The table picker and the new-table dialog: the one-table warning, opening
// a listed table, refusing a name that is not listed, creating a table with
// four indexes, opening an existing one, and refusing an empty or invalid
// name.
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <filesystem>

#include "controls/message_box.h"
#include "data/event_schema.h"
#include "dataset/date_time.h"
#include "tests/support/event_cursor.h"
#include "tests/views/views_fixture.h"
#include "views/frm_a_tables.h"
#include "views/frm_new_table.h"
#include "views/table_name_edit.h"

namespace hollin::ui::testing {
namespace {

namespace fs = std::filesystem;

class TableDialogs : public ViewsTest {
protected:
    void SetUp() override {
        ViewsTest::SetUp();
        Add("Home", "H", "Birthday", EncodeDate(1970, 12, 1));
    }
    // A second table "Work" with one record.
    void AddWorkTable() {
        larch::TLarchTable work;
        work.SetDatabaseName(folder.path());
        work.SetTableName("Work");
        CreateEventTable(work, kUserTableIndexCount);
        work.SetIndexName("FirstName");
        work.Open();
        larch::testing::AddEvent(work, "Worker", "W", "Birthday", EncodeDate(1975, 12, 3));
    }
    // Opens the table under each index the new tables have; false if one
    // is missing.
    static bool HasIndex(larch::TLarchTable& table, const char* name) {
        try {
            table.SetIndexName(name);
            return true;
        } catch (const std::exception&) {
            return false;
        }
    }
    void TypeName(TfrmNewTable& dialog, const char* name) {
        dialog.medtNewTable->setFocus(Qt::TabFocusReason);
        QTest::keyClicks(dialog.medtNewTable, QString::fromUtf8(name));
    }
    // Rows of the month query by first name.
    std::vector<std::string> MonthRows() {
        std::vector<std::string> names;
        for (dm2->Larchq.First(); !dm2->Larchq.Eof(); dm2->Larchq.Next()) {
            names.push_back(dm2->Larchq.FieldByName("FirstName").AsString());
        }
        return names;
    }
};

TEST_F(TableDialogs, PickerWithOnlyTheDefaultTableWarnsItIsAlreadyOpen) {
    TfrmATables picker(*dm2, &owner);
    picker.show();
    ASSERT_EQ(picker.cbTables->count(), 1);
    EXPECT_EQ(picker.cbTables->currentText(), QStringLiteral("Hollin.DAT"));
    picker.btnOTable->click();
    const auto shown = TakeShownMessages();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].kind, TMessageKind::Warning);
    EXPECT_EQ(shown[0].buttons, TMessageButtons::Ok);
    EXPECT_EQ(shown[0].text, "Table Hollin.dat already open");
    EXPECT_TRUE(picker.isVisible());
    EXPECT_TRUE(dm2->Larchtbl.Active());
    EXPECT_EQ(CurrentFirstName(), "Home");
}

TEST_F(TableDialogs, PickerOpensTheChosenTableAndRunsItsMonth) {
    AddWorkTable();
    TfrmATables picker(*dm2, &owner);
    QSignalSpy opened(&picker, &TfrmATables::TableOpened);
    picker.show();
    ASSERT_EQ(picker.cbTables->count(), 2);
    picker.cbTables->setCurrentIndex(0);  // Work.DAT: the default table is listed last
    picker.btnOTable->click();
    EXPECT_EQ(picker.result(), QDialog::Accepted);
    EXPECT_EQ(dm2->Larchtbl.TableName(), "Work.DAT");
    EXPECT_EQ(VisibleFirstNames(), std::vector<std::string>{"Worker"});
    EXPECT_EQ(MonthRows(), std::vector<std::string>{"Worker"});
    ASSERT_EQ(opened.count(), 1);
    EXPECT_EQ(opened[0][0].value<std::string>(), "Work.DAT");
    EXPECT_TRUE(TakeShownMessages().empty());
}

TEST_F(TableDialogs, PickerListsTheTablesWhenListTxtCannotBeWritten) {
    AddWorkTable();
    // A folder in List.txt's place: the write fails, also for root (a
    // read-only folder does not stop root).
    fs::create_directory(folder / "List.txt");
    TakeShownMessages();
    TfrmATables picker(*dm2, &owner);
    const auto shown = TakeShownMessages();
    ASSERT_EQ(shown.size(), 1u);  // the failed write is still told
    EXPECT_EQ(shown[0].kind, TMessageKind::Error);
    EXPECT_NE(shown[0].text.find("List.txt"), std::string::npos) << shown[0].text;
    ASSERT_EQ(picker.cbTables->count(), 2);
    EXPECT_EQ(picker.cbTables->itemText(0), QStringLiteral("Work.DAT"));
    EXPECT_EQ(picker.cbTables->itemText(1), QStringLiteral("Hollin.DAT"));
    EXPECT_EQ(picker.cbTables->currentIndex(), 0);
    picker.btnOTable->click();
    EXPECT_EQ(dm2->Larchtbl.TableName(), "Work.DAT");
    EXPECT_EQ(VisibleFirstNames(), std::vector<std::string>{"Worker"});
}

TEST_F(TableDialogs, PickerRefusesATypedNameThatIsNotListedAndKeepsTheOpenTable) {
    AddWorkTable();
    TfrmATables picker(*dm2, &owner);
    QSignalSpy opened(&picker, &TfrmATables::TableOpened);
    picker.show();
    picker.cbTables->setEditText(QStringLiteral("Nowhere"));
    QTest::keyClick(picker.cbTables->lineEdit(), Qt::Key_Return);  // adds no entry
    EXPECT_EQ(picker.cbTables->count(), 2);
    picker.btnOTable->click();
    const auto shown = TakeShownMessages();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].kind, TMessageKind::Plain);
    EXPECT_EQ(shown[0].text, "No table named \"Nowhere\" is listed");
    EXPECT_TRUE(picker.isVisible());
    EXPECT_EQ(opened.count(), 0);
    EXPECT_TRUE(dm2->Larchtbl.Active());
    EXPECT_EQ(dm2->Larchtbl.TableName(), "Hollin.dat");
    EXPECT_EQ(CurrentFirstName(), "Home");

    // A typed name that is a list entry, in another case, opens that entry.
    picker.cbTables->setEditText(QStringLiteral("work.dat"));
    picker.btnOTable->click();
    EXPECT_EQ(dm2->Larchtbl.TableName(), "Work.DAT");
    EXPECT_TRUE(TakeShownMessages().empty());
}

TEST_F(TableDialogs, NewTableWorkHasFourIndexesAndIsOpenedEmpty) {
    TfrmNewTable dialog(*dm2, &owner);
    QSignalSpy opened(&dialog, &TfrmNewTable::TableOpened);
    dialog.show();
    TypeName(dialog, "Work");
    EXPECT_EQ(dialog.NewTableName(), "Work");
    dialog.btnCreate->click();
    EXPECT_TRUE(TakeShownMessages().empty());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    ASSERT_EQ(opened.count(), 1);
    EXPECT_EQ(opened[0][0].value<std::string>(), "Work");
    larch::TLarchTable& table = dm2->Larchtbl;
    EXPECT_EQ(table.TableName(), "Work");
    EXPECT_TRUE(table.Active());
    EXPECT_TRUE(table.IsEmpty());
    for (const char* name : {"Event", "LastName", "FirstName"}) EXPECT_TRUE(HasIndex(table, name)) << name;
    EXPECT_FALSE(HasIndex(table, "Edate"));
    for (const char* file : {"Work.DAT", "Work.IDX", "Work.BLB"}) EXPECT_TRUE(fs::exists(folder / file)) << file;
    EXPECT_FALSE(fs::exists(folder / "Work.DBK"));  // the restructure deleted its old files
}

TEST_F(TableDialogs, NewTableUnderAnExistingNameOpensTheExistingTable) {
    AddWorkTable();
    const auto before = fs::file_size(folder / "Work.DAT");
    TfrmNewTable dialog(*dm2, &owner);
    dialog.show();
    TypeName(dialog, "Work");
    dialog.btnCreate->click();
    EXPECT_EQ(dm2->Larchtbl.TableName(), "Work");
    EXPECT_EQ(VisibleFirstNames(), std::vector<std::string>{"Worker"});
    EXPECT_EQ(fs::file_size(folder / "Work.DAT"), before);
}

TEST_F(TableDialogs, NewTableRefusesAnEmptyNameAndKeepsTheOpenTable) {
    TfrmNewTable dialog(*dm2, &owner);
    QSignalSpy opened(&dialog, &TfrmNewTable::TableOpened);
    dialog.show();
    EXPECT_EQ(dialog.medtNewTable->MaskedText(), "        ");
    dialog.btnCreate->click();
    const auto shown = TakeShownMessages();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, TfrmNewTable::kEmptyNameText);
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(opened.count(), 0);
    EXPECT_EQ(dm2->Larchtbl.TableName(), "Hollin.dat");
    EXPECT_EQ(CurrentFirstName(), "Home");
    EXPECT_FALSE(fs::exists(folder / ".DAT"));
}

TEST_F(TableDialogs, NewTableRefusesANameWithAnUnfilledPositionInside) {
    TfrmNewTable dialog(*dm2, &owner);
    dialog.show();
    TypeName(dialog, "W");
    dialog.medtNewTable->setCursorPosition(3);
    QTest::keyClicks(dialog.medtNewTable, "k");
    ASSERT_EQ(dialog.NewTableName(), "W  k");
    dialog.btnCreate->click();
    const auto shown = TakeShownMessages();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, TfrmNewTable::kEmptyNameText);
    EXPECT_EQ(dm2->Larchtbl.TableName(), "Hollin.dat");
    EXPECT_FALSE(fs::exists(folder / "W  k.DAT"));
}

TEST_F(TableDialogs, NameBoxTakesALetterFirstThenLettersOrDigitsUpToEight) {
    TfrmNewTable dialog(*dm2, &owner);
    dialog.show();
    TypeName(dialog, "9a-b c1234567");  // the digit, "-" and the blank are refused
    EXPECT_EQ(dialog.NewTableName(), "abc12345");
    dialog.medtNewTable->clear();
    TypeName(dialog, "work2");
    EXPECT_EQ(dialog.NewTableName(), "work2");  // lower case stays
}

TEST_F(TableDialogs, NameBoxTypedIntoWithoutItsFirstLetterIsRefusedOnLeaving) {
    TfrmNewTable dialog(*dm2, &owner);
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    QApplication::setActiveWindow(&dialog);
    TypeName(dialog, "W");
    QTest::keyClick(dialog.medtNewTable, Qt::Key_Backspace);
    ASSERT_TRUE(dialog.medtNewTable->InvalidInput());
    QTest::keyClick(dialog.medtNewTable, Qt::Key_Tab);
    auto shown = TakeShownMessages();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, "Invalid input value.  Use escape key to abandon changes");
    EXPECT_TRUE(dialog.medtNewTable->hasFocus());

    dialog.btnCreate->click();  // refused the same way, nothing created
    shown = TakeShownMessages();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, TTableNameEdit::kInvalidInputText);
    EXPECT_EQ(dm2->Larchtbl.TableName(), "Hollin.dat");

    // Esc abandons the changes: the box is as it was and no longer checked.
    QTest::keyClick(dialog.medtNewTable, Qt::Key_Escape);
    EXPECT_FALSE(dialog.medtNewTable->InvalidInput());
    EXPECT_TRUE(dialog.isVisible());
}

// A user clicks into the box and types: into the empty box the name starts
// at its first position wherever the click lands; in a filled box the caret
// goes where clicked.
TEST_F(TableDialogs, ClickIntoTheNameBoxThenTyping) {
    const struct {
        const char* before;
        int clickX;  // pixels from the box's left edge
        const char* typed;
        const char* name;
    } cases[] = {
        {"", 27, "Work", "Work"},
        {"", 50, "Work", "Work"},
        {"", 3, "Work", "Work"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.before) + " / " + std::to_string(c.clickX));
        TfrmNewTable dialog(*dm2, &owner);
        dialog.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
        QApplication::setActiveWindow(&dialog);
        dialog.medtNewTable->setText(QString::fromLatin1(c.before));
        QTest::mouseClick(dialog.medtNewTable, Qt::LeftButton, {}, QPoint(c.clickX, 10));
        QTest::keyClicks(dialog.medtNewTable, QString::fromLatin1(c.typed));
        EXPECT_EQ(dialog.NewTableName(), c.name);
        EXPECT_TRUE(TakeShownMessages().empty());
    }
    TfrmNewTable dialog(*dm2, &owner);
    dialog.show();
    dialog.medtNewTable->setText(QStringLiteral("Work"));
    QTest::mouseClick(dialog.medtNewTable, Qt::LeftButton, {}, QPoint(50, 10));
    EXPECT_EQ(dialog.medtNewTable->cursorPosition(), dialog.medtNewTable->cursorPositionAt(QPoint(50, 10)));
    EXPECT_GT(dialog.medtNewTable->cursorPosition(), 0);
}

}  // namespace
}  // namespace hollin::ui::testing
