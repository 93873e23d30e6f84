// Filter record sets of a data file: sets from index ranges without record
// reads, scans for what no index answers, the AND order, the coverage rule,
// the filter limits and handle errors, and a build that restarts.
#include "query/filter/filter_list.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "engine/files/engine_error.h"
#include "engine/data/larch_scopes.h"
#include "engine/records/record_fields.h"
#include "query/expr/expression_eval.h"
#include "query/filter/filter_buffer.h"
#include "tests/engine/test_folder.h"
#include "tests/query/filter_fixtures.h"
#include "tests/support/event_cursor.h"
#include "tests/support/event_table.h"
#include "tests/support/month_condition.h"
#include "tests/support/engine_error_code.h"

namespace larch {
namespace {

using testing::AddEvent;
using testing::AddPerson;
using testing::Person;
using testing::TestFolder;

using testing::CodeOf;

// The record IDs in a set of `file`.
std::vector<int32_t> IdsOf(TDataFile& file, const RecordSet& set) {
    std::vector<int32_t> ids;
    ReadScope read(file);
    ForEachRecord(set, [&](uint32_t n) {
        RecordPin record(file, file.GetRecord(n));
        ids.push_back(static_cast<int32_t>(RecordId(record->image.data())));
    });
    std::sort(ids.begin(), ids.end());
    return ids;
}

std::unique_ptr<TDataFile> OpenExclusive(const std::string& path) {
    auto file = std::make_unique<TDataFile>();
    file->SetExclusive(true);
    file->SetFileName(path);
    file->Open();
    return file;
}

std::vector<uint8_t> BufferOf(TDataFile& file, const std::string& text, bool caseInsensitive = false) {
    hollin::TFilterOptions options;
    options.caseInsensitive = caseInsensitive;
    return BuildFilterBuffer(text, options, DescriptorLookup(file.Fields()));
}

// ---- The event table: 120 records, events and months in turn, 3 deleted.

class EventSets : public ::testing::Test {
protected:
    void SetUp() override {
        testing::CreateEventTable(folder / "Hollin.DAT");
        auto table = testing::EventCursor(folder.path());
        table->Open();
        const char* events[] = {"Birthday", "Passing", "Anniversary", "passing", "Wedding"};
        for (int i = 0; i < 120; ++i) {
            AddEvent(*table, "N" + std::to_string(i), "Smith", events[i % 5], hollin::EncodeDate(2000, i % 12 + 1, 1));
        }
        for (const char* name : {"N9", "N14", "N19"}) {  // three weddings; deleted records are in no set
            table->FindNearest({std::string(name)});
            table->Delete();
        }
        table->Close();
        file = OpenExclusive(folder / "Hollin.DAT");
        file->DropCache();
    }

