// Tests of the query component TLarchQuery over the event table: its text and
// parameters, prepare and open, live and canned results, and the master link.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "dataset/data_source.h"
#include "dataset/database_error.h"
#include "dataset/date_time.h"
#include "engine/cursor/larch_query.h"
#include "tests/engine/test_folder.h"
#include "tests/support/engine_error_code.h"
#include "tests/support/event_cursor.h"
#include "tests/support/test_text.h"
#include "tests/support/event_table.h"

namespace larch {
namespace {

using namespace hollin;
using testing::AddEvent;
using testing::CodeOf;
using testing::EventCursor;
using testing::TestFolder;
using testing::ErrorText;

constexpr const char* kMonthQuery =
    "SELECT FirstName, LastName, Event, EventDate FROM \"Hollin.DAT\" WHERE EXTRACT(MONTH FROM EventDate)=(:Today)";


// The values of one field over every row of an open dataset, in order.
std::vector<std::string> Column(TDataSet& dataSet, const std::string& field) {
    std::vector<std::string> values;
    for (dataSet.First(); !dataSet.Eof(); dataSet.Next()) values.push_back(dataSet.FieldByName(field).AsString());
    return values;
}

class QueryComponent : public ::testing::Test {
protected:
    void SetUp() override {
        testing::CreateEventTable(folder / "Hollin.DAT");
        table = EventCursor(folder.path(), "");
        table->Open();
        // Added in this order: the primary index (IndexField) keeps it.
        AddEvent(*table, "Zoe", "Adams", "Birthday", EncodeDate(1990, 3, 14));
        AddEvent(*table, "Ann", "Baker", "Wedding", EncodeDate(1985, 7, 2));
        AddEvent(*table, "Bob", "Adams", "Birthday", EncodeDate(2001, 3, 1));
        AddEvent(*table, "Cy", "Clark", "Passing", EncodeDate(1970, 12, 31));
        AddEvent(*table, "Dee", "Baker", "Birthday", EncodeDate(1999, 3, 7));
        table->Close();
        query.SetDatabaseName(folder.path());
    }

