// The statement object's analysis and execution: live and canned SELECT
// results, result names, grouping, DISTINCT, ordering, INTO, joins, OR
// across tables, INSERT/UPDATE/DELETE, WITH LOCKS and the analysis errors.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>

#include "dataset/date_time.h"
#include "engine/files/engine_error.h"
#include "engine/data/larch_scopes.h"
#include "engine/records/record_fields.h"
#include "engine/files/table_locks.h"
#include "query/exec/data_query.h"
#include "query/expr/expression_eval.h"
#include "query/filter/filter_list.h"
#include "query/expr/node_store.h"
#include "tests/engine/test_folder.h"
#include "tests/query/filter_fixtures.h"
#include "tests/support/engine_error_code.h"
#include "tests/support/event_table.h"

namespace larch {
namespace {

using testing::Person;
using testing::TestFolder;
using Rows = std::vector<std::vector<std::string>>;

// A result table's column names (without Row___No) and rows in the order of
// its primary index, every value in its text form, NULL as "NULL".
struct Table {
    std::vector<std::string> names;
    Rows rows;
};

Table ReadTable(const std::string& path) {
    TDataFile file;
    file.SetExclusive(true);
    file.SetFileName(path);
    file.Open();
    Table table;
    for (std::size_t i = 1; i < file.Fields().size(); ++i) table.names.push_back(file.Fields()[i].name);
    TIndexFile& index = file.Index();
    index.SelectIndex(kPrimarySlot);
    for (bool more = index.First(); more; more = index.Next()) {
        RecordPin record(file, file.GetRecord(index.CurrentRecordNumber()));
        std::vector<std::string> row;
        for (std::size_t i = 1; i < file.Fields().size(); ++i) {
            TExpressionNode value;
            LoadFieldValue(file.Fields()[i], record->image.data(), value);
            row.push_back(value.isNull ? "NULL" : NodeValueText(value));
        }
        table.rows.push_back(row);
    }
    file.Close();
    return table;
}

// The first column of each row.
std::vector<std::string> FirstColumn(const Table& table) {
    std::vector<std::string> values;
    for (const auto& row : table.rows) values.push_back(row.front());
    return values;
}

std::string SqlErrorOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const ELarchEngineError& e) {
        return e.EntryMessage();
    } catch (const std::exception& e) {
        return std::string("other: ") + e.what();
    }
    return "no error";
}

class QueryExecuteTest : public ::testing::Test {
protected:
    void SetUp() override {
        // The event table: five events, three of them in May.
        testing::CreateEventTable(folder / "Hollin.DAT");
        TDataFile events;
        events.SetExclusive(true);
        events.SetFileName(folder / "Hollin.DAT");
        events.Open();
        const struct {
            const char *first, *last, *event;
            int month, day;
        } rows[] = {{"Ann", "Smith", "Birthday", 5, 10},
                    {"bob", "Jones", "Anniversary", 5, 20},
                    {"Carl", "Brown", "Birthday", 6, 1},
                    {"dana", "White", "Passing", 5, 3},
                    {"Eve", "Black", "Birthday", 7, 4}};
        for (const auto& row : rows) {
            testing::EventValues values{
                row.first, "", row.last, row.event, hollin::EncodeDate(1990, row.month, row.day), ""};
            std::vector<uint8_t> image = testing::MakeEventImage(events, values);
            events.InsertRecord(image);
        }
        events.Close();

        // The people table: nullable fields and an Age column.
        testing::CreatePeopleTable(folder.path(), true);
        auto people = testing::PeopleCursor(folder.path());
        people->Open();
        AddPerson(*people, {"Ann", "Birthday", std::nullopt, 10});
        AddPerson(*people, {"Bob", "Birthday", std::nullopt, std::nullopt});
        AddPerson(*people, {"Cid", "Birthday", std::nullopt, 20});
        AddPerson(*people, {"Dee", "Passing", std::nullopt, std::nullopt});
        AddPerson(*people, {"Eli", "Anniversary", std::nullopt, 7});
        AddPerson(*people, {"Fay", std::nullopt, std::nullopt, 3});
        people->Close();

        // Kinds: a label per event kind (none for Anniversary).
        TLarchTable kinds;
        kinds.SetDatabaseName(folder.path());
        kinds.SetTableName("Kinds.DAT");
        kinds.FieldDefs().Add("Event", hollin::ftString, 15, false);
        kinds.FieldDefs().Add("Label", hollin::ftString, 20, false);
        kinds.IndexDefs().Add("", "Event", ixPrimary | ixUnique);
        kinds.CreateTable();
        kinds.Open();
        for (auto [event, label] : {std::pair{"Birthday", "Born"}, std::pair{"Passing", "Died"}}) {
            kinds.Insert();
            kinds.FieldByName("Event").SetAsString(event);
            kinds.FieldByName("Label").SetAsString(label);
            kinds.Post();
        }
        kinds.Close();
    }

