// Filter texts: the grammar and the filter buffer, the edge cases of the
// language and its error texts, and the cursor's Filter, Filtered,
// FilterOptions and OnFilterRecord with RecordCount, RecNo, FindNearest,
// ranges, posts, deletes and another process's changes.
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>

#include "dataset/date_time.h"
#include "engine/files/byte_order.h"
#include "engine/files/engine_error.h"
#include "query/filter/filter_buffer.h"
#include "tests/engine/test_folder.h"
#include "tests/query/filter_fixtures.h"
#include "tests/support/event_cursor.h"
#include "tests/support/event_table.h"

namespace larch {
namespace {

using hollin::TFilterOptions;
using testing::AddPerson;
using testing::Person;
using testing::TestFolder;
using testing::VisitedIds;

std::string MessageOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const std::exception& e) {
        return e.what();
    }
    return {};
}

// A decoded tree in prefix form: (op left right), columns by name, strings
// quoted, "=ci3" for a comparison with options (case flag, prefix length).
std::string Print(const TExpressionNode* n) {
    if (n == nullptr) return "?";
    switch (n->nodeClass) {
        case node::Column:
            return n->columnName;
        case node::Constant:
            if (n->isNull) return "NULL";
            if (n->dataType == dtype::String) return "'" + n->StringValue() + "'";
            if (n->dataType == dtype::Boolean) return n->Int16Value() ? "TRUE" : "FALSE";
            if (n->dataType == dtype::SmallInt) return std::to_string(n->Int16Value());
            if (n->dataType == dtype::Integer || n->dataType == dtype::Date) return std::to_string(n->Int32Value());
            return "#" + std::to_string(n->DoubleValue());
        case node::CompareWithOptions:
            return "(" + n->name + (n->caseInsensitive ? "ci" : "") + std::to_string(n->prefixLength) + " " +
                   Print(n->left.get()) + " " + Print(n->right.get()) + ")";
        case node::Unary:
            return "(" + n->name + " " + Print(n->left.get()) + ")";
        default:
            return "(" + n->name + " " + Print(n->left.get()) + " " + Print(n->right.get()) + ")";
    }
}

// ---- The people table: ten records with the events of the edge cases.

class FilterText : public ::testing::Test {
protected:
    void SetUp() override {
        testing::CreatePeopleTable(folder.path(), true);
        table = testing::PeopleCursor(folder.path(), "FirstName");
        table->Open();
        const char* names[] = {"Ann", "Bob", "Cy", "Dee", "Ed", "Flo", "Gus", "Hal", "Ivy", "Jo"};
        const char* events[] = {"Passing", "passing", "Birthday", "Birth*", "Birth",
                                "Anniversary", "*", "Mother's Day", nullptr, "Wedding"};
        for (int i = 0; i < 10; ++i) {
            Person p{.firstName = names[i]};
            if (events[i]) p.event = events[i];
            if (i < 2) p.married = i == 0;
            p.age = 10 * i;
            AddPerson(*table, p);
        }
    }

    std::vector<uint8_t> Buffer(const std::string& text, TFilterOptions options = {}) {
        return BuildFilterBuffer(text, options, DescriptorLookup(table->DataFile()->Fields()));
    }

    std::string Decoded(const std::string& text, TFilterOptions options = {}) {
        std::vector<uint8_t> buffer = Buffer(text, options);
        return Print(DecodeFilterBuffer(buffer, table->DataFile()->Fields(), "People.DAT").get());
    }

    TestFolder folder;
    std::unique_ptr<TLarchTable> table;
};

