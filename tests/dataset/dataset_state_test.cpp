// Dataset states, the editing operations and the order of their events.
#include "dataset/dataset.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "dataset/dataset_errors.h"
#include "memory_dataset.h"

namespace hollin::test {
namespace {

using ::testing::ElementsAre;

std::vector<ColumnDef> People() { return {{"Name", ftString, 20}, {"Age", ftInteger}}; }

// A dataset of Ann, Bob, Cy that records its events by name.
class DataSetTest : public ::testing::Test {
protected:
    DataSetTest() : ds(People()) {
        for (const char* name : {"Ann", "Bob", "Cy"}) ds.AddRow({name, "30"});
        const std::pair<TDataSet::TNotifyEvent*, const char*> events[] = {
            {&ds.BeforeOpen, "BeforeOpen"},     {&ds.AfterOpen, "AfterOpen"},
            {&ds.BeforeClose, "BeforeClose"},   {&ds.AfterClose, "AfterClose"},
            {&ds.BeforeInsert, "BeforeInsert"}, {&ds.AfterInsert, "AfterInsert"},
            {&ds.BeforeEdit, "BeforeEdit"},     {&ds.AfterEdit, "AfterEdit"},
            {&ds.BeforePost, "BeforePost"},     {&ds.AfterPost, "AfterPost"},
            {&ds.BeforeCancel, "BeforeCancel"}, {&ds.AfterCancel, "AfterCancel"},
            {&ds.BeforeDelete, "BeforeDelete"}, {&ds.AfterDelete, "AfterDelete"},
            {&ds.BeforeScroll, "BeforeScroll"}, {&ds.AfterScroll, "AfterScroll"},
            {&ds.OnNewRecord, "OnNewRecord"}};
        for (const auto& [event, name] : events) {
            *event = [this, n = std::string(name)](TDataSet&) { log.push_back(n); };
        }
    }
    std::string Name() { return ds.FieldByName("Name").AsString(); }
    std::vector<std::string> Names() {
        std::vector<std::string> names;
        for (int i = 0; i < ds.StoredCount(); ++i) names.push_back(ds.StoredText(i, "Name"));
        return names;
    }