    static void AddPerson(TLarchTable& table, Person person) { testing::AddPerson(table, person); }

    // Prepares, binds and executes `sql` over the test folder.
    void Run(TDataQuery& query, const std::string& sql, bool live = false, const TLarchParams* params = nullptr) {
        TQuerySettings settings;
        settings.requestLive = live;
        settings.privateDir = folder.path();
        settings.lockRetryCount = 2;
        settings.lockWaitTime = 10;
        settings.progress = progress;
        query.SetSettings(settings);
        query.Prepare(sql, folder.path());
        if (params) query.BindParameters(*params);
        query.Execute();
    }

    // The canned result of `sql`.
    Table Canned(const std::string& sql) {
        TDataQuery query;
        Run(query, sql);
        EXPECT_FALSE(query.IsLive()) << sql;
        return ReadTable(query.ResultTablePath());
    }

    std::vector<std::string> PeopleNames(const std::string& where = "") {
        return FirstColumn(Canned("SELECT FirstName FROM People " + where));
    }

    TestFolder folder;
    std::function<void(uint32_t, int, bool&)> progress;
};

const char* const kMonthQuery =
    "SELECT FirstName, LastName, Event, EventDate FROM \"Hollin.dat\" WHERE EXTRACT(MONTH FROM EventDate)=(?)";

TEST_F(QueryExecuteTest, MonthStatementIsLiveWithItsFourColumns) {
    TLarchParams params;
    params.Add("Today").SetAsInteger(5);
    TDataQuery query;
    Run(query, kMonthQuery, true, &params);
    ASSERT_TRUE(query.IsLive());
    EXPECT_EQ(query.MatchingIndex(), 0);
    std::vector<std::string> names;
    for (const TLiveColumn& column : query.LiveColumns()) names.push_back(column.name);
    EXPECT_EQ(names, (std::vector<std::string>{"FirstName", "LastName", "Event", "EventDate"}));
    EXPECT_EQ(query.LiveColumns()[1].fieldNumber, 4);
    EXPECT_TRUE(query.ResultTablePath().empty());

    // The condition as the component attaches it to its own table.
    ASSERT_NE(query.LiveCondition(), nullptr);
    TDataFile file;
    file.SetFileName(query.LiveTablePath());
    file.Open();
    TFilterList list(file);
    TFilter* filter = list.AddTree(query.LiveCondition()->Clone());
    {
        ReadScope read(file);
        list.Activate(filter);
    }
    EXPECT_EQ(list.Count(), 3u);
}