    TestFolder folder;
    std::unique_ptr<TDataFile> file;
};

// Without a primary index no "Sys Deleted" keys tell the records in use:
// their status bytes do.
TEST(NoPrimaryIndexSets, TheRecordsInUseComeFromTheirStatusBytes) {
    TestFolder folder;
    const std::string path = folder / "Plain.DAT";
    {
        FieldDescriptor name;
        name.name = "Name";
        name.physType = phys::String;
        name.size = 10;
        IndexDescriptor none;  // no fields: no primary index
        TDataFile create;
        create.SetExclusive(true);
        create.SetFileName(path);
        create.CreateTable({name}, none, {}, TableSettings{});
    }
    auto file = OpenExclusive(path);
    ASSERT_TRUE(file->Index().NoPrimaryIndex());
    for (const char* text : {"Ann", "Bob", "Cy", "Dee", "Eve", "Flo", "Gus", "Hal"}) {
        std::vector<uint8_t> image(file->ImageSize(), 0);
        SetStringField(file->Fields()[0], image.data(), text);
        file->InsertRecord(image);
    }
    file->DeleteRecord(3);
    file->FlushAll();
    file->Close();
    file = OpenExclusive(path);

    TFilterList list(*file);
    TFilter* filter = list.AddBuffer(BufferOf(*file, "Name > 'B'"));
    list.Activate(filter);
    EXPECT_EQ(list.Count(), 6u);  // all but Ann and the deleted Cy
}

TEST_F(EventSets, EventFilterIsAnsweredByTheIndexWithoutRecordReads) {
    TFilterList list(*file);
    TFilter* filter = list.AddBuffer(BufferOf(*file, "Event = 'PASSING'", true));
    const uint64_t reads = file->ReadCalls();
    list.Activate(filter);
    EXPECT_EQ(file->ReadCalls(), reads);
    EXPECT_EQ(list.RecordReads(), 0u);
    EXPECT_EQ(filter->Verdict(), verdict::Full);
    EXPECT_EQ(list.Count(), 48u);  // Passing and passing, 24 each, none deleted
    EXPECT_EQ(IdsOf(*file, list.Combined()),
              testing::PlainSelection(*file, "Event = 'PASSING'", hollin::TFilterOptions{true, false}));
}

TEST_F(EventSets, MonthConditionReadsEveryRecordOnce) {
    // EXTRACT(MONTH FROM EventDate) = 5, as the month query pushes it down.
    auto root = testing::MonthCondition(*file, 5);

    TFilterList list(*file);
    TFilter* filter = list.AddTree(std::move(root));
    list.Activate(filter);
    EXPECT_EQ(filter->Verdict(), verdict::None);
    EXPECT_EQ(list.RecordReads(), 117u);  // the records in use, each once
    EXPECT_EQ(list.Count(), 10u);         // May: i = 4, 16, ..., 112
}

TEST_F(EventSets, UnusableSideOfAnAndReadsOnlyTheSurvivors) {
    // LastName = FirstName needs every record; Event = 'Wedding' narrows first.
    TFilterList list(*file);
    TFilter* filter = list.AddBuffer(BufferOf(*file, "LastName = FirstName AND Event = 'Wedding'", true));
    list.Activate(filter);
    EXPECT_EQ(filter->Verdict(), verdict::Partial);
    EXPECT_EQ(filter->Tree()->left->opCode, op::Eq);  // the usable side moved first
    EXPECT_EQ(filter->Tree()->left->indexVerdict, verdict::Full);
    EXPECT_EQ(list.RecordReads(), 21u);  // only the weddings are read
    EXPECT_EQ(list.Count(), 0u);
}

TEST_F(EventSets, EmptyTableGivesAnEmptySet) {
    file->Close();
    file.reset();
    TestFolder empty;
    testing::CreateEventTable(empty / "Hollin.DAT");
    auto emptyFile = OpenExclusive(empty / "Hollin.DAT");
    TFilterList list(*emptyFile);
    for (const char* text : {"Event = 'Passing'", "LastName = FirstName"}) {
        TFilter* filter = list.AddBuffer(BufferOf(*emptyFile, text));
        list.Activate(filter);
        EXPECT_EQ(list.Count(), 0u) << text;
        list.Remove(filter);
    }
}

// ---- Nullable fields: the index sets agree with the evaluator on NULLs.

class NullableSets : public ::testing::Test {
protected:
    void SetUp() override {
        testing::CreatePeopleTable(folder.path(), true);
        auto table = testing::PeopleCursor(folder.path());
        table->Open();
        AddPerson(*table, Person{.event = "x", .age = -5});         // ID 1
        AddPerson(*table, Person{.event = "y", .age = 0});          // ID 2
        AddPerson(*table, Person{});                                // ID 3: all NULL
        AddPerson(*table, Person{.event = "X", .age = 3});          // ID 4
        AddPerson(*table, Person{.firstName = "Jo", .age = 40});    // ID 5: NULL event
        table->Close();
        file = OpenExclusive(folder / "People.DAT");
    }

