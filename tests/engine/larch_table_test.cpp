#include "engine/cursor/larch_table.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>

#include <gtest/gtest.h>

#include "engine/files/engine_error.h"
#include "engine/tables/table_verify.h"
#include "tests/engine/test_folder.h"
#include "tests/support/event_cursor.h"
#include "tests/support/event_table.h"
#include "tests/support/engine_error_code.h"

namespace larch {
namespace {

using hollin::TFieldValue;
using testing::AddEvent;
using testing::EventCursor;
using testing::TestFolder;

using testing::CodeOf;

std::string MessageOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const std::exception& e) {
        return e.what();
    }
    return {};
}

class Cursor : public ::testing::Test {
protected:
    void SetUp() override {
        testing::CreateEventTable(folder / "Hollin.DAT");
        table = EventCursor(folder.path());
    }

    void AddNames(std::initializer_list<const char*> names) {
        for (const char* name : names) AddEvent(*table, name, "Smith");
    }

    std::vector<std::string> FirstNames() {
        std::vector<std::string> names;
        for (table->First(); !table->Eof(); table->Next()) names.push_back(table->FieldByName("FirstName").AsString());
        return names;
    }

    void ExpectSound() {
        std::vector<std::string> problems = VerifyTable(*table->DataFile());
        EXPECT_TRUE(problems.empty()) << problems.front();
    }

    TestFolder folder;
    std::unique_ptr<TLarchTable> table;
};

TEST_F(Cursor, TableNamesResolveToTheDataFile) {
    for (const char* name : {"Hollin", "Hollin.txt", "hollin.dat", " Hollin.DAT "}) {
        TLarchTable other;
        other.SetDatabaseName(folder.path());
        other.SetTableName(name);
        other.Open();
        EXPECT_TRUE(other.Active()) << name;
        other.Close();
    }
    TLarchTable unnamed;
    unnamed.SetDatabaseName(folder.path());
    EXPECT_FALSE(unnamed.Exists());
    EXPECT_EQ(MessageOf([&] { unnamed.Open(); }), "Missing table name.");

    std::filesystem::remove(folder / "Hollin.IDX");
    EXPECT_TRUE(table->Exists());  // only the data file counts
    std::ofstream(folder / "B.dat") << "";
    std::vector<std::string> names;
    TLarchSessionList::Instance().DefaultSession().GetTableNames(folder.path(), names);
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"B.dat", "Hollin.DAT"}));
}

TEST_F(Cursor, UnknownIndexNameFailsWith10022) {
    table->SetIndexName("Nope");
    EXPECT_EQ(CodeOf([&] { table->Open(); }), 10022);
    EXPECT_FALSE(table->Active());
}

TEST_F(Cursor, PostedRecordsGetIncreasingIds) {
    table->Open();
    table->Insert();
    EXPECT_EQ(table->FieldByName("IndexField").AsInteger(), 0);  // not posted yet
    table->Cancel();
    AddNames({"Ann", "Bob", "Cy"});
    table->Last();
    EXPECT_EQ(table->FieldByName("IndexField").AsInteger(), 3);
    table->Delete();  // the highest ID
    AddNames({"Dee"});
    table->Last();
    EXPECT_EQ(table->FieldByName("FirstName").AsString(), "Dee");
    EXPECT_EQ(table->FieldByName("IndexField").AsInteger(), 4);
    ExpectSound();
}

TEST_F(Cursor, StringsLoseTrailingBlanksAndBlanksAreNull) {
    table->Open();
    table->Insert();
    table->FieldByName("FirstName").SetAsString("Jo   ");
    table->FieldByName("MiddleName").SetAsString("   ");
    table->FieldByName("LastName").SetAsString("Smith");
    table->FieldByName("Event").SetAsString("Birthday");
    table->FieldByName("EventDate").SetAsDate(730000);
    table->Post();
    EXPECT_EQ(table->FieldByName("FirstName").AsString(), "Jo");
    EXPECT_TRUE(table->FieldByName("MiddleName").IsNull());
}

