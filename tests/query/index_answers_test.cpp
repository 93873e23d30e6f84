// What the indexes answer faster must stay what evaluation gives: a case-
// sensitive comparison on a column whose only index ignores case tests that
// index's candidates and drops the ones that differ in case; COUNT(*) over
// one index's ranges comes from the subtree counts, with deleted and reused
// record slots; scans see changes still in the cache.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <optional>

#include "engine/data/larch_scopes.h"
#include "query/exec/data_query.h"
#include "query/filter/filter_buffer.h"
#include "query/filter/filter_list.h"
#include "query/filter/record_set_builder.h"
#include "tests/engine/test_folder.h"
#include "tests/query/filter_fixtures.h"

namespace larch {
namespace {

using testing::Person;
using testing::TestFolder;

// People whose first names differ in case only (the FirstName index ignores
// case and is the only one on it), ages with NULLs, some records deleted.
class IndexAnswers : public ::testing::Test {
protected:
    void SetUp() override {
        testing::CreatePeopleTable(folder.path(), true);
        auto table = testing::PeopleCursor(folder.path());
        table->Open();
        static const char* const names[] = {"Ann", "ANN", "ann", "Annie", "Bob", "BOB", "aNN"};
        for (int i = 0; i < 70; ++i) {
            Person p;
            if (i % 9 != 4) p.firstName = names[i % 7];
            if (i % 11 != 6) p.age = i % 13 - 2;
            p.event = i % 2 ? "x" : "X";
            testing::AddPerson(*table, p);
        }
        table->Close();
        Delete({5, 17, 33, 48});
    }

    // Deletes the records with these IDs through a cursor.
    void Delete(std::initializer_list<int32_t> ids) {
        auto table = testing::PeopleCursor(folder.path());
        table->Open();
        for (int32_t id : ids) {
            ASSERT_TRUE(table->Locate("IndexField", {hollin::TFieldValue{int64_t{id}}}));
            table->Delete();
        }
        table->Close();
    }

    std::unique_ptr<TDataFile> OpenFile() {
        auto file = std::make_unique<TDataFile>();
        file->SetFileName(folder / "People.DAT");
        file->Open();
        return file;
    }

    // One value of a canned SELECT over the folder.
    int64_t CountOf(const std::string& where) {
        TDataQuery query;
        TQuerySettings settings;
        settings.privateDir = folder.path();
        query.SetSettings(settings);
        query.Prepare("SELECT COUNT(*) FROM People WHERE " + where, folder.path());
        query.Execute();
        TDataFile result;
        result.SetExclusive(true);
        result.SetFileName(query.ResultTablePath());
        result.Open();
        ReadScope read(result);
        RecordPin record(result, result.GetRecord(1));
        TExpressionNode value;
        LoadFieldValue(result.Fields()[1], record->image.data(), value);
        return value.Int32Value();
    }