TEST_F(QueryExecuteTest, MonthStatementCannedHoldsTheMonthsRowsInPhysicalOrder) {
    TLarchParams params;
    params.Add("Today").SetAsInteger(5);
    std::string path;
    {
        TDataQuery query;
        Run(query, kMonthQuery, false, &params);
        ASSERT_FALSE(query.IsLive());
        path = query.ResultTablePath();
        EXPECT_EQ(std::filesystem::path(path).parent_path(), std::filesystem::path(folder.path()));
        EXPECT_EQ(query.ResultRecordCount(), 3u);
        Table table = ReadTable(path);
        EXPECT_EQ(table.names, (std::vector<std::string>{"FirstName", "LastName", "Event", "EventDate"}));
        EXPECT_EQ(table.rows, (Rows{{"Ann", "Smith", "Birthday", "05/10/1990"},
                                    {"bob", "Jones", "Anniversary", "05/20/1990"},
                                    {"dana", "White", "Passing", "05/03/1990"}}));
        // Executing again with another month refills the same table.
        params.ParamByName("Today").SetAsInteger(7);
        query.BindParameters(params);
        query.Execute();
        EXPECT_EQ(FirstColumn(ReadTable(path)), (std::vector<std::string>{"Eve"}));
        query.Unprepare();
        EXPECT_FALSE(std::filesystem::exists(path));
    }
}

TEST_F(QueryExecuteTest, TemporaryResultGoesWithTheStatement) {
    std::string path;
    {
        TDataQuery query;
        Run(query, "SELECT Event FROM People");
        path = query.ResultTablePath();
        EXPECT_TRUE(std::filesystem::exists(path));
    }
    EXPECT_FALSE(std::filesystem::exists(path));
}

TEST_F(QueryExecuteTest, OrderByNoCaseUsesTheCaseInsensitiveIndexLiveElseCannedAndSorted) {
    TDataQuery live;
    Run(live, "SELECT * FROM Hollin ORDER BY FirstName NOCASE", true);
    EXPECT_TRUE(live.IsLive());
    EXPECT_EQ(live.MatchingIndex(), 3);  // the secondary index FirstName
    EXPECT_EQ(live.LiveColumns().size(), 17u);

    TDataQuery canned;
    Run(canned, "SELECT FirstName FROM Hollin ORDER BY FirstName", true);
    EXPECT_FALSE(canned.IsLive());
    EXPECT_EQ(FirstColumn(ReadTable(canned.ResultTablePath())),
              (std::vector<std::string>{"Ann", "Carl", "Eve", "bob", "dana"}));
    EXPECT_EQ(FirstColumn(Canned("SELECT FirstName FROM Hollin ORDER BY FirstName NOCASE")),
              (std::vector<std::string>{"Ann", "bob", "Carl", "dana", "Eve"}));
}

TEST_F(QueryExecuteTest, ResultNamesAreMadeUnique) {
    EXPECT_EQ(Canned("SELECT FirstName, FirstName FROM People").names,
              (std::vector<std::string>{"FirstName", "FirstName_1"}));
    EXPECT_EQ(Canned("SELECT Age + 1, Age * 2, FirstName AS Expression, UPPER(FirstName) FROM People").names,
              (std::vector<std::string>{"Expression", "Expression_1", "Expression_2", "Expression_3"}));
    EXPECT_EQ(Canned("SELECT SUM(Age), MIN(Age), MAX(Age + 1), COUNT(Event) FROM People").names,
              (std::vector<std::string>{"Sum Of Age", "Min Of Age", "Max Of Expr", "Count Of Event"}));
    EXPECT_EQ(Canned("SELECT FirstName AS ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefgh, Event AS ABCDEFGHIJKLMNOPQRSTUVWXYZabcd "
                     "FROM People")
                  .names,
              (std::vector<std::string>{"ABCDEFGHIJKLMNOPQRSTUVWXYZabcd", "ABCDEFGHIJKLMNOPQRSTUVWXYZab_1"}));
    TDataQuery live;
    Run(live, "SELECT FirstName, FirstName FROM People", true);
    ASSERT_TRUE(live.IsLive());
    EXPECT_EQ(live.LiveColumns()[1].name, "FirstName_1");
}