TEST_F(FilterText, BufferLayoutAndTrees) {
    std::vector<uint8_t> buffer = Buffer("Event = 'Birth*'", TFilterOptions{true, false});
    ASSERT_GE(buffer.size(), 26u);
    EXPECT_EQ(GetU16(&buffer[0]), 0);
    EXPECT_EQ(GetU16(&buffer[2]), buffer.size());
    EXPECT_EQ(GetU16(&buffer[4]), 0xFFFF);
    EXPECT_EQ(GetU16(&buffer[6]), 10);
    EXPECT_EQ(GetU32(&buffer[10]), 3u);  // the root: a comparison with options
    EXPECT_EQ(GetU32(&buffer[14]), 3u);  // "="
    EXPECT_EQ(GetU16(&buffer[18]), 1);   // case-insensitive
    EXPECT_EQ(GetU16(&buffer[20]), 5);   // prefix length of "Birth"

    struct Case {
        const char* text;
        TFilterOptions options;
        const char* tree;
    } cases[] = {
        {"Event = 'Birth*'", {true, false}, "(=ci5 Event 'Birth')"},
        {"Event = 'Birth*'", {false, true}, "(= Event 'Birth*')"},
        {"Event = '*'", {}, "(= Event '*')"},
        {"Event = 'Mother''s Day'", {}, "(= Event 'Mother's Day')"},
        {"Event = ''", {}, "(= Event NULL)"},
        {"Event = NULL", {}, "(IS NULL Event)"},
        {"null <> Event", {}, "(IS NOT NULL Event)"},
        {"'Event' = 'Passing'", {}, "(= Event 'Passing')"},
        {"5 < Age", {}, "(> Age 5)"},
        {"Age >= -3", {}, "(>= Age -3)"},
        {"Married", {}, "(= Married TRUE)"},
        {"NOT Married", {}, "(NOT (= Married TRUE))"},
        {"Married = false", {}, "(= Married FALSE)"},
        {"EventDate = '02/29/2000'", {}, "(= EventDate 730179)"},
        {"Age = Score", {}, "(= Age Score)"},
        {"Age = 1 OR Age = 2 AND Age = 3", {}, "(OR (= Age 1) (AND (= Age 2) (= Age 3)))"},
        {"Age = 1 AND Age = 2 AND Age = 3", {}, "(AND (AND (= Age 1) (= Age 2)) (= Age 3))"},
        {"NOT Age = 1 OR Age = 2", {}, "(OR (NOT (= Age 1)) (= Age 2))"},
        {"NOT (Age = 1 OR Age = 2)", {}, "(NOT (OR (= Age 1) (= Age 2)))"},
    };
    for (const Case& c : cases) EXPECT_EQ(Decoded(c.text, c.options), c.tree) << c.text;
}

TEST_F(FilterText, EdgeCasesSelectTheirRecords) {
    struct Case {
        const char* text;
        TFilterOptions options;
        std::vector<int32_t> ids;
    } cases[] = {
        {"'Event' = 'Passing'", {true, false}, {1, 2}},
        {"Event = 'Passing'", {true, false}, {1, 2}},
        {"[Event] = 'passing'", {true, false}, {1, 2}},
        {"Event = 'Passing'", {}, {1}},
        {"'Passing' = Event", {}, {1}},
        {"Event = 'Birth*'", {}, {3, 4, 5}},
        {"Event = 'birth*'", {true, false}, {3, 4, 5}},
        {"Event = 'Birth*'", {false, true}, {4}},
        {"Event = '*'", {}, {7}},
        {"Event = 'Mother''s Day'", {}, {8}},
        {"Event = ''", {}, {9}},
        {"Event < 'C'", {true, false}, {3, 4, 5, 6, 7, 9}},  // case-sensitive all the same
        {"NOT Event = 'Passing'", {true, false}, {3, 4, 5, 6, 7, 8, 9, 10}},
        {"Event <> NULL", {}, {1, 2, 3, 4, 5, 6, 7, 8, 10}},
        {"Married", {}, {1}},
        {"NOT Married", {}, {2, 3, 4, 5, 6, 7, 8, 9, 10}},
        {"Married = False", {}, {2}},
        {"Event > 'P' AND Event < 'Q'", {}, {1}},
        {"(Event = 'Wedding' OR FirstName = 'Ann') AND NOT Event = 'x'", {}, {1, 10}},
        {"5 < IndexField", {}, {6, 7, 8, 9, 10}},
        {"Age >= 20 AND Age <= 40", {}, {3, 4, 5}},
        {"Event = FirstName", {}, {}},
    };
    for (const Case& c : cases) {
        table->SetFilterOptions(c.options);
        table->SetFilter(c.text);
        table->SetFiltered(true);
        EXPECT_EQ(VisitedIds(*table), c.ids) << c.text;
        EXPECT_EQ(table->RecordCount(), static_cast<int>(c.ids.size())) << c.text;
        EXPECT_EQ(testing::PlainSelection(*table->DataFile(), c.text, c.options), c.ids) << c.text;
    }
    table->SetFilter("");  // an empty filter passes every record
    EXPECT_EQ(table->RecordCount(), 10);
    EXPECT_EQ(VisitedIds(*table).size(), 10u);
}