    TestFolder folder;
    std::unique_ptr<TDataFile> file;
};

TEST_F(NullableSets, IndexSetsMatchTheEvaluatorIncludingNulls) {
    struct Case {
        const char* text;
        bool caseInsensitive;
        std::vector<int32_t> ids;
    } cases[] = {
        {"Event <> 'x'", false, {2, 3, 4, 5}},  // NULL events are unequal to 'x'
        {"Event <> 'x'", true, {2, 3, 5}},
        {"Event = 'x'", true, {1, 4}},
        {"Event = NULL", false, {3, 5}},
        {"Event <> NULL", false, {1, 2, 4}},
        {"Event = ''", false, {3, 5}},
        {"Event < 'y'", false, {1, 3, 4, 5}},  // a NULL text orders as the empty one
        {"Event >= 'x'", false, {1, 2}},
        {"NOT Event = 'y'", false, {1, 3, 4, 5}},
        {"Event = 'x' OR Event = 'y'", false, {1, 2}},
        {"Age < -1", false, {1}},              // a NULL number orders as 0
        {"Age > -1", false, {2, 3, 4, 5}},
        {"Age <= 0", false, {1, 2, 3}},
        {"Age >= 0", false, {2, 3, 4, 5}},
        {"Age > 0 AND Age < 10", false, {4}},
        {"Age = 0", false, {2}},
    };
    for (const Case& c : cases) {
        TFilterList list(*file);
        TFilter* filter = list.AddBuffer(BufferOf(*file, c.text, c.caseInsensitive));
        list.Activate(filter);
        EXPECT_EQ(filter->Verdict(), verdict::Full) << c.text;
        EXPECT_EQ(list.RecordReads(), 0u) << c.text;
        EXPECT_EQ(IdsOf(*file, list.Combined()), c.ids) << c.text;
        EXPECT_EQ(testing::PlainSelection(*file, c.text, hollin::TFilterOptions{c.caseInsensitive, false}), c.ids)
            << c.text;
    }
}

TEST_F(NullableSets, CoverageRuleSendsWideConditionsToTheScan) {
    // Event <> 'q' holds for every record: under an AND a pushed-down
    // condition reads records instead; at the top it stays with the index.
    file.reset();
    auto table = testing::PeopleCursor(folder.path());
    table->Open();
    for (int i = 0; i < 5; ++i) AddPerson(*table, Person{.event = "z", .age = 7});
    table->Close();
    file = OpenExclusive(folder / "People.DAT");
    for (bool coverage : {false, true}) {
        TFilterList list(*file);
        std::vector<uint8_t> buffer = BufferOf(*file, "Event <> 'q' AND Age = 3");
        TFilter* filter = list.AddTree(DecodeFilterBuffer(buffer, file->Fields(), file->FileName()), coverage);
        list.Activate(filter);
        EXPECT_EQ(IdsOf(*file, list.Combined()), std::vector<int32_t>{4});
        EXPECT_EQ(filter->Verdict(), coverage ? verdict::Partial : verdict::Full);
        EXPECT_EQ(list.RecordReads(), coverage ? 1u : 0u);  // only the Age = 3 survivor

        TFilter* top = list.AddTree(DecodeFilterBuffer(BufferOf(*file, "Event <> 'q'"), file->Fields(), file->FileName()),
                                    coverage);
        EXPECT_EQ(top->Verdict(), verdict::Full);
    }
}

TEST_F(NullableSets, LimitsAndHandles) {
    TFilterList list(*file);
    for (int i = 0; i < 128; ++i) list.AddCallback([](const uint8_t*, uint32_t) { return true; });
    EXPECT_EQ(CodeOf([&] { list.AddCallback([](const uint8_t*, uint32_t) { return true; }); }), 9482);
    EXPECT_EQ(CodeOf([&] { list.AddBuffer(BufferOf(*file, "Age = 1")); }), 9482);
    EXPECT_EQ(list.Size(), 128u);
    list.RemoveAll();

    TFilterList other(*file);
    TFilter* foreign = other.AddCallback([](const uint8_t*, uint32_t) { return true; });
    EXPECT_EQ(CodeOf([&] { list.Activate(foreign); }), 10050);
    EXPECT_EQ(CodeOf([&] { list.Remove(foreign); }), 10050);
    EXPECT_EQ(CodeOf([&] { list.Deactivate(nullptr); }), 10050);
    EXPECT_EQ(CodeOf([&] { other.SetBuffer(foreign, BufferOf(*file, "Age = 1")); }), 10050);  // a callback filter

    EXPECT_EQ(CodeOf([&] { list.AddBuffer({}); }), 10051);
    EXPECT_EQ(CodeOf([&] { list.AddTree(nullptr); }), 10051);
    EXPECT_EQ(CodeOf([&] { list.AddCallback({}); }), 10051);
}

TEST_F(NullableSets, BuffersThatAreNotSoundFailWith10051) {
    const std::vector<uint8_t> good = BufferOf(*file, "Event = 'x' AND Age = 3");
    auto corrupt = [&](const std::function<void(std::vector<uint8_t>&)>& change,
                       const std::vector<uint8_t>* base = nullptr) {
        std::vector<uint8_t> bad = base ? *base : good;
        change(bad);
        return CodeOf([&] { DecodeFilterBuffer(bad, file->Fields(), file->FileName()); });
    };
    EXPECT_EQ(corrupt([](auto&) {}), 0);
    EXPECT_EQ(corrupt([](auto& b) { b.resize(b.size() - 3); }), 10051);  // shorter than its total size
    EXPECT_EQ(corrupt([](auto& b) { b[4] = 0; }), 10051);                // no 0xFFFF marker
    EXPECT_EQ(corrupt([](auto& b) { b[8] = 200; }), 10051);              // literal area past the end
    EXPECT_EQ(corrupt([](auto& b) { b[10] = 9; }), 10051);               // unknown node class
    EXPECT_EQ(corrupt([](auto& b) { b[18] = 0; b[19] = 0; }), 10051);   // the root is its own child
    const std::vector<uint8_t> twoFields = BufferOf(*file, "Age = Score");  // ends with the name Score
    EXPECT_EQ(corrupt([](auto&) {}, &twoFields), 0);
    EXPECT_EQ(corrupt([](auto& b) { b.back() = 'x'; }, &twoFields), 10051);  // a name without terminator
    std::vector<uint8_t> renamed = good;
    for (std::size_t i = 0; i + 5 <= renamed.size(); ++i) {
        if (std::equal(renamed.begin() + static_cast<std::ptrdiff_t>(i),
                       renamed.begin() + static_cast<std::ptrdiff_t>(i + 5), "Event")) {
            renamed[i] = 'V';
        }
    }
    EXPECT_EQ(CodeOf([&] { DecodeFilterBuffer(renamed, file->Fields(), file->FileName()); }), 9985);
}

TEST_F(NullableSets, BuildStartsAgainWhenTheTableChangesMeanwhile) {
    TFilterList list(*file);
    int calls = 0;
    TFilter* filter = list.AddCallback([&](const uint8_t* image, uint32_t) {
        if (++calls == 2) list.TableChanged();  // as a change check would report it
        return RecordId(image) % 2 == 1;
    });
    list.Activate(filter);
    EXPECT_EQ(calls, 10);  // the five records twice
    EXPECT_FALSE(list.Stale());
    EXPECT_EQ(IdsOf(*file, list.Combined()), (std::vector<int32_t>{1, 3, 5}));
}

}  // namespace
}  // namespace larch