TEST_F(QueryExecuteTest, ConstantOnTheLeftIsTurnedAround) {
    EXPECT_EQ(PeopleNames("WHERE 5 > Age AND Age IS NOT NULL"), (std::vector<std::string>{"Fay"}));
    EXPECT_EQ(PeopleNames("WHERE 10 <= Age"), (std::vector<std::string>{"Ann", "Cid"}));
    EXPECT_EQ(PeopleNames("WHERE 'Passing' = Event"), (std::vector<std::string>{"Dee"}));
}

TEST_F(QueryExecuteTest, PrefixComparisonsSelectTheBeginning) {
    EXPECT_EQ(PeopleNames("WHERE Event = 'Birth*'"), (std::vector<std::string>{"Ann", "Bob", "Cid"}));
    EXPECT_EQ(PeopleNames("WHERE Event LIKE 'Pass%'"), (std::vector<std::string>{"Dee"}));
    EXPECT_EQ(PeopleNames("WHERE Event NOT LIKE 'Birth%'"), (std::vector<std::string>{"Dee", "Eli", "Fay"}));
    EXPECT_EQ(PeopleNames("WHERE Event LIKE 'B_rth%'"), (std::vector<std::string>{"Ann", "Bob", "Cid"}));
}

TEST_F(QueryExecuteTest, GroupByCountsRowsAndAveragesOnlyValues) {
    Table t = Canned("SELECT Event, COUNT(*), AVG(Age), COUNT(Age), MAX(Age) FROM People GROUP BY Event");
    EXPECT_EQ(t.names,
              (std::vector<std::string>{"Event", "Count Of *", "Average Of Age", "Count Of Age", "Max Of Age"}));
    EXPECT_EQ(t.rows, (Rows{{"NULL", "1", "3", "1", "3"},
                            {"Anniversary", "1", "7", "1", "7"},
                            {"Birthday", "3", "15", "2", "20"},
                            {"Passing", "1", "NULL", "0", "NULL"}}));
    EXPECT_EQ(Canned("SELECT Event, COUNT(*) FROM People GROUP BY Event ORDER BY 2 DESC, 1").rows,
              (Rows{{"Birthday", "3"}, {"NULL", "1"}, {"Anniversary", "1"}, {"Passing", "1"}}));
}

TEST_F(QueryExecuteTest, PureAggregatesGiveOneRow) {
    EXPECT_EQ(Canned("SELECT COUNT(*), SUM(Age), MIN(Age), AVG(Age) FROM People").rows, (Rows{{"6", "40", "3", "10"}}));
    EXPECT_EQ(Canned("SELECT COUNT(*), SUM(Age) FROM People WHERE Event = 'None'").rows, (Rows{{"0", "NULL"}}));
    std::vector<int> percents;
    progress = [&](uint32_t, int percent, bool&) { percents.push_back(percent); };
    EXPECT_EQ(Canned("SELECT COUNT(*) FROM People WHERE Event = 'Birthday'").rows, (Rows{{"3"}}));
    EXPECT_EQ(percents, (std::vector<int>{100}));
}

TEST_F(QueryExecuteTest, DistinctGivesEachValueOnce) {
    EXPECT_EQ(FirstColumn(Canned("SELECT DISTINCT Event FROM People")),
              (std::vector<std::string>{"NULL", "Anniversary", "Birthday", "Passing"}));
    EXPECT_EQ(FirstColumn(Canned("SELECT DISTINCT Event FROM People ORDER BY Event DESC")),
              (std::vector<std::string>{"Passing", "Birthday", "Anniversary", "NULL"}));
    // DISTINCT is dropped under GROUP BY.
    EXPECT_EQ(Canned("SELECT DISTINCT Event, COUNT(*) FROM People GROUP BY Event").rows.size(), 4u);
}

TEST_F(QueryExecuteTest, OrderByDescendingKeepsEqualKeysInScanOrder) {
    EXPECT_EQ(Canned("SELECT FirstName, Age FROM People ORDER BY Age DESC").rows,
              (Rows{{"Cid", "20"}, {"Ann", "10"}, {"Eli", "7"}, {"Fay", "3"}, {"Bob", "NULL"}, {"Dee", "NULL"}}));
}