TEST_F(FilterText, BadTextsFailWithTheirMessagesAndKeepTheOldFilter) {
    table->SetFilterOptions(TFilterOptions{true, false});
    table->SetFilter("Event = 'Passing'");
    table->SetFiltered(true);
    const std::string deep(300, '(');
    struct Case {
        const char* text;
        const char* message;
    } cases[] = {
        {"Event = 'Passing' AND", "Expression expected but nothing found"},
        {"= 'x'", "Expression expected but '=' found"},
        {"Event = 'Passing' 'x'", "Filter expression incorrectly terminated"},
        {"Event = 'a' = 'b'", "Filter expression incorrectly terminated"},
        {"IndexField = 'abc'", "'abc' is not a valid integer value"},
        {"Score = 1.2.3", "'1.2.3' is not a valid floating point value"},
        {"EventDate = 'soon'", "'soon' is not a valid date"},
        {"Married = 'maybe'", "'maybe' is not a valid boolean value"},
        {"Event = 'abc", "Unterminated string constant"},
        {"[Event = 'x'", "Unterminated field name"},
        {"Event = 'x' # 1", "Invalid filter expression character: '#'"},
        {"(Event = 'x'", "')' expected but nothing found"},
        {"(Event = 'x' Age", "')' expected but 'Age' found"},
        {"Event", "Field 'Event' is not of type Boolean"},
        {"'x'", "Incorrectly formed filter expression"},
        {"Event = ('x' = 'y')", "Incorrectly formed filter expression"},
        {"Event > NULL", "NULL only allowed with '=' and '<>'"},
        {"Age = 40000", "Constant out of range"},
        {"Notes = 'x'", "Field 'Notes' cannot be used in a filter expression"},
        {"'Passing' = 'Event'", "Field 'Passing' not found"},
        {deep.c_str(), "Incorrectly formed filter expression"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(MessageOf([&] { table->SetFilter(c.text); }), c.message) << c.text;
        EXPECT_EQ(table->Filter(), "Event = 'Passing'");
        EXPECT_TRUE(table->Filtered());
    }
    EXPECT_EQ(VisitedIds(*table), (std::vector<int32_t>{1, 2}));
    EXPECT_EQ(MessageOf([&] { table->SetFilterOptions(TFilterOptions{}); }), "");
    EXPECT_EQ(VisitedIds(*table), (std::vector<int32_t>{1}));  // options rebuild the filter
}

TEST_F(FilterText, FilterOnAClosedCursorAppliesAtOpenAndFilteredSwitches) {
    table->Close();
    table->SetFilter("Event = 'Birth*'");
    table->SetFiltered(true);
    table->Open();
    EXPECT_EQ(table->RecordCount(), 3);
    EXPECT_EQ(table->FieldByName("FirstName").AsString(), "Cy");  // the first passing record
    table->SetFiltered(false);
    EXPECT_EQ(table->RecordCount(), 10);
    table->Last();
    table->SetFiltered(true);  // back to the first record
    EXPECT_EQ(table->FieldByName("FirstName").AsString(), "Cy");
    table->Last();
    EXPECT_EQ(table->FieldByName("FirstName").AsString(), "Ed");
    table->SetFilter("Event = 'Wedding'");  // a new text moves to the first record too
    EXPECT_EQ(table->FieldByName("FirstName").AsString(), "Jo");
    EXPECT_TRUE(table->Bof());
}

TEST_F(FilterText, OnFilterRecordIsACallbackFilter) {
    table->SetFilter("Age >= 30");
    table->SetFiltered(true);
    table->SetOnFilterRecord([](hollin::TDataSet& d, bool& accept) {
        accept = d.FieldByName("FirstName").AsString() < "F";
    });
    EXPECT_EQ(VisitedIds(*table), (std::vector<int32_t>{4, 5}));  // Dee, Ed: both filters
    EXPECT_EQ(table->RecordCount(), 2);
    table->SetOnFilterRecord(nullptr);
    EXPECT_EQ(table->RecordCount(), 7);

    // Assigned on a closed cursor; exceptions go to OnFilterRecordError and
    // the accept flag keeps its value at the throw.
    table->Close();
    table->SetFilter("");
    int errors = 0;
    table->OnFilterRecordError = [&](std::exception_ptr) { ++errors; };
    table->OnFilterRecord = [](hollin::TDataSet& d, bool& accept) {
        std::string name = d.FieldByName("FirstName").AsString();
        if (name == "Bob") {
            accept = false;
            throw std::runtime_error("refused");
        }
        if (name == "Cy") throw std::runtime_error("kept");
    };
    table->Open();
    EXPECT_EQ(VisitedIds(*table), (std::vector<int32_t>{1, 3, 4, 5, 6, 7, 8, 9, 10}));
    EXPECT_GE(errors, 2);
}

TEST_F(FilterText, RangeAndFilterCombine) {
    table->SetFilter("Age <> 30");
    table->SetFiltered(true);
    table->SetRange({std::string("Bob")}, {std::string("Flo")});
    EXPECT_EQ(VisitedIds(*table), (std::vector<int32_t>{2, 3, 5, 6}));
    EXPECT_EQ(table->RecordCount(), 4);
    table->CancelRange();
    EXPECT_EQ(table->RecordCount(), 9);
}

// ---- The event table by FirstName: 3 of 10 records are passings.

class FilteredEvents : public ::testing::Test {
protected:
    void SetUp() override {
        testing::CreateEventTable(folder / "Hollin.DAT");
        table = testing::EventCursor(folder.path());
        table->Open();
        for (char name = 'A'; name <= 'J'; ++name) {
            bool passing = name == 'C' || name == 'F' || name == 'J';
            testing::AddEvent(*table, std::string(1, name), "Smith", passing ? "Passing" : "Birthday");
        }
        table->SetFilterOptions(TFilterOptions{true, false});
        table->SetFilter("Event = 'Passing'");
        table->SetFiltered(true);
    }

    std::vector<std::string> Names() {
        std::vector<std::string> names;
        for (table->First(); !table->Eof(); table->Next()) names.push_back(table->FieldByName("FirstName").AsString());
        return names;
    }

    void ExpectMatchesPlainEvaluation() {
        std::vector<int32_t> visited = VisitedIds(*table);
        EXPECT_EQ(visited, testing::PlainSelection(*table->DataFile(), table->Filter(), table->FilterOptions()));
        EXPECT_EQ(table->RecordCount(), static_cast<int>(visited.size()));
    }

    TestFolder folder;
    std::unique_ptr<TLarchTable> table;
};

TEST_F(FilteredEvents, RecordCountCountsTheSetWhileRecNoCountsTheRange) {
    EXPECT_EQ(table->RecordCount(), 3);
    std::vector<int> recNos;
    for (table->First(); !table->Eof(); table->Next()) recNos.push_back(table->RecNo());
    EXPECT_EQ(recNos, (std::vector<int>{3, 6, 10}));
}

TEST_F(FilteredEvents, FindNearestLandsOnPassingRecords) {
    struct Case {
        const char* value;
        const char* found;
    } cases[] = {{"A", "C"}, {"D", "F"}, {"f", "F"}, {"G", "J"}, {"K", "J"}};
    for (const Case& c : cases) {
        table->FindNearest({std::string(c.value)});
        EXPECT_EQ(table->FieldByName("FirstName").AsString(), c.found) << c.value;
    }
    table->SetFilter("Event = 'Nothing'");
    table->FindNearest({std::string("A")});
    EXPECT_TRUE(table->IsEmpty());
}

TEST_F(FilteredEvents, PostsAndDeletesKeepTheSetCurrent) {
    testing::AddEvent(*table, "K", "Smith", "passing");
    testing::AddEvent(*table, "L", "Smith", "Birthday");
    EXPECT_EQ(Names(), (std::vector<std::string>{"C", "F", "J", "K"}));
    ExpectMatchesPlainEvaluation();

    table->FindNearest({std::string("C")});
    table->Edit();
    table->FieldByName("Event").SetAsString("Birthday");
    table->Post();  // no longer passes: the cursor moves on
    EXPECT_EQ(table->FieldByName("FirstName").AsString(), "F");
    table->FindNearest({std::string("F")});
    table->Delete();
    EXPECT_EQ(Names(), (std::vector<std::string>{"J", "K"}));
    ExpectMatchesPlainEvaluation();

    table->SetFiltered(false);
    table->FindNearest({std::string("A")});
    table->Edit();
    table->FieldByName("Event").SetAsString("PASSING");
    table->Post();
    table->SetFiltered(true);
    EXPECT_EQ(Names(), (std::vector<std::string>{"A", "J", "K"}));
    ExpectMatchesPlainEvaluation();
}

TEST_F(FilteredEvents, AnotherProcessChangesAreSeenAfterRefresh) {
    table->First();
    pid_t child = ::fork();
    if (child == 0) {
        int status = 1;
        try {
            auto other = testing::EventCursor(folder.path());
            other->Open();
            testing::AddEvent(*other, "M", "Smith", "Passing");
            other->FindNearest({std::string("F")});
            other->Edit();
            other->FieldByName("Event").SetAsString("Birthday");
            other->Post();
            other->FindNearest({std::string("C")});
            other->Delete();
            status = 0;
        } catch (const std::exception& e) {
            std::fprintf(stderr, "child: %s\n", e.what());
        }
        ::_exit(status);
    }
    int status = -1;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    table->Refresh();
    EXPECT_EQ(Names(), (std::vector<std::string>{"J", "M"}));
    ExpectMatchesPlainEvaluation();
}

}  // namespace
}  // namespace larch