    TestFolder folder;
};

TEST_F(IndexAnswers, CaseSensitiveEqualityTestsOnlyTheCandidatesOfTheCaseInsensitiveIndex) {
    auto file = OpenFile();
    struct Case {
        const char* text;
        const char* candidates;  // the same comparison ignoring case: what the index offers
    };
    const Case cases[] = {
        {"FirstName = 'Ann'", "FirstName = 'Ann'"},
        {"FirstName = 'aNN'", "FirstName = 'Ann'"},
        {"FirstName = 'ANNIE'", "FirstName = 'Annie'"},  // every candidate dropped
        {"FirstName = 'Zed'", "FirstName = 'Zed'"},      // none
    };
    for (const Case& c : cases) {
        const std::vector<int32_t> exact = testing::PlainSelection(*file, c.text, {});
        const std::vector<int32_t> offered = testing::PlainSelection(*file, c.candidates, {true, false});
        TFilterList list(*file);
        TFilter* filter = list.AddBuffer(BuildFilterBuffer(c.text, {}, DescriptorLookup(file->Fields())));
        {
            ReadScope read(*file);
            list.Activate(filter);
        }
        EXPECT_EQ(filter->Verdict(), verdict::None) << c.text;  // no index compares case-sensitively
        EXPECT_EQ(list.RecordReads(), offered.size()) << c.text;
        EXPECT_EQ(list.Count(), exact.size()) << c.text;
        EXPECT_LT(exact.size(), std::max<std::size_t>(offered.size(), 1)) << c.text;
        EXPECT_EQ(CountOf(c.text), static_cast<int64_t>(exact.size())) << c.text;
    }
    // Beside other conditions, and with IN: the same records as evaluation.
    for (const char* text : {"FirstName = 'ann' AND Age = 3", "FirstName = 'ann' AND Age <> 3",
                             "FirstName = 'BOB' OR Age = 3", "NOT (FirstName = 'Ann')"}) {
        const std::vector<int32_t> exact = testing::PlainSelection(*file, text, {});
        TFilterList list(*file);
        TFilter* filter = list.AddBuffer(BuildFilterBuffer(text, {}, DescriptorLookup(file->Fields())));
        {
            ReadScope read(*file);
            list.Activate(filter);
        }
        EXPECT_EQ(list.Count(), exact.size()) << text;
        EXPECT_EQ(CountOf(text), static_cast<int64_t>(exact.size())) << text;
    }
    const int64_t ann = static_cast<int64_t>(testing::PlainSelection(*file, "FirstName = 'ann'", {}).size());
    const int64_t bob = static_cast<int64_t>(testing::PlainSelection(*file, "FirstName = 'BOB'", {}).size());
    EXPECT_EQ(CountOf("FirstName IN ('ann', 'BOB', 'Bobby')"), ann + bob);
}

TEST_F(IndexAnswers, CountFromSubtreeCountsEqualsEvaluation) {
    // Ages run from -2 to 10 with NULLs, which the ordering comparisons take as 0.
    const char* const conditions[] = {
        "Age = 3",          "Age <> 3",         "Age < 2",
        "Age >= 2 AND Age < 7", "Age < 0 OR Age > 8", "NOT (Age = 3)",
        "Age BETWEEN 1 AND 4", "Age IN (1, 5, 9)", "Age IS NULL",
        "IndexField > 40",  "Event = 'X'",      "Age = 3 AND Event = 'X'",
    };
    auto check = [&](const std::string& stage) {
        auto file = OpenFile();
        for (const char* where : conditions) {
            SCOPED_TRACE(stage + ": " + where);
            TDataQuery query;
            TQuerySettings settings;
            settings.privateDir = folder.path();
            query.SetSettings(settings);
            query.Prepare(std::string("SELECT IndexField FROM People WHERE ") + where, folder.path());
            query.Execute();
            EXPECT_EQ(CountOf(where), static_cast<int64_t>(query.ResultRecordCount()));
        }
        // The index answers a leaf, and AND, OR and NOT of leaves on one index;
        // it does not answer conditions over two indexes or none.
        const auto tree = [&](const char* text) {
            return DecodeFilterBuffer(BuildFilterBuffer(text, {}, DescriptorLookup(file->Fields())), file->Fields(),
                                      file->FileName());
        };
        ReadScope read(*file);
        for (const char* text : {"Age >= 2 AND Age < 7", "Age < 0 OR Age > 8", "Age = 3"}) {
            uint32_t count = 0;
            ASSERT_TRUE(CountFromIndex(*tree(text), *file, count)) << text;
            EXPECT_EQ(count, testing::PlainSelection(*file, text, {}).size()) << text;
        }
        uint32_t ignored = 0;
        EXPECT_FALSE(CountFromIndex(*tree("Age = 3 AND Event = 'X'"), *file, ignored));
        EXPECT_FALSE(CountFromIndex(*tree("FirstName = 'Ann'"), *file, ignored));
    };
    check("with deleted records");
    Delete({1, 2, 3, 60, 61});
    auto table = testing::PeopleCursor(folder.path());
    table->Open();
    for (int age : {3, 3, 9}) testing::AddPerson(*table, Person{.firstName = "Cy", .age = age});  // reused slots
    table->Close();
    check("after deletes and reused slots");
}

TEST_F(IndexAnswers, ScansSeeChangesStillInTheCache) {
    // An exclusive cursor keeps its Posts in the caches; a filter that scans
    // records must see them, not the file's older bytes.
    auto table = testing::PeopleCursor(folder.path());
    table->SetExclusive(true);
    table->Open();
    for (int32_t id : {7, 8, 9}) {
        ASSERT_TRUE(table->Locate("IndexField", {hollin::TFieldValue{int64_t{id}}}));
        table->Edit();
        table->FieldByName("FirstName").SetAsString("Ann");
        table->Post();
    }
    const std::vector<int32_t> exact = testing::PlainSelection(*table->DataFile(), "FirstName = 'Ann'", {});
    EXPECT_TRUE(std::find(exact.begin(), exact.end(), 9) != exact.end());
    table->SetFilter("FirstName = 'Ann'");
    table->SetFiltered(true);
    EXPECT_EQ(testing::VisitedIds(*table), exact);
    table->SetFilter("Age < 100 AND FirstName = 'Ann'");  // a whole scan
    EXPECT_EQ(testing::VisitedIds(*table), exact);
    table->Close();
}

}  // namespace
}  // namespace larch