TEST_F(QueryExecuteTest, IntoNamedTableStaysAfterTheStatement) {
    {
        TDataQuery query;
        Run(query, "SELECT FirstName, Age INTO Kept FROM People WHERE Age > 5", true);
        EXPECT_FALSE(query.IsLive());
        EXPECT_EQ(query.ResultRecordCount(), 3u);
    }
    ASSERT_TRUE(std::filesystem::exists(folder / "Kept.DAT"));
    EXPECT_EQ(ReadTable(folder / "Kept.DAT").rows, (Rows{{"Ann", "10"}, {"Cid", "20"}, {"Eli", "7"}}));
}

TEST_F(QueryExecuteTest, JoinsMatchRowsAndOuterJoinsShowNullsForTheMissingSide) {
    EXPECT_EQ(Canned("SELECT p.FirstName, k.Label FROM People p JOIN Kinds k ON p.Event = k.Event").rows,
              (Rows{{"Ann", "Born"}, {"Bob", "Born"}, {"Cid", "Born"}, {"Dee", "Died"}}));
    EXPECT_EQ(Canned("SELECT p.FirstName, k.Label FROM People p, Kinds k WHERE k.Event = p.Event AND p.Age > 5").rows,
              (Rows{{"Ann", "Born"}, {"Cid", "Born"}}));
    const Rows outer{{"Ann", "Born"}, {"Bob", "Born"}, {"Cid", "Born"},
                     {"Dee", "Died"}, {"Eli", "NULL"}, {"Fay", "NULL"}};
    EXPECT_EQ(Canned("SELECT p.FirstName, k.Label FROM People p LEFT OUTER JOIN Kinds k ON p.Event = k.Event").rows,
              outer);
    // The same join written the other way round.
    Table right = Canned("SELECT p.FirstName, k.Label FROM Kinds k RIGHT JOIN People p ON k.Event = p.Event");
    std::sort(right.rows.begin(), right.rows.end());
    EXPECT_EQ(right.rows, outer);
}

TEST_F(QueryExecuteTest, OrAcrossTwoTablesIsTestedPerRowCombination) {
    Table t = Canned("SELECT p.FirstName, k.Label FROM People p, Kinds k WHERE p.Age = 3 OR k.Label = 'Died'");
    std::sort(t.rows.begin(), t.rows.end());
    Rows expected;
    for (const char* name : {"Ann", "Bob", "Cid", "Dee", "Eli", "Fay"}) expected.push_back({name, "Died"});
    expected.push_back({"Fay", "Born"});
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(t.rows, expected);
}

TEST_F(QueryExecuteTest, ProgressAbortKeepsTheRowsSoFar) {
    std::vector<uint32_t> records;
    progress = [&](uint32_t current, int, bool& abort) {
        records.push_back(current);
        abort = current == 3;
    };
    EXPECT_EQ(PeopleNames(), (std::vector<std::string>{"Ann", "Bob"}));
    EXPECT_EQ(records, (std::vector<uint32_t>{1, 2, 3}));
}

TEST_F(QueryExecuteTest, DataChangesCountRowsAndConvertValues) {
    TDataQuery insert;
    Run(insert, "INSERT INTO People (FirstName, Age, EventDate) VALUES ('Gus', '12', '05/06/2001')");
    EXPECT_EQ(insert.AffectedRows(), 1u);
    EXPECT_EQ(Canned("SELECT Age, EventDate FROM People WHERE FirstName = 'Gus'").rows, (Rows{{"12", "05/06/2001"}}));

    TDataQuery update;
    Run(update, "UPDATE People SET Age = Age + 1, Event = 'Born' WHERE Event = 'Birthday'");
    EXPECT_EQ(update.AffectedRows(), 3u);
    EXPECT_EQ(Canned("SELECT FirstName, Age FROM People WHERE Event = 'Born'").rows,
              (Rows{{"Ann", "11"}, {"Bob", "1"}, {"Cid", "21"}}));

    TDataQuery remove;
    Run(remove, "DELETE FROM People WHERE Age BETWEEN 1 AND 7");
    EXPECT_EQ(remove.AffectedRows(), 3u);  // Bob (1), Eli (7), Fay (3)
    EXPECT_EQ(PeopleNames(), (std::vector<std::string>{"Ann", "Cid", "Dee", "Gus"}));
}

