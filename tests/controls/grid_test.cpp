// The grid's model reads the cursor and follows it; the grid moves the
// cursor and deletes after asking.
#include <gtest/gtest.h>

#include <QAbstractItemModelTester>
#include <QTest>

#include "controls/db_grid.h"
#include "controls/message_box.h"
#include "tests/controls/bound_table.h"

namespace hollin::ui {
namespace {

using testing::TBoundTable;

QString Cell(const TDataSetModel& model, int row, int column) {
    return model.data(model.index(row, column)).toString();
}

TEST(DataSetModelTest, RowsAndCellsAreTheCursorsRecords) {
    TBoundTable data({"Ann", "Bob", "Cid", "Dan", "Eve"});
    TDataSetModel model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    model.SetColumns({{"FirstName", "", 0}, {"EventDate", "Date", 0}, {"Notes", "", 0}, {"Photo", "", 0}});
    model.SetDataSource(&data.source);
    model.SetWindowRows(5);
    ASSERT_EQ(model.rowCount(), 5);
    ASSERT_EQ(model.columnCount(), 4);
    EXPECT_EQ(model.headerData(0, Qt::Horizontal).toString(), "FirstName");
    EXPECT_EQ(model.headerData(1, Qt::Horizontal).toString(), "Date");
    const char* names[] = {"Ann", "Bob", "Cid", "Dan", "Eve"};
    for (int row = 0; row < 5; ++row) EXPECT_EQ(Cell(model, row, 0), names[row]);
    EXPECT_EQ(Cell(model, 1, 1), "09/03/1999");
    EXPECT_EQ(Cell(model, 0, 2), "(Memo)");
    EXPECT_EQ(Cell(model, 0, 3), "(Blob)");
    EXPECT_EQ(model.CurrentRow(), 0);
    EXPECT_EQ(data.table->FieldByName("FirstName").AsString(), "Ann");  // reading did not move

    data.table->Edit();
    data.table->FieldByName("Notes").SetAsString("note");
    data.table->Post();
    EXPECT_EQ(Cell(model, 0, 2), "(MEMO)");

    data.table->Last();
    EXPECT_EQ(model.CurrentRow(), 4);
    data.table->Insert();
    EXPECT_EQ(model.rowCount(), 6);
    data.table->Cancel();
    EXPECT_EQ(model.rowCount(), 5);
    data.table->Close();
    EXPECT_EQ(model.rowCount(), 0);
}

TEST(DataSetModelTest, KeepsNoCopyOfTheRecords) {
    TBoundTable data({"Ann", "Bob", "Cid"});
    TDataSetModel model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    model.SetDataSource(&data.source);
    model.SetWindowRows(3);
    const int lastName = data.table->FieldByName("LastName").Index();
    data.table->Next();
    int changedRow = -1;
    QObject::connect(&model, &QAbstractItemModel::dataChanged,
                     [&](const QModelIndex& top, const QModelIndex&) { changedRow = top.row(); });
    data.table->Edit();
    data.table->FieldByName("LastName").SetAsString("Jones");
    EXPECT_EQ(changedRow, 1);
    EXPECT_EQ(Cell(model, 1, lastName), "Jones");  // the unposted buffer, read live
    data.table->Cancel();
    EXPECT_EQ(Cell(model, 1, lastName), "Smith");
}

TEST(DataSetModelTest, WindowFollowsTheCursorThroughALongTable) {
    TBoundTable data({"A01", "A02", "A03", "A04", "A05", "A06", "A07", "A08", "A09", "A10", "A11", "A12"});
    TDataSetModel model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    model.SetDataSource(&data.source);
    model.SetWindowRows(4);
    const int first = data.table->FieldByName("FirstName").Index();
    EXPECT_EQ(Cell(model, 6, first), "");  // outside the window: not read
    data.table->MoveBy(6);
    EXPECT_EQ(model.CurrentRow(), 6);
    EXPECT_EQ(Cell(model, 6, first), "A07");
    for (int row = model.FirstRow(); row < model.FirstRow() + 4; ++row) {
        EXPECT_EQ(Cell(model, row, first), QString("A%1").arg(row + 1, 2, 10, QChar('0')));
    }
    data.table->Last();
    EXPECT_EQ(model.FirstRow(), 8);
    EXPECT_EQ(Cell(model, 11, first), "A12");
    EXPECT_TRUE(model.MoveToRow(9));
    EXPECT_EQ(data.table->FieldByName("FirstName").AsString(), "A10");
}

TEST(DBGridTest, SelectingARowMovesTheCursorAndCtrlDeleteAsks) {
    TBoundTable data({"Ann", "Bob", "Cid"});
    TDBGrid grid;
    grid.resize(400, 200);
    grid.SetDataSource(&data.source);
    grid.SetReadOnly(true);
    grid.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&grid));
    int entered = -1;
    QObject::connect(&grid, &TDBGrid::ColEnter, [&](int column) { entered = column; });
    grid.setFocus();
    QTest::keyClick(&grid, Qt::Key_Down);
    EXPECT_EQ(data.table->FieldByName("FirstName").AsString(), "Bob");
    QTest::keyClick(&grid, Qt::Key_Right);
    EXPECT_EQ(entered, 1);
    data.table->First();
    EXPECT_EQ(grid.currentIndex().row(), 0);
    EXPECT_EQ(grid.currentIndex().column(), 1);  // the column stays

    QTest::keyClick(&grid, Qt::Key_Insert);  // read-only: adds nothing
    EXPECT_EQ(data.table->State(), dsBrowse);
    SetNextAnswer(TMessageAnswer::Cancel);
    QTest::keyClick(&grid, Qt::Key_Delete, Qt::ControlModifier);
    auto shown = TakeShownMessages();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, "Delete record?");
    EXPECT_EQ(data.StoredValues(), "Ann;Bob;Cid");
    SetNextAnswer(TMessageAnswer::Ok);
    QTest::keyClick(&grid, Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(TakeShownMessages().size(), 1u);
    EXPECT_EQ(data.StoredValues(), "Bob;Cid");
    EXPECT_EQ(grid.model()->rowCount(), 2);
}

TEST(DBGridTest, EditingACellWritesTheFieldAndLeavingTheRowPosts) {
    TBoundTable data({"Ann", "Bob"});
    data.source.SetAutoEdit(true);
    TDBGrid grid;
    grid.resize(400, 200);
    grid.SetDataSource(&data.source);
    grid.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&grid));
    const int last = data.table->FieldByName("LastName").Index();
    ASSERT_TRUE(grid.model()->setData(grid.model()->index(0, last), "Jones"));
    EXPECT_EQ(data.table->State(), dsEdit);
    grid.setCurrentIndex(grid.model()->index(1, last));
    EXPECT_EQ(data.table->State(), dsBrowse);
    EXPECT_EQ(data.StoredValues("LastName"), "Jones;Smith");
}

}  // namespace
}  // namespace hollin::ui