TEST_F(Cursor, RequiredFieldFailsWith9732AndStaysInInsert) {
    table->Open();
    table->Insert();
    table->FieldByName("FirstName").SetAsString("Jo");
    table->FieldByName("Event").SetAsString("Birthday");
    table->FieldByName("EventDate").SetAsDate(730000);
    EXPECT_EQ(CodeOf([&] { table->Post(); }), 9732);
    EXPECT_EQ(table->State(), hollin::dsInsert);
    table->Cancel();
    EXPECT_TRUE(table->IsEmpty());
    ExpectSound();
}

TEST_F(Cursor, DuplicateInAUniqueIndexFailsWith9729AndChangesNothing) {
    table.reset();
    std::vector<FieldDescriptor> fields = testing::EventFields();
    std::vector<IndexDescriptor> secondaries = testing::EventSecondaryIndexes(fields);
    secondaries[1].unique = true;  // LastName
    secondaries[1].keyLength = ComputeKeyLength(secondaries[1], fields, false);
    TDataFile file;
    file.SetExclusive(true);
    file.SetFileName(folder / "Hollin.DAT");
    file.CreateTable(fields, testing::EventPrimaryIndex(fields), secondaries, TableSettings{});
    table = EventCursor(folder.path());
    table->Open();
    AddEvent(*table, "Ann", "Smith");
    table->Insert();
    table->FieldByName("FirstName").SetAsString("Bob");
    table->FieldByName("LastName").SetAsString("SMITH");
    table->FieldByName("Event").SetAsString("Birthday");
    table->FieldByName("EventDate").SetAsDate(730000);
    EXPECT_EQ(CodeOf([&] { table->Post(); }), 9729);
    table->Cancel();
    EXPECT_EQ(table->RecordCount(), 1);
    EXPECT_EQ(table->DataFile()->Header().lastRecordId, 1u);
    ExpectSound();
}

TEST_F(Cursor, FindNearestLandsOnTheFirstKeyAtOrAfterTheValues) {
    table->Open();
    table->FindNearest({TFieldValue{std::string("x")}});  // empty table: stays empty
    EXPECT_TRUE(table->IsEmpty());
    AddNames({"Jordan", "adams", "John", "Baker", "CARTER"});
    EXPECT_EQ(FirstNames(), (std::vector<std::string>{"adams", "Baker", "CARTER", "John", "Jordan"}));
    struct Case {
        const char* value;
        const char* found;
    } cases[] = {{"jo", "John"}, {"JOR", "Jordan"}, {"b", "Baker"}, {"zz", "Jordan"}, {"", "adams"}};
    for (const Case& c : cases) {
        table->FindNearest({TFieldValue{std::string(c.value)}});
        EXPECT_EQ(table->FieldByName("FirstName").AsString(), c.found) << c.value;
    }
}

TEST_F(Cursor, RangesLimitRecNoAndRecordCount) {
    table->Open();
    AddNames({"Ann", "Bob", "Cy", "Dee", "Eve"});
    EXPECT_EQ(table->RecordCount(), 5);
    table->SetRange({TFieldValue{std::string("B")}}, {TFieldValue{std::string("D")}});
    // The end value "D" stands for the key D itself: Dee lies after it.
    EXPECT_EQ(table->RecordCount(), 2);
    EXPECT_EQ(FirstNames(), (std::vector<std::string>{"Bob", "Cy"}));
    table->Last();
    EXPECT_EQ(table->RecNo(), 2);
    table->SetRange({TFieldValue{std::string("X")}}, {TFieldValue{std::string("B")}});
    EXPECT_EQ(table->RecordCount(), 0);
    EXPECT_TRUE(table->IsEmpty());
    table->CancelRange();
    EXPECT_EQ(table->RecordCount(), 5);
    table->SetRecNo(4);
    EXPECT_EQ(table->FieldByName("FirstName").AsString(), "Dee");
    EXPECT_EQ(table->RecNo(), 4);
}

TEST_F(Cursor, DeletePositionsOnTheNextRecord) {
    table->Open();
    AddNames({"Ann", "Bob", "Cy"});
    table->First();
    table->Next();
    table->Delete();
    EXPECT_EQ(table->FieldByName("FirstName").AsString(), "Cy");
    table->Delete();  // the last one: the new last record
    EXPECT_EQ(table->FieldByName("FirstName").AsString(), "Ann");
    EXPECT_EQ(table->RecordCount(), 1);
    ExpectSound();
}