TEST_F(QueryExecuteTest, ValuesThatDoNotConvertAreRefusedAndChangeNothing) {
    struct Case {
        const char* sql;
        const char* message;
    } cases[] = {
        {"INSERT INTO People (FirstName, Age) VALUES ('Gus', 'abc')",
         "SQL - Type mismatch between column Age and constant value abc in INSERT statement"},
        {"INSERT INTO People (FirstName, Age) VALUES ('Gus', 70000)",
         "SQL - Type mismatch between column Age and constant value 70000 in INSERT statement"},
        {"INSERT INTO People (FirstName, EventDate) VALUES ('Gus', 'soon')",
         "SQL - Type mismatch between column EventDate and constant value soon in INSERT statement"},
        {"UPDATE People SET Age = Age * 3000",
         "SQL - Type mismatch between column Age and constant value 60000 in UPDATE statement"},
        {"UPDATE People SET FirstName = 'much too long a name'",
         "SQL - Type mismatch between column FirstName and constant value much too long a name in UPDATE statement"},
    };
    for (const Case& c : cases) {
        TDataQuery query;
        EXPECT_EQ(SqlErrorOf([&] { Run(query, c.sql); }), c.message) << c.sql;
    }
    EXPECT_EQ(Canned("SELECT FirstName, Age FROM People").rows,
              (Rows{{"Ann", "10"}, {"Bob", "NULL"}, {"Cid", "20"}, {"Dee", "NULL"}, {"Eli", "7"}, {"Fay", "3"}}));
}

TEST_F(QueryExecuteTest, WithLocksKeepsOtherProcessesFromWriting) {
    // The child's exit status: 0 when it could take the index write lock a
    // writer needs (one attempt; a writer itself retries for seconds), else 1.
    auto childCanWrite = [&]() -> int {
        pid_t pid = ::fork();
        if (pid == 0) {
            int status = 2;
            try {
                TFileHandler index;
                index.SetFileName(folder / "People.IDX");
                index.Open();
                status = index.Lock(locks::kWriteLock, locks::kWriteLockLength) ? 0 : 1;
            } catch (...) {
            }
            ::_exit(status);
        }
        int status = -1;
        ::waitpid(pid, &status, 0);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    };
    std::vector<int> during;
    progress = [&](uint32_t current, int, bool&) {
        if (current == 1) during.push_back(childCanWrite());
    };
    Canned("SELECT FirstName FROM People WITH LOCKS");
    EXPECT_EQ(during, (std::vector<int>{1}));
    during.clear();
    Canned("SELECT FirstName FROM People");
    EXPECT_EQ(during, (std::vector<int>{0}));
    // After the statement the locks are gone and a real write goes through.
    progress = nullptr;
    pid_t pid = ::fork();
    if (pid == 0) {
        int status = 1;
        try {
            TDataFile file;
            file.SetFileName(folder / "People.DAT");
            file.Open();
            WriteScope write(file);
            std::vector<uint8_t> image(file.ImageSize(), 0);
            file.InsertRecord(image);
            write.Finish();
            file.Close();
            status = 0;
        } catch (...) {
        }
        ::_exit(status);
    }
    int status = -1;
    ::waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(PeopleNames().size(), 7u);
}