    TestFolder folder;
    std::unique_ptr<TLarchTable> table;
    TLarchQuery query;
};

TEST_F(QueryComponent, TextChangesRebuildParamsKeepingSameNamedValues) {
    query.SetSQL("SELECT * FROM Hollin WHERE a = :x AND b = :y");
    ASSERT_EQ(query.ParamCount(), 2);
    EXPECT_EQ(query.Text(), "SELECT * FROM Hollin WHERE a = ? AND b = ?");
    query.ParamByName("x").SetAsInteger(7);
    query.ParamByName("Y").SetAsString("kept?");

    // Exactly the same name keeps its value; another spelling starts empty.
    query.SetSQL(std::vector<std::string>{"SELECT * FROM Hollin", "WHERE a = :x AND b = :Y"});
    ASSERT_EQ(query.ParamCount(), 2);
    EXPECT_EQ(query.SQLText(), "SELECT * FROM Hollin\nWHERE a = :x AND b = :Y");
    EXPECT_EQ(query.Params().Items(0).AsInteger(), 7);
    EXPECT_TRUE(query.Params().Items(1).IsNull());
    EXPECT_EQ(ErrorText([&] { query.ParamByName("z"); }), "Parameter 'z' not found");

    // Without ParamCheck the text stays as written and no parameters are made.
    TLarchQuery unchecked;
    unchecked.SetParamCheck(false);
    unchecked.SetSQL("SELECT * FROM Hollin WHERE a = :x");
    EXPECT_EQ(unchecked.ParamCount(), 0);
    EXPECT_EQ(unchecked.Text(), "SELECT * FROM Hollin WHERE a = :x");
}

TEST_F(QueryComponent, ParamCheckOffLeavesTheColonToTheParser) {
    query.SetParamCheck(false);
    query.SetSQL(kMonthQuery);
    EXPECT_EQ(CodeOf([&] { query.Prepare(); }), 11949);
    std::string text = ErrorText([&] { query.Prepare(); });
    EXPECT_NE(text.find("Unknown or unexpected symbol ':' found in "), std::string::npos) << text;
    EXPECT_FALSE(query.Prepared());
}

TEST_F(QueryComponent, ComponentErrors) {
    EXPECT_EQ(ErrorText([&] { query.Prepare(); }), "No SQL statement available");
    EXPECT_EQ(ErrorText([&] { query.Open(); }), "No SQL statement available");
    query.SetSQL(kMonthQuery);
    EXPECT_EQ(ErrorText([&] { query.Open(); }), "No value for parameter 'Today'");
    EXPECT_FALSE(query.Active());
    query.ParamByName("Today").SetAsInteger(3);
    query.Open();
    EXPECT_EQ(ErrorText([&] { query.Prepare(); }), "Cannot perform this operation on an open dataset");

    // A data source over the query itself leads back to it.
    TDataSource own;
    own.SetDataSet(&query);
    EXPECT_EQ(ErrorText([&] { query.SetDataSource(&own); }), "Circular datalinks are not allowed");
    EXPECT_EQ(query.EngineVersion(), "1.21");
}

TEST_F(QueryComponent, LiveMonthQueryShowsTheColumnsAndEditsTheTable) {
    query.SetRequestLive(true);
    query.SetSQL(kMonthQuery);
    query.ParamByName("Today").SetAsInteger(3);
    query.Prepare();
    query.Open();
    ASSERT_TRUE(query.IsLive());
    ASSERT_EQ(query.FieldCount(), 4);
    EXPECT_EQ(query.Fields()[0].FieldName(), "FirstName");
    EXPECT_EQ(query.Fields()[3].FieldName(), "EventDate");
    EXPECT_EQ(query.FindField("IndexField"), nullptr);
    // March rows in the order they were added (the primary index).
    EXPECT_EQ(Column(query, "FirstName"), (std::vector<std::string>{"Zoe", "Bob", "Dee"}));
    EXPECT_EQ(query.RecordCount(), 3);
    ASSERT_TRUE(query.CanModify());

    // An edit through the result is an edit of the table.
    query.First();
    query.Edit();
    query.FieldByName("FirstName").SetAsString("Zed");
    query.Post();
    // A row moved out of the month leaves the live result.
    query.Last();
    query.Edit();
    query.FieldByName("EventDate").SetAsDate(EncodeDate(1999, 4, 7));
    query.Post();
    EXPECT_EQ(Column(query, "FirstName"), (std::vector<std::string>{"Zed", "Bob"}));
    query.Close();

    table->Open();
    EXPECT_EQ(Column(*table, "FirstName"), (std::vector<std::string>{"Zed", "Ann", "Bob", "Cy", "Dee"}));
    table->Last();
    EXPECT_EQ(table->FieldByName("EventDate").AsDate(), EncodeDate(1999, 4, 7));
}

TEST_F(QueryComponent, CannedMonthQueryIsReadOnlyWithTheSameRows) {
    query.SetSQL(kMonthQuery);
    query.ParamByName("Today").SetAsInteger(3);
    query.Open();
    EXPECT_FALSE(query.IsLive());
    EXPECT_FALSE(query.CanModify());
    ASSERT_EQ(query.FieldCount(), 4);
    EXPECT_EQ(query.FindField("Row___No"), nullptr);
    EXPECT_EQ(Column(query, "FirstName"), (std::vector<std::string>{"Zoe", "Bob", "Dee"}));
    EXPECT_EQ(Column(query, "EventDate")[0], "03/14/1990");
}

TEST_F(QueryComponent, LiveResultKeepsItsConditionUnderAUserFilter) {
    query.SetRequestLive(true);
    query.SetSQL("SELECT FirstName, LastName, EXTRACT(YEAR FROM EventDate) FROM Hollin WHERE Event = 'Birth*'");
    query.Open();
    ASSERT_TRUE(query.IsLive());
    // The expression column is computed per record and cannot be written.
    ASSERT_EQ(query.FieldCount(), 3);
    EXPECT_EQ(query.Fields()[2].FieldName(), "Expression");
    EXPECT_EQ(Column(query, "Expression"), (std::vector<std::string>{"1990", "2001", "1999"}));

    query.SetFilter("LastName = 'Adams'");
    query.SetFiltered(true);
    EXPECT_EQ(Column(query, "FirstName"), (std::vector<std::string>{"Zoe", "Bob"}));
    query.SetFiltered(false);
    // Switching the user's filter off keeps the statement's condition.
    EXPECT_EQ(Column(query, "FirstName"), (std::vector<std::string>{"Zoe", "Bob", "Dee"}));
    EXPECT_EQ(query.RecordCount(), 3);

    query.First();
    query.Edit();
    EXPECT_THROW(query.FieldByName("Expression").SetAsInteger(1), EDatabaseError);
    query.Cancel();
}

TEST_F(QueryComponent, OrderByIsLiveOnlyWhereAnIndexMatches) {
    struct OrderCase {
        std::string order;
        bool live;
    };
    // The table's FirstName index ignores case: only NOCASE matches it.
    for (const OrderCase& c : std::vector<OrderCase>{{"ORDER BY FirstName NOCASE", true}, {"ORDER BY FirstName", false}}) {
        TLarchQuery ordered;
        ordered.SetDatabaseName(folder.path());
        ordered.SetRequestLive(true);
        ordered.SetSQL("SELECT * FROM Hollin " + c.order);
        ordered.Open();
        EXPECT_EQ(ordered.IsLive(), c.live) << c.order;
        EXPECT_EQ(ordered.CanModify(), c.live) << c.order;
        EXPECT_EQ(Column(ordered, "FirstName"), (std::vector<std::string>{"Ann", "Bob", "Cy", "Dee", "Zoe"})) << c.order;
    }
}

TEST_F(QueryComponent, ARepeatedColumnGetsASuffixLiveAndCanned) {
    for (bool live : {true, false}) {
        TLarchQuery twice;
        twice.SetDatabaseName(folder.path());
        twice.SetRequestLive(live);
        twice.SetSQL("SELECT FirstName, FirstName FROM Hollin WHERE LastName = 'Clark'");
        twice.Open();
        EXPECT_EQ(twice.IsLive(), live);
        ASSERT_EQ(twice.FieldCount(), 2);
        EXPECT_EQ(twice.Fields()[1].FieldName(), "FirstName_1");
        EXPECT_EQ(twice.FieldByName("FirstName_1").AsString(), "Cy");
    }
}

TEST_F(QueryComponent, AbortQueryKeepsTheRowsMadeSoFar) {
    query.SetSQL("SELECT FirstName FROM Hollin");
    std::vector<int32_t> seen;
    query.OnQueryProgress = [&](TLarchQuery& sender, int32_t current, int16_t percent, bool& abort) {
        EXPECT_EQ(&sender, &query);
        EXPECT_EQ(percent, (current * 100 + 2) / 5);
        seen.push_back(current);
        abort = current == 2;
    };
    query.Open();
    EXPECT_EQ(seen, (std::vector<int32_t>{1, 2}));
    // The scan stops before the record whose progress call aborted.
    EXPECT_EQ(Column(query, "FirstName"), (std::vector<std::string>{"Zoe"}));
}

TEST_F(QueryComponent, TwoMarkersOfOneNameTakeTheFirstValue) {
    query.SetSQL("SELECT FirstName FROM Hollin WHERE EXTRACT(MONTH FROM EventDate) = :a OR EXTRACT(DAY FROM EventDate) = :a");
    ASSERT_EQ(query.ParamCount(), 2);
    query.ParamByName("a").SetAsInteger(7);
    query.Open();
    // July (Ann) or the 7th day (Dee).
    EXPECT_EQ(Column(query, "FirstName"), (std::vector<std::string>{"Ann", "Dee"}));
}

TEST_F(QueryComponent, SameTextKeepsTheQueryOpenAndPrepared) {
    query.SetSQL(kMonthQuery);
    query.ParamByName("Today").SetAsInteger(3);
    query.Open();
    query.Next();
    query.SetSQL(std::string(kMonthQuery));
    EXPECT_TRUE(query.Active());
    EXPECT_TRUE(query.Prepared());
    EXPECT_EQ(query.RecNo(), 2);

    query.SetSQL("SELECT FirstName FROM Hollin");
    EXPECT_FALSE(query.Active());
    EXPECT_FALSE(query.Prepared());
}

TEST_F(QueryComponent, ClosingKeepsTheStatementAndReopeningRunsItAgain) {
    query.SetSQL(kMonthQuery);
    query.ParamByName("Today").SetAsInteger(3);
    query.Open();
    EXPECT_EQ(query.RecordCount(), 3);
    query.Close();
    EXPECT_TRUE(query.Prepared());
    query.ParamByName("Today").SetAsInteger(12);
    query.Open();
    EXPECT_EQ(Column(query, "FirstName"), (std::vector<std::string>{"Cy"}));
    query.UnPrepare();
    EXPECT_FALSE(query.Active());
    EXPECT_FALSE(query.Prepared());
}

TEST_F(QueryComponent, MasterRecordFeedsUnboundParametersAndReRunsTheQuery) {
    std::unique_ptr<TLarchTable> master = EventCursor(folder.path(), "");
    master->Open();
    TDataSource source;
    source.SetDataSet(master.get());
    query.SetSQL("SELECT FirstName FROM Hollin WHERE LastName = :LastName");
    query.SetDataSource(&source);
    query.Open();
    EXPECT_EQ(Column(query, "FirstName"), (std::vector<std::string>{"Zoe", "Bob"}));  // master on Zoe Adams

    master->Next();  // Ann Baker
    ASSERT_TRUE(query.Active());
    EXPECT_EQ(Column(query, "FirstName"), (std::vector<std::string>{"Ann", "Dee"}));
    master->Last();  // Dee Baker, then Cy Clark
    master->Prior();
    EXPECT_EQ(Column(query, "FirstName"), (std::vector<std::string>{"Cy"}));

    // A parameter with a value of its own does not follow the master.
    query.ParamByName("LastName").SetAsString("Adams");
    master->First();
    master->Next();
    EXPECT_EQ(Column(query, "FirstName"), (std::vector<std::string>{"Zoe", "Bob"}));
    query.Close();
    master->Close();
}

TEST_F(QueryComponent, ExecSqlCountsTheRowsChanged) {
    query.SetSQL("UPDATE Hollin SET Event = 'Birth' WHERE Event = 'Birthday'");
    query.ExecSQL();
    EXPECT_EQ(query.RowsAffected(), 3);
    query.SetSQL("DELETE FROM Hollin WHERE LastName = 'Baker'");
    query.ExecSQL();
    EXPECT_EQ(query.RowsAffected(), 2);
    table->Open();
    EXPECT_EQ(table->RecordCount(), 3);
    EXPECT_EQ(Column(*table, "Event"), (std::vector<std::string>{"Birth", "Birth", "Passing"}));
}

}  // namespace
}  // namespace larch