    std::vector<std::string> log;  // before ds: ds fires events while it closes
    MemoryDataSet ds;
};

TEST_F(DataSetTest, OpenEditPostCloseWithEventsInOrder) {
    EXPECT_EQ(ds.State(), dsInactive);
    ds.Open();
    EXPECT_EQ(ds.State(), dsBrowse);
    EXPECT_EQ(Name(), "Ann");
    ds.Edit();
    EXPECT_EQ(ds.State(), dsEdit);
    EXPECT_FALSE(ds.Modified());
    ds.FieldByName("Name").SetAsString("Ada");
    EXPECT_TRUE(ds.Modified());
    ds.Post();
    EXPECT_EQ(ds.State(), dsBrowse);
    EXPECT_FALSE(ds.Modified());
    EXPECT_EQ(Name(), "Ada");
    ds.Close();
    EXPECT_EQ(ds.State(), dsInactive);
    EXPECT_THAT(log, ElementsAre("BeforeOpen", "AfterOpen", "BeforeEdit", "AfterEdit", "BeforePost",
                                 "AfterPost", "BeforeClose", "AfterClose"));
    EXPECT_THAT(Names(), ElementsAre("Ada", "Bob", "Cy"));
}

TEST_F(DataSetTest, InsertCancelAndDeleteEvents) {
    ds.Open();
    log.clear();
    ds.Insert();
    EXPECT_EQ(ds.State(), dsInsert);
    EXPECT_TRUE(ds.FieldByName("Name").IsNull());
    ds.Cancel();
    EXPECT_EQ(Name(), "Ann");
    ds.Delete();
    EXPECT_THAT(log, ElementsAre("BeforeInsert", "BeforeScroll", "OnNewRecord", "AfterInsert",
                                 "AfterScroll", "BeforeCancel", "BeforeScroll", "AfterCancel",
                                 "AfterScroll", "BeforeDelete", "BeforeScroll", "AfterDelete",
                                 "AfterScroll"));
    EXPECT_THAT(Names(), ElementsAre("Bob", "Cy"));
}

TEST_F(DataSetTest, CheckBrowseModePostsAModifiedRecordAndCancelsAnUnmodifiedOne) {
    ds.Open();
    ds.Edit();
    ds.FieldByName("Age").SetAsInteger(31);
    ds.CheckBrowseMode();
    EXPECT_EQ(ds.State(), dsBrowse);
    EXPECT_EQ(ds.StoredText(0, "Age"), "31");

    ds.Insert();
    ds.CheckBrowseMode();  // nothing typed: dropped
    EXPECT_EQ(ds.State(), dsBrowse);
    EXPECT_EQ(ds.StoredCount(), 3);

    // Moving away checks browse mode too.
    ds.Edit();
    ds.FieldByName("Name").SetAsString("Abe");
    log.clear();
    ds.Next();
    EXPECT_EQ(Name(), "Bob");
    EXPECT_THAT(log, ElementsAre("BeforePost", "AfterPost", "BeforeScroll", "AfterScroll"));
    EXPECT_THAT(Names(), ElementsAre("Abe", "Bob", "Cy"));
}

TEST_F(DataSetTest, OnNewRecordValuesDoNotCountAsModified) {
    ds.OnNewRecord = [](TDataSet& d) { d.FieldByName("Age").SetAsInteger(1); };
    ds.Open();
    ds.Append();
    EXPECT_EQ(ds.FieldByName("Age").AsInteger(), 1);
    EXPECT_FALSE(ds.Modified());
    ds.FieldByName("Name").SetAsString("Dot");
    ds.Post();
    EXPECT_THAT(Names(), ElementsAre("Ann", "Bob", "Cy", "Dot"));
    EXPECT_EQ(Name(), "Dot");
    EXPECT_FALSE(ds.Eof());
}

TEST_F(DataSetTest, InsertGoesBeforeTheCurrentRecord) {
    ds.Open();
    ds.Next();
    ds.Insert();
    ds.FieldByName("Name").SetAsString("Bea");
    ds.Post();
    EXPECT_EQ(Name(), "Bea");
    EXPECT_THAT(Names(), ElementsAre("Ann", "Bea", "Bob", "Cy"));
    ds.Next();
    EXPECT_EQ(Name(), "Bob");
}

TEST_F(DataSetTest, DeleteMovesToTheNextRecordOrTheNewLast) {
    ds.Open();
    ds.Next();
    ds.Delete();
    EXPECT_EQ(Name(), "Cy");
    ds.Delete();
    EXPECT_EQ(Name(), "Ann");  // Cy was the last
    ds.Delete();
    EXPECT_TRUE(ds.IsEmpty());
    EXPECT_TRUE(ds.Bof());
    EXPECT_TRUE(ds.Eof());
    EXPECT_EQ(MessageOf<EDatabaseError>([&] { ds.Delete(); }),
              "Cannot perform this operation on an empty dataset");
    // Edit on an empty dataset begins an insert.
    ds.Edit();
    EXPECT_EQ(ds.State(), dsInsert);
    ds.FieldByName("Name").SetAsString("Eve");
    ds.Post();
    EXPECT_THAT(Names(), ElementsAre("Eve"));
    EXPECT_EQ(Name(), "Eve");
}

TEST_F(DataSetTest, ClosedAndReadOnlyDatasetsRefuseWithTheExactTexts) {
    EXPECT_EQ(MessageOf<EDatabaseError>([&] { ds.First(); }),
              "Cannot perform this operation on a closed dataset");
    EXPECT_EQ(MessageOf<EDatabaseError>([&] { ds.Edit(); }),
              "Cannot perform this operation on a closed dataset");
    EXPECT_EQ(MessageOf<EDatabaseError>([&] { ds.RecordCount(); }),
              "Cannot perform this operation on a closed dataset");
    ds.Open();
    EXPECT_EQ(MessageOf<EDatabaseError>([&] { ds.AddField(std::make_unique<TField>("X", ftInteger)); }),
              "Cannot perform this operation on an open dataset");
    EXPECT_EQ(MessageOf<EDatabaseError>([&] { ds.Post(); }), "Dataset not in edit or insert mode");
    ds.SetReadOnly(true);
    EXPECT_FALSE(ds.CanModify());
    for (auto op : {&TDataSet::Edit, &TDataSet::Insert, &TDataSet::Append}) {
        EXPECT_EQ(MessageOf<EDatabaseError>([&] { (ds.*op)(); }), "Cannot modify a read-only dataset");
        EXPECT_EQ(ds.State(), dsBrowse);
    }
    ds.SetReadOnly(false);
    ds.canModify = false;  // the cursor refuses as well
    EXPECT_EQ(MessageOf<EDatabaseError>([&] { ds.Edit(); }), "Cannot modify a read-only dataset");
}

TEST_F(DataSetTest, CloseDropsAnEditWithoutPosting) {
    ds.Open();
    ds.Edit();
    ds.FieldByName("Name").SetAsString("Zed");
    ds.Close();
    EXPECT_THAT(Names(), ElementsAre("Ann", "Bob", "Cy"));
    EXPECT_EQ(ds.FieldCount(), 0);  // default fields go with the cursor
    ds.Open();
    EXPECT_EQ(Name(), "Ann");
}

TEST_F(DataSetTest, AFailedOpenLeavesTheDatasetClosed) {
    ds.failOpen = true;
    EXPECT_EQ(MessageOf<EDatabaseError>([&] { ds.Open(); }), "open failed");
    EXPECT_EQ(ds.State(), dsInactive);
    EXPECT_THAT(log, ElementsAre("BeforeOpen"));
    ds.failOpen = false;
    ds.Open();
    EXPECT_EQ(Name(), "Ann");
}

TEST_F(DataSetTest, PostErrorActions) {
    ds.Open();
    int asked = 0;
    TDataAction answer = daRetry;
    ds.OnPostError = [&](TDataSet&, const EDatabaseError& e, TDataAction& action) {
        EXPECT_STREQ(e.what(), "post failed");
        ++asked;
        action = answer;
    };
    // Retry: the second attempt succeeds.
    ds.failPostCount = 1;
    ds.Edit();
    ds.FieldByName("Age").SetAsInteger(40);
    ds.Post();
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(ds.StoredText(0, "Age"), "40");
    // Fail: the error goes on, the record stays in Edit with its change.
    answer = daFail;
    ds.failPostCount = 1;
    ds.Edit();
    ds.FieldByName("Age").SetAsInteger(41);
    EXPECT_EQ(MessageOf<EDatabaseError>([&] { ds.Post(); }), "post failed");
    EXPECT_EQ(ds.State(), dsEdit);
    EXPECT_EQ(ds.FieldByName("Age").AsInteger(), 41);
    // Abort: a silent abort instead.
    answer = daAbort;
    ds.failPostCount = 1;
    EXPECT_THROW(ds.Post(), EAbort);
    EXPECT_EQ(ds.State(), dsEdit);
    ds.Post();
    EXPECT_EQ(ds.StoredText(0, "Age"), "41");
}

TEST_F(DataSetTest, ABeforeEventCanAbortTheOperation) {
    ds.Open();
    ds.BeforeEdit = [](TDataSet&) { throw EAbort(); };
    EXPECT_THROW(ds.Edit(), EAbort);
    EXPECT_EQ(ds.State(), dsBrowse);
}

TEST_F(DataSetTest, BookmarksRecNoLocateAndLookup) {
    ds.Open();
    ds.Last();
    EXPECT_EQ(ds.RecNo(), 3);
    EXPECT_EQ(ds.RecordCount(), 3);
    const TBookmark cy = ds.GetBookmark();
    ds.First();
    const TBookmark ann = ds.GetBookmark();
    EXPECT_LT(ds.CompareBookmarks(ann, cy), 0);
    EXPECT_EQ(ds.CompareBookmarks(cy, cy), 0);
    ds.GotoBookmark(cy);
    EXPECT_EQ(Name(), "Cy");
    ds.SetRecNo(2);
    EXPECT_EQ(Name(), "Bob");

    EXPECT_TRUE(ds.Locate("Name", {std::string("CY")}, {true, false}));
    EXPECT_EQ(Name(), "Cy");
    EXPECT_TRUE(ds.Locate("name;Age", {std::string("bo"), int64_t{30}}, {true, true}));
    EXPECT_EQ(Name(), "Bob");
    EXPECT_FALSE(ds.Locate("Name", {std::string("Zed")}));
    EXPECT_EQ(Name(), "Bob");  // not found: stays
    ds.Next();
    EXPECT_EQ(Name(), "Cy");  // and the cursor still moves from there

    const std::vector<TFieldValue> ages = ds.Lookup("Name", {std::string("Ann")}, "Age;Name");
    EXPECT_EQ(ages, (std::vector<TFieldValue>{int64_t{30}, std::string("Ann")}));
    EXPECT_TRUE(ds.Lookup("Name", {std::string("Zed")}, "Age").empty());
    EXPECT_EQ(Name(), "Cy");  // Lookup does not move
    ds.Prior();
    EXPECT_EQ(Name(), "Bob");

    ds.Delete();  // Bob
    EXPECT_FALSE(ds.BookmarkValid(TBookmark{2, 0, 0, 0}));
    EXPECT_EQ(MessageOf<EDatabaseError>([&] { ds.GotoBookmark(TBookmark{2, 0, 0, 0}); }),
              "Record not found");
    EXPECT_EQ(MessageOf<EDatabaseError>([&] { ds.Locate("Name;Age", {std::string("Ann")}); }),
              "Wrong number of key values");
}

TEST_F(DataSetTest, SetKeyWritesTheDescendantsKeyBuffer) {
    ds.Open();
    ds.EditKey();
    EXPECT_EQ(ds.State(), dsSetKey);
    ds.FieldByName("Name").SetReadOnly(true);  // key fields may still be set
    ds.FieldByName("Name").SetAsString("Bob");
    EXPECT_EQ(ds.FieldByName("Name").AsString(), "Bob");
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(ds.KeyBuffer().data()) + 1), "Bob");
    ds.Post();
    EXPECT_EQ(ds.State(), dsBrowse);
    EXPECT_EQ(Name(), "Ann");  // the record itself is untouched
    ds.EditKey();
    ds.Next();  // leaving SetKey by a move posts the key
    EXPECT_EQ(Name(), "Bob");
    ds.EditKey();
    ds.Cancel();
    ds.EditKey();
    ds.Delete();  // cancels as well
    EXPECT_THAT(ds.keyPosts, ElementsAre(true, true, false, false));
    EXPECT_EQ(ds.StoredCount(), 3);
    EXPECT_EQ(ds.State(), dsBrowse);
}

TEST_F(DataSetTest, FilterRecordEventHidesRecords) {
    ds.OnFilterRecord = [](TDataSet& d, bool& accept) {
        accept = d.FieldByName("Name").AsString() != "Bob";
    };
    ds.SetFiltered(true);
    ds.Open();
    std::vector<std::string> seen;
    while (!ds.Eof()) {
        seen.push_back(Name());
        ds.Next();
    }
    EXPECT_THAT(seen, ElementsAre("Ann", "Cy"));
}

}  // namespace
}  // namespace hollin::test