TEST_F(QueryExecuteTest, ParametersNeedValuesAndMarkers) {
    TLarchParams params;
    params.Add("Today");
    TDataQuery query;
    query.SetSettings(TQuerySettings{});
    query.Prepare(kMonthQuery, folder.path());
    try {
        query.BindParameters(params);
        FAIL() << "bound a parameter without a value";
    } catch (const hollin::EDatabaseError& e) {
        EXPECT_STREQ(e.what(), "No value for parameter 'Today'");
    }
    params.ParamByName("Today").SetAsInteger(5);
    params.Add("Extra").SetAsInteger(1);
    EXPECT_EQ(SqlErrorOf([&] { query.BindParameters(params); }), "SQL - Internal parameter error");
}

TEST_F(QueryExecuteTest, AnalysisErrorsHaveTheirTexts) {
    std::string tooLong = "FirstName";
    for (int i = 0; i < 16; ++i) tooLong += "||FirstName";
    std::string seventeen = "*, *, FirstName";
    struct Case {
        std::string sql;
        std::string message;
    } cases[] = {
        {"SELECT FirstName AS Row___No FROM People",
         "SQL - Invalid use of reserved field name 'Row___No'in source columns"},
        {"SELECT FirstName, COUNT(*) FROM People",
         "SQL - Invalid use of aggregate function for column 'COUNT(*)', the necessary GROUP BY clause is missing"},
        {"SELECT * AS x FROM People",
         "SQL - Invalid use of column correlation name 'x' for '*' specified in source columns"},
        {"SELECT q.* FROM People",
         "SQL - Invalid column name '*' or table correlation name 'q' specified in source columns"},
        {"SELECT Nope FROM People",
         "SQL - Invalid column name 'Nope' or table correlation name '' specified in source columns"},
        {"SELECT FirstName FROM People ORDER BY 2", "SQL - Invalid column number '2' specified in ORDER BY clause"},
        {"SELECT FirstName FROM People ORDER BY Age",
         "SQL - Invalid column name 'Age' or table correlation name '' specified in ORDER BY clause"},
        {"SELECT FirstName, COUNT(*) FROM People GROUP BY p.FirstName",
         "SQL - Invalid column name 'FirstName' or table correlation name 'p' specified in GROUP BY clause"},
        {"SELECT " + tooLong + " FROM People",
         ("SQL - Column expression '" + tooLong + "' exceeds the maximum allowable field size").substr(0, 127)},
        {"SELECT DISTINCT " + seventeen + " FROM People",
         "SQL - Maximum number of columns (16) in DISTINCT clause exceeded"},
        {"SELECT p.FirstName FROM People p, Kinds k WHERE p.Event || k.Event = 'x'",
         std::string("SQL - The join condition cannot contain multiple table correlation names in either the left or "
                     "right operand in WHERE or JOIN clause")
             .substr(0, 127)},
        {"SELECT a.FirstName FROM People a, Kinds b, People c WHERE a.Event = c.Event AND b.Event = c.Event",
         "SQL - Internal join error - table correlation name \"c\" is target of multiple join conditions in WHERE or "
         "JOIN clause"},
        {"SELECT FirstName FROM People WHERE Nope = 1",
         "SQL - Invalid column name 'Nope' or table correlation name '' specified in WHERE or JOIN clause"},
        {"INSERT INTO People (FirstName, Age) VALUES ('x')",
         "SQL - The number of values must match the number of table columns"},
        {"UPDATE People SET Nope = 1",
         "SQL - Invalid column name 'Nope' or table correlation name '' specified in table columns"},
        // Targets that are no column at all.
        {"INSERT INTO People (FirstName, 7) VALUES ('Zed', 1)",
         "SQL - Column name expected in list of table columns, instead found '7'"},
        {"INSERT INTO People (FirstName, Age + 1) VALUES ('Zed', 1)",
         "SQL - Column name expected in list of table columns, instead found '(+ Age 1)'"},
        {"UPDATE People SET '13/45/2001' = Age + 1 WHERE Event = 'Passing'",
         "SQL - Column name expected in list of table columns, instead found ''13/45/2001''"},
        {"UPDATE People SET NULL = 1", "SQL - Column name expected in list of table columns, instead found 'NULL'"},
    };
    for (const Case& c : cases) {
        TDataQuery query;
        EXPECT_EQ(SqlErrorOf([&] { Run(query, c.sql); }), c.message) << c.sql;
    }
    // A failed prepare leaves no result table behind.
    for (const auto& entry : std::filesystem::directory_iterator(folder.path())) {
        const std::string name = entry.path().filename().string();
        EXPECT_TRUE(name.rfind("People", 0) == 0 || name.rfind("Hollin", 0) == 0 || name.rfind("Kinds", 0) == 0)
            << name;
    }
}

