// Moving through a dataset: Bof/Eof at the ends, MoveBy, and the ring of
// record buffers as a data link with several rows sees it.
#include "dataset/dataset.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "dataset/data_link.h"
#include "dataset/data_source.h"
#include "memory_dataset.h"

namespace hollin::test {
namespace {

using ::testing::ElementsAre;

class NavigationTest : public ::testing::Test {
protected:
    explicit NavigationTest(int rows = 5) : ds({{"N", ftInteger}}) {
        for (int i = 1; i <= rows; ++i) ds.AddRow({std::to_string(i)});
    }
    int N() { return ds.FieldByName("N").AsInteger(); }

    MemoryDataSet ds;
};

TEST_F(NavigationTest, BofAndEofAtTheEnds) {
    ds.Open();
    EXPECT_TRUE(ds.Bof());
    EXPECT_FALSE(ds.Eof());
    ds.Prior();  // already at the start: stays
    EXPECT_TRUE(ds.Bof());
    EXPECT_EQ(N(), 1);
    ds.Next();
    EXPECT_FALSE(ds.Bof());
    EXPECT_EQ(N(), 2);
    ds.Last();
    EXPECT_TRUE(ds.Eof());
    EXPECT_FALSE(ds.Bof());
    EXPECT_EQ(N(), 5);
    ds.Prior();
    EXPECT_FALSE(ds.Eof());
    EXPECT_EQ(N(), 4);
    ds.Next();
    EXPECT_FALSE(ds.Eof());  // on the last record, not yet past it
    ds.Next();
    EXPECT_TRUE(ds.Eof());
    EXPECT_EQ(N(), 5);
    ds.First();
    EXPECT_TRUE(ds.Bof());
    EXPECT_EQ(N(), 1);
}

TEST_F(NavigationTest, MoveByStopsAtTheEnds) {
    ds.Open();
    EXPECT_EQ(ds.MoveBy(3), 3);
    EXPECT_EQ(N(), 4);
    EXPECT_EQ(ds.MoveBy(10), 1);
    EXPECT_TRUE(ds.Eof());
    EXPECT_EQ(ds.MoveBy(-10), -4);
    EXPECT_TRUE(ds.Bof());
    EXPECT_EQ(N(), 1);
    EXPECT_EQ(ds.MoveBy(0), 0);
}

TEST(EmptyDataSet, IsBofAndEofAndReadsNull) {
    MemoryDataSet ds({{"N", ftInteger}});
    ds.Open();
    EXPECT_TRUE(ds.IsEmpty());
    EXPECT_TRUE(ds.Bof());
    EXPECT_TRUE(ds.Eof());
    EXPECT_EQ(ds.RecNo(), 0);
    EXPECT_TRUE(ds.FieldByName("N").IsNull());
    ds.Next();
    ds.Last();
    EXPECT_TRUE(ds.IsEmpty());
    EXPECT_TRUE(ds.GetBookmark().empty());
}

// A link that shows several rows, like a grid.
class RowsLink : public TDataLink {
public:
    std::vector<int> scrolls;
    int changes = 0;
    std::vector<int> Rows() {
        std::vector<int> rows;
        const int active = ActiveRecord();
        for (int row = 0; row < RecordCount(); ++row) {
            SetActiveRecord(row);
            rows.push_back(DataSet()->FieldByName("N").AsInteger());
        }
        SetActiveRecord(active);
        return rows;
    }

protected:
    void DataSetScrolled(int distance) override { scrolls.push_back(distance); }
    void DataSetChanged() override { ++changes; }
};

TEST_F(NavigationTest, ALinkWithThreeRowsSeesAWindowAroundTheCurrentRecord) {
    TDataSource source;
    source.SetDataSet(&ds);
    RowsLink link;
    link.SetBufferCount(3);
    link.SetDataSource(&source);
    ds.Open();
    EXPECT_THAT(link.Rows(), ElementsAre(1, 2, 3));
    EXPECT_EQ(link.ActiveRecord(), 0);
    ds.Next();
    ds.Next();
    EXPECT_THAT(link.Rows(), ElementsAre(1, 2, 3));
    EXPECT_EQ(link.ActiveRecord(), 2);
    ds.Next();  // the window scrolls by one
    EXPECT_THAT(link.Rows(), ElementsAre(2, 3, 4));
    EXPECT_EQ(link.ActiveRecord(), 2);
    EXPECT_EQ(N(), 4);
    ds.MoveBy(-3);
    EXPECT_THAT(link.Rows(), ElementsAre(1, 2, 3));
    EXPECT_EQ(link.ActiveRecord(), 0);
    EXPECT_THAT(link.scrolls, ElementsAre(0, 0, 1, -1));
    ds.Last();
    EXPECT_THAT(link.Rows(), ElementsAre(3, 4, 5));
    EXPECT_EQ(link.ActiveRecord(), 2);
    EXPECT_THROW(link.SetActiveRecord(3), EDatabaseError);

    // Editing and deleting inside the window.
    ds.Prior();
    ds.Delete();  // 4
    EXPECT_EQ(N(), 5);
    EXPECT_THAT(link.Rows(), ElementsAre(2, 3, 5));
    ds.Insert();
    ds.FieldByName("N").SetAsInteger(9);
    ds.Post();
    EXPECT_EQ(N(), 9);
    ds.First();
    std::vector<int> all;
    for (; !ds.Eof(); ds.Next()) all.push_back(N());
    EXPECT_THAT(all, ElementsAre(1, 2, 3, 9, 5));

    // Shrinking the window keeps the current record.
    ds.SetRecNo(4);
    link.SetBufferCount(1);
    EXPECT_EQ(N(), 9);
    EXPECT_THAT(link.Rows(), ElementsAre(9));
    ds.Next();
    EXPECT_EQ(N(), 5);
}

TEST_F(NavigationTest, ASmallDatasetFillsOnlyPartOfAWindow) {
    MemoryDataSet two({{"N", ftInteger}});
    two.AddRow({"1"});
    two.AddRow({"2"});
    TDataSource source;
    source.SetDataSet(&two);
    RowsLink link;
    link.SetBufferCount(4);
    link.SetDataSource(&source);
    two.Open();
    EXPECT_EQ(link.RecordCount(), 2);
    EXPECT_THAT(link.Rows(), ElementsAre(1, 2));
    two.Last();
    EXPECT_EQ(link.ActiveRecord(), 1);
    two.Append();
    EXPECT_EQ(link.RecordCount(), 3);
    EXPECT_EQ(link.ActiveRecord(), 2);
    two.Cancel();
    EXPECT_EQ(link.RecordCount(), 2);
}

}  // namespace
}  // namespace hollin::test
