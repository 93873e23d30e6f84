// The grid view: its fixed columns and cell texts, no editing, moving the
// table's record, deleting, the viewers opened on column entry and the
// search button.
#include <QHeaderView>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>

#include "controls/db_grid.h"
#include "controls/db_memo.h"
#include "controls/db_navigator.h"
#include "controls/message_box.h"
#include "dataset/date_time.h"
#include "photo/db_jpeg_image.h"
#include "tests/views/views_fixture.h"
#include "views/frm_grid.h"
#include "views/frm_gv_notes.h"
#include "views/frm_gv_photo.h"

namespace hollin::ui::testing {
namespace {

class GridView : public ViewsTest {
protected:
    void SetUp() override {
        ViewsTest::SetUp();
        Add("Ann", "A", "Birthday", EncodeDate(1980, 3, 7));
        Add("Bob", "B", "Passing", EncodeDate(2001, 11, 2));
        larch::TLarchTable& table = dm2->Larchtbl;
        table.First();
        table.Edit();
        table.FieldByName("Notes").SetAsString("Likes tea");
        table.FieldByName("Photo").SetAsString("not a picture");
        table.Post();
    }
    static int Column(const char* field) {
        const auto& fields = TfrmGrid::ColumnFields();
        return static_cast<int>(std::find(fields.begin(), fields.end(), field) - fields.begin());
    }
    static QString Cell(TfrmGrid& grid, int row, const char* field) {
        return grid.dbgGridView->model()->index(row, Column(field)).data().toString();
    }
};

TEST_F(GridView, SixteenFieldColumnsWithKindTextsForNotesAndPhoto) {
    TfrmGrid grid(*dm2, &owner);
    grid.show();
    QAbstractItemModel* model = grid.dbgGridView->model();
    const char* titles[] = {"FirstName", "MiddleName", "LastName", "Event", "EventDate", "Notes",
                            "Phone",     "PhoneFax",   "CellPhone", "Email", "Website",  "Zip",
                            "State",     "City",       "Address",  "Photo"};
    ASSERT_EQ(model->columnCount(), 16);
    for (int i = 0; i < 16; ++i) {
        EXPECT_EQ(model->headerData(i, Qt::Horizontal).toString(), QString::fromUtf8(titles[i]));
    }
    EXPECT_EQ(Cell(grid, 0, "FirstName"), "Ann");
    EXPECT_EQ(Cell(grid, 0, "EventDate"), "03/07/1980");
    EXPECT_EQ(Cell(grid, 0, "Notes"), "(MEMO)");
    EXPECT_EQ(Cell(grid, 0, "Photo"), "(BLOB)");
    EXPECT_EQ(Cell(grid, 1, "Notes"), "(Memo)");
    EXPECT_EQ(Cell(grid, 1, "Photo"), "(Blob)");
    EXPECT_FALSE(model->flags(model->index(0, 0)) & Qt::ItemIsEditable);
    EXPECT_EQ(grid.dbgGridView->horizontalHeader()->sectionResizeMode(0), QHeaderView::Fixed);
    EXPECT_TRUE(grid.isMaximized());
    EXPECT_EQ(grid.dbgGridView->SelectedColumn(), 0);
}

TEST_F(GridView, NoKeyEditsACellOrInsertsARecord) {
    dm2->ds1.SetAutoEdit(true);  // even when the data source would start an edit
    TfrmGrid grid(*dm2, &owner);
    grid.show();
    grid.dbgGridView->setFocus();
    QTest::keyClicks(grid.dbgGridView, "Zed");
    QTest::keyClick(grid.dbgGridView, Qt::Key_Insert);
    EXPECT_EQ(dm2->Larchtbl.State(), dsBrowse);
    EXPECT_EQ(VisibleFirstNames(), (std::vector<std::string>{"Ann", "Bob"}));
}

TEST_F(GridView, MovingInTheGridMovesTheTablesRecord) {
    TfrmGrid grid(*dm2, &owner);
    grid.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&grid));
    grid.dbgGridView->setCurrentIndex(grid.dbgGridView->model()->index(1, 0));
    EXPECT_EQ(CurrentFirstName(), "Bob");
    grid.DBNavigator1->BtnClick(TNavigateBtn::nbFirst);
    EXPECT_EQ(CurrentFirstName(), "Ann");
    EXPECT_EQ(grid.dbgGridView->currentIndex().row(), 0);
}

