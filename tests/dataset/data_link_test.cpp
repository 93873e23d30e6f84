// Data sources and data links: notifications, AutoEdit, counts of the data
// source's events, circular links.
#include "dataset/data_link.h"

#include <functional>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "dataset/data_source.h"
#include "dataset/dataset_errors.h"
#include "dataset/field_data_link.h"
#include "memory_dataset.h"

namespace hollin::test {
namespace {

using ::testing::ElementsAre;

// Records every notification by name.
class RecordingLink : public TDataLink {
public:
    std::vector<std::string> log;

protected:
    void ActiveChanged() override { log.push_back(Active() ? "Active" : "Inactive"); }
    void DataSetChanged() override { log.push_back("DataSetChanged"); }
    void DataSetScrolled(int distance) override {
        log.push_back("Scrolled " + std::to_string(distance));
    }
    void RecordChanged(TField* field) override {
        log.push_back("RecordChanged " + (field ? field->FieldName() : std::string("-")));
    }
    void EditingChanged() override { log.push_back(Editing() ? "Editing" : "NotEditing"); }
    void UpdateData() override { log.push_back("UpdateData"); }
    void CheckBrowseMode() override { log.push_back("CheckBrowseMode"); }
};

class DataLinkTest : public ::testing::Test {
protected:
    DataLinkTest() : ds({{"Name", ftString, 20}, {"Age", ftInteger}}) {
        ds.AddRow({"Ann", "30"});
        ds.AddRow({"Bob", "40"});
        source.SetDataSet(&ds);
        source.OnDataChange = [this](TDataSource&, TField* field) {
            dataChanges.push_back(field ? field->FieldName() : "-");
        };
        source.OnStateChange = [this](TDataSource& s) { states.push_back(s.State()); };
    }

    MemoryDataSet ds;
    TDataSource source;
    std::vector<std::string> dataChanges;
    std::vector<TDataSetState> states;
};

TEST_F(DataLinkTest, LinksReceiveActiveScrolledRecordAndEditingNotifications) {
    RecordingLink link;
    link.SetDataSource(&source);
    ds.Open();
    ds.Next();
    ds.Edit();
    ds.FieldByName("Age").SetAsInteger(41);
    ds.Post();
    ds.Close();
    EXPECT_THAT(link.log,
                ElementsAre("Active", "CheckBrowseMode", "Scrolled 1", "CheckBrowseMode", "Editing",
                            "RecordChanged -", "RecordChanged Age", "UpdateData", "CheckBrowseMode",
                            "NotEditing", "DataSetChanged", "Inactive"));
}

TEST_F(DataLinkTest, DataSourceEventCounts) {
    ds.Open();
    EXPECT_THAT(states, ElementsAre(dsBrowse));
    EXPECT_THAT(dataChanges, ElementsAre("-"));  // opening
    ds.Next();
    ds.Next();  // at the end: the dataset still reports the attempt
    ds.Edit();
    ds.FieldByName("Name").SetAsString("Bo");
    ds.Cancel();
    ds.Insert();
    ds.Post();  // nothing typed, posted anyway: Post does not check
    ds.Refresh();
    ds.Close();
    EXPECT_THAT(states, ElementsAre(dsBrowse, dsEdit, dsBrowse, dsInsert, dsBrowse, dsInactive));
    EXPECT_THAT(dataChanges, ElementsAre("-", "-", "-", "-", "Name", "-", "-", "-", "-"));
    // Closed: no more data changes.
    dataChanges.clear();
    EXPECT_THROW(ds.Next(), EDatabaseError);
    EXPECT_TRUE(dataChanges.empty());
}

// Counts the records whenever the dataset scrolls, as a grid does.
class CountingLink : public TDataLink {
public:
    std::function<void()> onScrolled;
    std::vector<int> counts;

protected:
    void DataSetScrolled(int) override {
        counts.push_back(DataSet()->RecordCount());
        if (onScrolled) onScrolled();
    }
};

TEST_F(DataLinkTest, OneMoveCountsTheRecordsOnceForEveryListener) {
    CountingLink link;
    link.SetDataSource(&source);
    std::vector<int> handlerCounts;
    source.OnDataChange = [&](TDataSource&, TField*) { handlerCounts.push_back(ds.RecordCount()); };
    ds.Open();
    handlerCounts.clear();
    ds.recordCounts = 0;
    ds.Next();
    EXPECT_EQ(ds.recordCounts, 1);
    EXPECT_THAT(link.counts, ElementsAre(2));
    EXPECT_THAT(handlerCounts, ElementsAre(2));
    // Outside an event every call counts afresh.
    ds.RecordCount();
    ds.RecordCount();
    EXPECT_EQ(ds.recordCounts, 3);

    // A record added while the move goes round (an event of its own) is
    // counted by those who ask after it.
    link.onScrolled = [&] {
        ds.AddRow({"Cy", "50"});
        ds.Refresh();
    };
    handlerCounts.clear();
    ds.Prior();
    link.onScrolled = nullptr;
    EXPECT_THAT(link.counts, ElementsAre(2, 2));
    EXPECT_EQ(handlerCounts.back(), 3);
}

TEST_F(DataLinkTest, DisableControlsHoldsBackNotificationsUntilEnabled) {
    ds.Open();
    dataChanges.clear();
    ds.DisableControls();
    ds.DisableControls();
    ds.Next();
    ds.Edit();
    ds.Cancel();
    ds.EnableControls();
    EXPECT_TRUE(dataChanges.empty());
    ds.EnableControls();
    EXPECT_THAT(dataChanges, ElementsAre("-"));  // one change for everything
    EXPECT_EQ(ds.FieldByName("Name").AsString(), "Bob");
    EXPECT_FALSE(ds.ControlsDisabled());
}

TEST_F(DataLinkTest, ADisabledSourceShowsItsLinksAnInactiveDataset) {
    RecordingLink link;
    link.SetDataSource(&source);
    ds.Open();
    source.SetEnabled(false);
    EXPECT_FALSE(link.Active());
    EXPECT_EQ(source.State(), dsInactive);
    ds.Next();
    EXPECT_THAT(link.log, ElementsAre("Active", "Inactive"));
    source.SetEnabled(true);
    EXPECT_TRUE(link.Active());
}

// A control bound to one field: it types a value and writes it on UpdateData.
struct BoundControl {
    explicit BoundControl(TDataSource& source, const std::string& field) {
        link.SetDataSource(&source);
        link.SetFieldName(field);
        link.OnDataChange = [this] { shown = link.Field() ? link.Field()->AsString() : "<none>"; };
        link.OnUpdateData = [this] { link.Field()->SetAsString(text); };
        link.OnEditingChange = [this] { ++editingChanges; };
    }
    // What typing does: ask for an edit, remember the text.
    bool Type(const std::string& value) {
        if (!link.Edit()) return false;
        text = value;
        link.Modified();
        return true;
    }