TEST_F(Cursor, EditChangesKeysAndIndexSwitchKeepsTheRecord) {
    table->Open();
    AddNames({"Ann", "Bob", "Cy"});
    table->First();
    table->Edit();
    table->FieldByName("FirstName").SetAsString("Zoe");
    table->Post();
    EXPECT_EQ(table->FieldByName("FirstName").AsString(), "Zoe");
    EXPECT_EQ(table->RecNo(), 3);
    table->SetIndexName("");  // primary: record ID order
    EXPECT_EQ(table->FieldByName("FirstName").AsString(), "Zoe");
    EXPECT_EQ(table->RecNo(), 1);
    EXPECT_EQ(FirstNames(), (std::vector<std::string>{"Zoe", "Bob", "Cy"}));
    ExpectSound();
}

TEST_F(Cursor, PhotoBytesGoThroughBlobStreams) {
    table->Open();
    table->Insert();
    table->FieldByName("FirstName").SetAsString("Pic");
    table->FieldByName("LastName").SetAsString("Smith");
    table->FieldByName("Event").SetAsString("Birthday");
    table->FieldByName("EventDate").SetAsDate(730000);
    std::vector<uint8_t> photo(1000);
    for (std::size_t i = 0; i < photo.size(); ++i) photo[i] = static_cast<uint8_t>(i * 7);
    {
        auto stream = table->CreateBlobStream(table->FieldByName("Photo"), hollin::bmWrite);
        stream->WriteBuffer(photo.data(), photo.size());
    }
    table->FieldByName("Photo").NotifyChanged();
    table->Post();
    EXPECT_FALSE(table->FieldByName("Photo").IsNull());
    auto read = table->CreateBlobStream(table->FieldByName("Photo"), hollin::bmRead);
    EXPECT_EQ(read->ReadRest(), photo);
    table->Close();
    EXPECT_EQ(std::filesystem::file_size(folder / "Hollin.BLB"), 512u + 3 * 512u);
    table->Open();
    EXPECT_EQ(table->CreateBlobStream(table->FieldByName("Photo"), hollin::bmRead)->ReadRest(), photo);
    ExpectSound();
}

TEST_F(Cursor, ReadOnlyAttributeOpensReadOnly) {
    std::filesystem::permissions(folder / "Hollin.DAT", std::filesystem::perms::owner_read |
                                                            std::filesystem::perms::group_read |
                                                            std::filesystem::perms::others_read);
    table->Open();
    EXPECT_TRUE(table->ReadOnly());
    EXPECT_EQ(MessageOf([&] { table->Insert(); }), "Cannot modify a read-only dataset");
}

}  // namespace
}  // namespace larch

namespace larch {
namespace {

// The program's start: CreateTable from the definitions, then RestructureTable
// with the same definitions, which must change nothing.
TEST(TableComponent, CreateThenRestructureWithTheSameDefinitions) {
    testing::TestFolder folder;
    TLarchTable table;
    table.SetDatabaseName(folder.path());
    table.SetTableName("Hollin.DAT");
    testing::DefineEventTable(table);
    EXPECT_FALSE(table.Exists());
    table.CreateTable();
    EXPECT_EQ(std::filesystem::file_size(folder / "Hollin.DAT"), 13183u);
    EXPECT_EQ(std::filesystem::file_size(folder / "Hollin.IDX"), 4096u);
    EXPECT_EQ(std::filesystem::file_size(folder / "Hollin.BLB"), 512u);

    table.SetIndexName("FirstName");
    table.Open();
    AddEvent(table, "Ann", "Smith");
    table.Close();
    testing::DefineEventTable(table, true);
    EXPECT_EQ(table.RestructureTable(0, 0, 1, 0, false, "", "", 512, true), RestructurePath::AttributesOnly);
    for (const char* backup : {"Hollin.DBK", "Hollin.IBK", "Hollin.BBK"}) {
        EXPECT_FALSE(std::filesystem::exists(folder / backup)) << backup;
    }
    table.Open();
    EXPECT_EQ(table.RecordCount(), 1);
    EXPECT_EQ(table.FieldByName("FirstName").AsString(), "Ann");
    EXPECT_TRUE(VerifyTable(*table.DataFile()).empty());
}

}  // namespace
}  // namespace larch