TEST_F(GridView, CtrlDeleteDeletesTheCurrentRecordAfterConfirmation) {
    TfrmGrid grid(*dm2, &owner);
    grid.show();
    grid.dbgGridView->setFocus();
    SetNextAnswer(TMessageAnswer::Cancel);
    QTest::keyClick(grid.dbgGridView, Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(dm2->Larchtbl.RecordCount(), 2);
    QTest::keyClick(grid.dbgGridView, Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(VisibleFirstNames(), std::vector<std::string>{"Bob"});
    const auto shown = TakeShownMessages();
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[0].text, "Delete record?");
    EXPECT_EQ(shown[0].buttons, TMessageButtons::OkCancel);
}

TEST_F(GridView, TabbingIntoNotesOpensTheNotesViewerAndOnToPhoneOpensNothing) {
    TfrmGrid grid(*dm2, &owner);
    grid.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&grid));
    grid.dbgGridView->setFocus();
    grid.dbgGridView->setCurrentIndex(grid.dbgGridView->model()->index(0, Column("EventDate")));
    QString notes;
    bool readOnly = false;
    const bool opened = WithNextModal([&] { QTest::keyClick(grid.dbgGridView, Qt::Key_Tab); },
                                      [&](QDialog& viewer) {
                                          EXPECT_EQ(&viewer, TfrmGVNotes::Instance());
                                          EXPECT_EQ(viewer.windowTitle(), QStringLiteral("Notes"));
                                          auto* memo = viewer.findChild<TDBMemo*>("dbmGV");
                                          ASSERT_NE(memo, nullptr);
                                          notes = memo->toPlainText();
                                          readOnly = memo->isReadOnly();
                                      });
    ASSERT_TRUE(opened);
    EXPECT_EQ(notes, QStringLiteral("Likes tea"));
    EXPECT_TRUE(readOnly);
    EXPECT_EQ(TfrmGVNotes::Instance(), nullptr);  // gone when it closed
    EXPECT_EQ(grid.dbgGridView->SelectedColumn(), Column("Notes"));

    EXPECT_FALSE(WithNextModal([&] { QTest::keyClick(grid.dbgGridView, Qt::Key_Tab); }, [](QDialog&) {}));
    EXPECT_EQ(grid.dbgGridView->SelectedColumn(), Column("Phone"));
}

TEST_F(GridView, NotesViewerChangesNothingWhileTheRecordIsBeingEdited) {
    dm2->Larchtbl.First();
    dm2->Larchtbl.Edit();
    TfrmGVNotes viewer(*dm2, &owner);
    viewer.show();
    viewer.dbmGV->setFocus();
    QTest::keyClicks(viewer.dbmGV, "coffee");
    QTest::keyClick(viewer.dbmGV, Qt::Key_Return);
    EXPECT_TRUE(viewer.dbmGV->isReadOnly());
    EXPECT_EQ(viewer.dbmGV->toPlainText(), QStringLiteral("Likes tea"));
    dm2->Larchtbl.Post();
    EXPECT_EQ(dm2->Larchtbl.FieldByName("Notes").AsString(), "Likes tea");
}

TEST_F(GridView, EnteringPhotoOnARecordWithoutPhotoOpensAnEmptyPhotoViewer) {
    TfrmGrid grid(*dm2, &owner);
    grid.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&grid));
    grid.dbgGridView->setCurrentIndex(grid.dbgGridView->model()->index(1, 0));
    bool empty = false;
    const bool opened = WithNextModal(
        [&] { grid.dbgGridView->setCurrentIndex(grid.dbgGridView->model()->index(1, Column("Photo"))); },
        [&](QDialog& viewer) {
            EXPECT_EQ(&viewer, TfrmGVPhoto::Instance());
            auto* image = viewer.findChild<TDBJPEGImage*>("imgGVP");
            ASSERT_NE(image, nullptr);
            EXPECT_TRUE(image->Stretch() && image->Center());
            empty = image->PictureImage().isNull();
        });
    EXPECT_TRUE(opened);
    EXPECT_TRUE(empty);
    EXPECT_TRUE(TakeShownMessages().empty());
}

TEST_F(GridView, SearchButtonAsksForTheMainWindowsSearchAndExitCloses) {
    TfrmGrid grid(*dm2, &owner);
    QSignalSpy search(&grid, &TfrmGrid::SearchRequested);
    grid.show();
    grid.sbSearchGrid->click();
    EXPECT_EQ(search.count(), 1);
    grid.sbClose->click();
    EXPECT_FALSE(grid.isVisible());
}

}  // namespace
}  // namespace hollin::ui::testing