TEST_F(QueryExecuteTest, EngineErrorsOfTheTablesPass) {
    TDataQuery query;
    EXPECT_EQ(testing::CodeOf([&] { Run(query, "SELECT * FROM Missing"); }), err::InvalidPath);
    // A result table may not replace a table the statement reads.
    EXPECT_EQ(testing::CodeOf([&] { Run(query, "SELECT FirstName INTO People FROM People"); }), err::AccessDenied);
    EXPECT_EQ(PeopleNames().size(), 6u);
}

TEST_F(QueryExecuteTest, BlobColumnsAreCopiedIntoTheResult) {
    {
        auto people = testing::PeopleCursor(folder.path());
        people->Open();
        people->Last();
        people->Edit();
        people->FieldByName("Notes").SetAsString("a memo of Fay");
        people->Post();
        people->Close();
    }
    TDataQuery query;
    Run(query, "SELECT FirstName, Notes FROM People WHERE FirstName = 'Fay'");
    TDataFile file;
    file.SetExclusive(true);
    file.SetFileName(query.ResultTablePath());
    file.Open();
    ASSERT_EQ(file.Index().RecordCount(), 1u);
    RecordPin record(file, file.GetRecord(1));
    const FieldDescriptor& notes = file.Fields()[2];
    ASSERT_FALSE(FieldIsNull(notes, record->image.data()));
    std::vector<uint8_t> memo = file.Blob()->ReadValue(GetUInt32Field(notes, record->image.data()), 1);
    EXPECT_EQ(std::string(memo.begin(), memo.end()), "a memo of Fay");
}

TEST_F(QueryExecuteTest, ManyRowsGroupAndSort) {
    {
        TDataFile file;
        file.SetExclusive(true);
        file.SetFileName(folder / "People.DAT");
        file.Open();
        const FieldDescriptor& name = file.Fields()[1];
        const FieldDescriptor& age = file.Fields()[4];
        for (int i = 0; i < 3000; ++i) {
            std::vector<uint8_t> image(file.ImageSize(), 0);
            SetStringField(name, image.data(), "P" + std::to_string(i));
            int16_t value = static_cast<int16_t>(100 + i % 50);
            uint8_t bytes[2] = {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8)};
            SetFieldBytes(age, image.data(), bytes);
            file.InsertRecord(image);
        }
        file.Close();
    }
    Table groups = Canned("SELECT Age, COUNT(*) FROM People WHERE Age >= 100 GROUP BY Age ORDER BY Age DESC");
    ASSERT_EQ(groups.rows.size(), 50u);
    EXPECT_EQ(groups.rows.front(), (std::vector<std::string>{"149", "60"}));
    EXPECT_EQ(groups.rows.back(), (std::vector<std::string>{"100", "60"}));
    Table sorted = Canned("SELECT FirstName, Age FROM People WHERE Age >= 100 ORDER BY Age, FirstName DESC");
    ASSERT_EQ(sorted.rows.size(), 3000u);
    EXPECT_EQ(sorted.rows.front(), (std::vector<std::string>{"P950", "100"}));
    EXPECT_TRUE(std::is_sorted(sorted.rows.begin(), sorted.rows.end(), [](const auto& a, const auto& b) {
        return a[1] != b[1] ? std::stoi(a[1]) < std::stoi(b[1]) : a[0] > b[0];
    }));
}

}  // namespace
}  // namespace larch
