// The events-by-month window over the data module: month choices and their
// titles, opening another table, and the live grid.
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <filesystem>

#include "controls/db_grid.h"
#include "controls/message_box.h"
#include "data/dm2.h"
#include "data/event_schema.h"
#include "dataset/date_time.h"
#include "tests/app/app_fixture.h"
#include "tests/support/event_cursor.h"
#include "views/frm_next_last_mo.h"

namespace hollin::ui::testing {
namespace {

class MonthWindow : public ProgramTest {
protected:
    void SetUp() override {
        ProgramTest::SetUp();
        AddRecord("Dec", "A", "Birthday", EncodeDate(1980, 12, 24));
        AddRecord("Jan", "B", "Birthday", EncodeDate(1990, 1, 5));
        AddRecord("Nov", "C", "Passing", EncodeDate(2001, 11, 2));
        HandleNextModal([](QDialog&) {}, [this] { Start(); });
        TakeShownMessages();
    }
    std::vector<std::string> Rows() {
        std::vector<std::string> names;
        for (Dm2().Larchq.First(); !Dm2().Larchq.Eof(); Dm2().Larchq.Next()) {
            names.push_back(Dm2().Larchq.FieldByName("FirstName").AsString());
        }
        return names;
    }
};

TEST_F(MonthWindow, MonthChoicesRunTheirMonthAndNameItInTheTitle) {
    TfrmNextLastMo window(Dm2(), &Main());
    window.show();
    EXPECT_EQ(window.windowTitle().toStdString(), "Events this month");
    EXPECT_EQ(Rows(), std::vector<std::string>{"Dec"});
    EXPECT_EQ(window.cbTablesAvl->currentText().toStdString(), "Hollin.DAT");
    EXPECT_EQ(window.lblCurTbl->text().toStdString(), "Hollin.dat");
    EXPECT_FALSE(window.rbCurrent->isChecked());
    EXPECT_EQ(window.size(), QSize(592, 163));

    window.rbAhead->click();
    EXPECT_EQ(window.windowTitle().toStdString(), "Events next month");
    EXPECT_EQ(Rows(), std::vector<std::string>{"Jan"});
    window.rbBack->click();
    EXPECT_EQ(window.windowTitle().toStdString(), "Events last month");
    EXPECT_EQ(Rows(), std::vector<std::string>{"Nov"});
    EXPECT_EQ(window.dbgfrmLAB->model()->rowCount(), 1);
    EXPECT_EQ(window.dbgfrmLAB->model()->columnCount(), 4);
    EXPECT_TRUE(TakeShownMessages().empty());
}

TEST_F(MonthWindow, OpenTableSwitchesTheTableAndRerunsTheCurrentMonth) {
    {
        larch::TLarchTable work;
        work.SetDatabaseName(folder.path());
        work.SetTableName("Work.DAT");
        CreateEventTable(work, kUserTableIndexCount);
        work.SetIndexName("FirstName");
        work.Open();
        larch::testing::AddEvent(work, "Worker", "W", "Birthday", EncodeDate(1970, 12, 31));
    }
    TfrmNextLastMo window(Dm2(), &Main());
    std::string opened;
    QObject::connect(&window, &TfrmNextLastMo::TableOpened, [&](const std::string& name) { opened = name; });
    window.show();
    window.rbCurrent->click();
    window.rbBack->click();
    ASSERT_EQ(window.cbTablesAvl->count(), 2);
    window.cbTablesAvl->setCurrentIndex(0);  // Work.DAT, the default table last
    window.btnOpnTbl->click();
    EXPECT_EQ(Dm2().Larchtbl.TableName(), "Work.DAT");
    EXPECT_EQ(opened, "Work.DAT");
    EXPECT_EQ(window.lblCurTbl->text().toStdString(), "Work.DAT");
    EXPECT_TRUE(window.rbCurrent->isChecked());
    EXPECT_EQ(window.windowTitle().toStdString(), "Events this month");
    EXPECT_EQ(Rows(), std::vector<std::string>{"Worker"});

    // A typed name that is no entry fails, and the open table stays open.
    window.cbTablesAvl->setEditText(QStringLiteral("Other.DAT"));
    window.btnOpnTbl->click();
    EXPECT_EQ(TakeShownMessages().size(), 1u);
    EXPECT_TRUE(Dm2().Larchtbl.Active());
    EXPECT_EQ(Dm2().Larchtbl.TableName(), "Work.DAT");
    EXPECT_EQ(window.lblCurTbl->text().toStdString(), "Work.DAT");
}

TEST_F(MonthWindow, ListsTheTablesAndTheMonthWhenListTxtCannotBeWritten) {
    // A folder in List.txt's place (the window at start wrote the file):
    // the write fails, also for root.
    std::filesystem::remove(folder / "List.txt");
    std::filesystem::create_directory(folder / "List.txt");
    TakeShownMessages();
    TfrmNextLastMo window(Dm2(), &Main());
    window.show();
    const auto shown = TakeShownMessages();
    ASSERT_EQ(shown.size(), 1u);  // the failed write is still told
    EXPECT_NE(shown[0].text.find("List.txt"), std::string::npos) << shown[0].text;
    ASSERT_EQ(window.cbTablesAvl->count(), 1);
    EXPECT_EQ(window.cbTablesAvl->currentText().toStdString(), "Hollin.DAT");
    EXPECT_EQ(Rows(), std::vector<std::string>{"Dec"});
    EXPECT_EQ(window.lblCurTbl->text().toStdString(), "Hollin.dat");
}

TEST_F(MonthWindow, TheLiveGridEditsTheTable) {
    TfrmNextLastMo window(Dm2(), &Main());
    window.show();
    QAbstractItemModel* model = window.dbgfrmLAB->model();
    ASSERT_EQ(model->rowCount(), 1);
    EXPECT_EQ(model->headerData(1, Qt::Horizontal).toString().toStdString(), "LastName");
    EXPECT_TRUE(model->flags(model->index(0, 1)) & Qt::ItemIsEditable);
    EXPECT_TRUE(model->setData(model->index(0, 1), QStringLiteral("Changed")));
    Dm2().Larchq.CheckBrowseMode();
    EXPECT_TRUE(TakeShownMessages().empty());

    auto reader = larch::testing::EventCursor(folder.path(), "LastName");
    reader->Open();
    reader->FindNearest({TFieldValue(std::string("Changed"))});
    EXPECT_EQ(reader->FieldByName("FirstName").AsString(), "Dec");
}

}  // namespace
}  // namespace hollin::ui::testing