    TFieldDataLink link;
    std::string shown;
    std::string text;
    int editingChanges = 0;
};

TEST_F(DataLinkTest, AutoEditLetsTypingStartAnEdit) {
    BoundControl name(source, "Name");
    ds.Open();
    EXPECT_EQ(name.shown, "Ann");
    ASSERT_TRUE(name.Type("Ada"));
    EXPECT_EQ(ds.State(), dsEdit);
    EXPECT_EQ(name.editingChanges, 1);
    ds.Post();  // the control writes its text first
    EXPECT_EQ(ds.StoredText(0, "Name"), "Ada");
    EXPECT_EQ(name.shown, "Ada");
    ds.Next();
    EXPECT_EQ(name.shown, "Bob");
}

TEST_F(DataLinkTest, WithoutAutoEditTypingWhileBrowsingChangesNothing) {
    source.SetAutoEdit(false);
    BoundControl name(source, "Name");
    ds.Open();
    EXPECT_FALSE(name.Type("Ada"));
    EXPECT_EQ(ds.State(), dsBrowse);
    EXPECT_THROW(ds.FieldByName("Name").SetAsString("Ada"), EDatabaseError);
    ds.Edit();  // the navigator's Edit
    EXPECT_TRUE(name.Type("Ada"));
    ds.Post();
    EXPECT_EQ(ds.StoredText(0, "Name"), "Ada");
}

TEST_F(DataLinkTest, AFieldLinkFollowsItsFieldAcrossCloseAndOpen) {
    BoundControl age(source, "Age");
    EXPECT_EQ(age.link.Field(), nullptr);
    ds.Open();
    ASSERT_NE(age.link.Field(), nullptr);
    EXPECT_EQ(age.shown, "30");
    ds.Close();
    EXPECT_EQ(age.link.Field(), nullptr);
    EXPECT_EQ(age.shown, "<none>");
    ds.Open();
    EXPECT_EQ(age.link.Field(), &ds.FieldByName("Age"));
    bool focused = false;
    age.link.OnFocusControl = [&] { focused = true; };
    ds.FieldByName("Name").FocusControl();
    EXPECT_FALSE(focused);
    ds.FieldByName("Age").FocusControl();
    EXPECT_TRUE(focused);
}

TEST_F(DataLinkTest, CircularDataLinksAreRefused) {
    // ds follows other's source, other follows ds's source: a loop.
    MemoryDataSet other({{"N", ftInteger}});
    TDataSource otherSource;
    otherSource.SetDataSet(&other);
    ds.SetDataSource(&otherSource);
    try {
        other.SetDataSource(&source);
        FAIL() << "no error";
    } catch (const EDatabaseError& e) {
        EXPECT_STREQ(e.what(), "Circular datalinks are not allowed");
    }
    EXPECT_EQ(other.DataSource(), nullptr);
    // The same loop closed from the data source side.
    other.SetDataSource(nullptr);
    TDataSource loop;
    ds.SetDataSource(&loop);
    try {
        loop.SetDataSet(&ds);
        FAIL() << "no error";
    } catch (const EDatabaseError& e) {
        EXPECT_STREQ(e.what(), "Circular datalinks are not allowed");
    }
    EXPECT_EQ(loop.DataSet(), nullptr);
    ds.SetDataSource(nullptr);
}

TEST_F(DataLinkTest, DestroyingEitherSideDetaches) {
    auto link = std::make_unique<RecordingLink>();
    {
        TDataSource temporary;
        temporary.SetDataSet(&ds);
        link->SetDataSource(&temporary);
        ds.Open();
        EXPECT_TRUE(link->Active());
    }
    EXPECT_EQ(link->DataSource(), nullptr);
    EXPECT_FALSE(link->Active());
    ds.Next();  // the dataset no longer knows the source
    {
        auto dataSet = std::make_unique<MemoryDataSet>(std::vector<ColumnDef>{{"N", ftInteger}});
        TDataSource s;
        s.SetDataSet(dataSet.get());
        dataSet->Open();
        EXPECT_EQ(s.State(), dsBrowse);
        dataSet.reset();
        EXPECT_EQ(s.DataSet(), nullptr);
        EXPECT_EQ(s.State(), dsInactive);
    }
}

}  // namespace
}  // namespace hollin::test
