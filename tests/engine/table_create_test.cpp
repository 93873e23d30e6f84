// Tests of CreateTable from definition lists (sizes, descriptors, every
// validation code with nothing written) and of EmptyTable on closed tables.
#include "engine/tables/table_create.h"

#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>

#include <gtest/gtest.h>

#include "engine/files/byte_order.h"
#include "engine/files/engine_error.h"
#include "engine/records/record_fields.h"
#include "tests/engine/test_folder.h"
#include "tests/support/event_table.h"
#include "tests/support/engine_error_code.h"

namespace larch {
namespace {

using Bytes = std::vector<uint8_t>;
using hollin::TFieldDefs;
using testing::TestFolder;

using testing::CodeOf;

Bytes ReadFile(const std::string& path, std::size_t from = 0) {
    std::ifstream in(path, std::ios::binary);
    Bytes bytes(std::istreambuf_iterator<char>(in), {});
    return from < bytes.size() ? Bytes(bytes.begin() + static_cast<std::ptrdiff_t>(from), bytes.end()) : Bytes{};
}

int64_t FileSize(const std::string& path) { return static_cast<int64_t>(std::filesystem::file_size(path)); }

// The event record's definitions as the data module gives them.
void AddEventFields(TFieldDefs& f) {
    using namespace hollin;
    f.Add("IndexField", ftAutoInc, 0, false);
    f.Add("FirstName", ftString, 15, true);
    f.Add("MiddleName", ftString, 15, false);
    f.Add("LastName", ftString, 15, true);
    f.Add("Event", ftString, 15, true);
    f.Add("EventDate", ftDate, 0, true);
    f.Add("Notes", ftMemo, 0, false);
    f.Add("Phone", ftString, 13, false);
    f.Add("PhoneFax", ftString, 13, false);
    f.Add("CellPhone", ftString, 13, false);
    f.Add("Email", ftString, 30, false);
    f.Add("Website", ftString, 35, false);
    f.Add("Zip", ftString, 10, false);
    f.Add("State", ftString, 2, false);
    f.Add("City", ftString, 15, false);
    f.Add("Address", ftString, 25, false);
    f.Add("Photo", ftBlob, 0, false);
}

void AddEventIndexes(TIndexDefs& x) {
    x.Add("", "IndexField", ixPrimary | ixUnique | ixCaseInsensitive);
    x.Add("Event", "Event", ixCaseInsensitive);
    x.Add("LastName", "LastName", ixCaseInsensitive);
    x.Add("FirstName", "FirstName", ixCaseInsensitive);
    x.Add("Edate", "EventDate;Event;FirstName;LastName", 0);
}

class CreateTableTest : public ::testing::Test {
protected:
    CreateTableTest() {
        AddEventFields(fields);
        AddEventIndexes(indexes);
    }
    std::size_t FilesInFolder() const {
        return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(folder.path()), {}));
    }
    uint32_t Insert(TDataFile& file, const std::string& first, const Bytes& photo) {
        std::vector<uint8_t> image =
            testing::MakeEventImage(file, {first, "", "Smith", "Birthday", 730000, "Springfield"});
        uint32_t number = file.InsertRecord(image);
        uint32_t block = file.Blob()->WriteValue(0, number, photo.data(), static_cast<uint32_t>(photo.size()));
        RecordPin record(file, file.GetRecord(number));
        SetUInt32Field(file.Fields()[16], record->image.data(), block);
        record->dirty = true;
        return number;
    }

    TestFolder folder;
    std::string path = folder / "Hollin.DAT";
    TFieldDefs fields;
    TIndexDefs indexes;
};

TEST_F(CreateTableTest, EventTableHasTheDefaultSizesAndTheFixturesDescriptors) {
    CreateTableFiles(path, fields, indexes, TableFileOptions{});
    EXPECT_EQ(FileSize(path), 13183);
    EXPECT_EQ(FileSize(folder / "Hollin.IDX"), 4096);
    EXPECT_EQ(FileSize(folder / "Hollin.BLB"), 512);

    // The same table built straight from descriptors: every descriptor byte
    // and the whole index file agree.
    TestFolder other;
    testing::CreateEventTable(other / "Hollin.DAT");
    EXPECT_EQ(ReadFile(path, 127), ReadFile(other / "Hollin.DAT", 127));
    EXPECT_EQ(ReadFile(folder / "Hollin.IDX"), ReadFile(other / "Hollin.IDX"));
    EXPECT_EQ(ReadFile(folder / "Hollin.BLB"), ReadFile(other / "Hollin.BLB"));

    Bytes header = ReadFile(path);
    EXPECT_EQ(GetU32(&header[0]), 1u);
    EXPECT_EQ(GetU32(&header[4]), 512u);
    EXPECT_EQ(GetU16(&header[21]), 266);
    EXPECT_EQ(GetU16(&header[25]), 2);
    EXPECT_EQ(GetU16(&header[107]), 1);
}

TEST_F(CreateTableTest, ReplacesAnExistingTable) {
    CreateTableFiles(path, fields, indexes, TableFileOptions{});
    {
        TDataFile file;
        PrepareExclusive(file, path, TableFileOptions{});
        file.Open();
        Insert(file, "Ann", Bytes(1000, 7));
        file.Close();
    }
    ASSERT_GT(FileSize(path), 13183);
    CreateTableFiles(path, fields, indexes, TableFileOptions{});
    EXPECT_EQ(FileSize(path), 13183);
    EXPECT_EQ(FileSize(folder / "Hollin.IDX"), 4096);
    EXPECT_EQ(FileSize(folder / "Hollin.BLB"), 512);
}

TEST_F(CreateTableTest, WithoutIndexDefinitionsTheTableHasNoPrimaryIndex) {
    CreateTableFiles(path, fields, TIndexDefs{}, TableFileOptions{});
    EXPECT_EQ(ReadFile(folder / "Hollin.IDX")[3978], 1);
    TDataFile file;
    PrepareExclusive(file, path, TableFileOptions{});
    file.Open();
    EXPECT_TRUE(file.Index().NoPrimaryIndex());
    EXPECT_EQ(file.Index().SecondaryCount(), 0);
}

struct InvalidCase {
    const char* what;
    std::function<void(TFieldDefs&, TIndexDefs&)> change;
    int code;
};

void AddStrings(TFieldDefs& f, const char* prefix, int count, int size) {
    for (int i = 0; i < count; ++i) f.Add(prefix + std::to_string(i), hollin::ftString, size, false);
}

const InvalidCase kInvalidCases[] = {
    {"field name starting with a digit", [](TFieldDefs& f, TIndexDefs&) { f.Add("1stName", hollin::ftString, 5); },
     err::InvalidFieldName},
    {"field name that is blank", [](TFieldDefs& f, TIndexDefs&) { f.Add("   ", hollin::ftString, 5); },
     err::InvalidFieldName},
    {"names equal once trimmed", [](TFieldDefs& f, TIndexDefs&) { f.Add(" city ", hollin::ftString, 5); },
     err::InvalidFieldName},
    {"names equal in their first 30 characters",
     [](TFieldDefs& f, TIndexDefs&) {
         f.Add(std::string(30, 'A') + "x", hollin::ftInteger);
         f.Add(std::string(30, 'A') + "y", hollin::ftInteger);
     },
     err::InvalidFieldName},
    {"string of size 0", [](TFieldDefs& f, TIndexDefs&) { f.Add("Empty", hollin::ftString, 0); },
     err::InvalidFieldDefinition},
    {"string of size 251", [](TFieldDefs& f, TIndexDefs&) { f.Add("Long", hollin::ftString, 251); },
     err::InvalidFieldDefinition},
    {"type the engine does not store", [](TFieldDefs& f, TIndexDefs&) { f.Add("Odd", hollin::ftUnknown); },
     err::InvalidFieldDefinition},
    {"secondary indexes Event and EVENT", [](TFieldDefs&, TIndexDefs& x) { x.Add("EVENT", "City", 0); },
     err::IndexExists},
    {"secondary index name starting with a digit", [](TFieldDefs&, TIndexDefs& x) { x.Add("2City", "City", 0); },
     err::InvalidIndexName},
    {"blob field in a key", [](TFieldDefs&, TIndexDefs& x) { x.Add("ByPhoto", "LastName;Photo", 0); },
     err::InvalidIndexFieldType},
    {"key longer than 1036 bytes",
     [](TFieldDefs& f, TIndexDefs& x) {
         AddStrings(f, "Wide", 5, 250);
         x.Add("Wide", "Wide0;Wide1;Wide2;Wide3;Wide4", 0);
     },
     err::InvalidKeySize},
    {"unknown index field", [](TFieldDefs&, TIndexDefs& x) { x.Add("Missing", "City;Nowhere", 0); },
     err::InvalidIndexField},
    {"more than 30 secondary indexes",
     [](TFieldDefs&, TIndexDefs& x) {
         for (int i = 0; i < 27; ++i) x.Add("Extra" + std::to_string(i), "City", 0);
     },
     err::IndexLimits},
    {"more than 1024 fields", [](TFieldDefs& f, TIndexDefs&) { AddStrings(f, "F", 1024 - 16, 1); },
     err::FieldLimits},
    {"more than 32 blob fields",
     [](TFieldDefs& f, TIndexDefs&) {
         for (int i = 0; i < 31; ++i) f.Add("Blob" + std::to_string(i), hollin::ftBlob);
     },
     err::BlobFieldsOrBlockSize},
    {"record above 65535 bytes", [](TFieldDefs& f, TIndexDefs&) { AddStrings(f, "Big", 261, 250); },
     err::RecordSizeExceeded},
};

TEST_F(CreateTableTest, InvalidDefinitionsRaiseTheirCodeAndWriteNothing) {
    for (const InvalidCase& c : kInvalidCases) {
        SCOPED_TRACE(c.what);
        TFieldDefs f;
        TIndexDefs x;
        AddEventFields(f);
        AddEventIndexes(x);
        c.change(f, x);
        EXPECT_EQ(CodeOf([&] { CreateTableFiles(path, f, x, TableFileOptions{}); }), c.code);
        EXPECT_EQ(FilesInFolder(), 0u);
    }
}

TEST_F(CreateTableTest, LimitsThemselvesAreAccepted) {
    // 30 secondary indexes, 32 blob fields and a key of exactly 1036 bytes.
    for (int i = 0; i < 25; ++i) indexes.Add("Extra" + std::to_string(i), "City", 0);
    for (int i = 0; i < 30; ++i) fields.Add("Blob" + std::to_string(i), hollin::ftBlob);
    AddStrings(fields, "Wide", 4, 250);
    fields.Add("Pad", hollin::ftString, 26);
    // 4 x (presence byte + 251) + (1 + 27): 1036 bytes, unique so no record ID.
    indexes.Add("Wide", "Wide0;Wide1;Wide2;Wide3;Pad", ixUnique);
    CreateTableFiles(path, fields, indexes, TableFileOptions{});
    TDataFile file;
    PrepareExclusive(file, path, TableFileOptions{});
    file.Open();
    EXPECT_EQ(file.Index().SecondaryCount(), 30);
    EXPECT_EQ(file.Header().blobFieldCount, 32);
    EXPECT_EQ(file.Index().Descriptor(30).keyLength, 1036);
}

TEST_F(CreateTableTest, EmptyTableLeavesTheDefaultSizesAndRestartsRecordIds) {
    CreateTableFiles(path, fields, indexes, TableFileOptions{});
    {
        TDataFile file;
        PrepareExclusive(file, path, TableFileOptions{});
        file.Open();
        for (int i = 0; i < 100; ++i) Insert(file, "Name" + std::to_string(i), Bytes(1000, static_cast<uint8_t>(i)));
        file.Close();
    }
    ASSERT_GT(FileSize(folder / "Hollin.BLB"), 512);
    EmptyTableFiles(path, TableFileOptions{});
    EXPECT_EQ(FileSize(path), 13183);
    EXPECT_EQ(FileSize(folder / "Hollin.IDX"), 4096);
    EXPECT_EQ(FileSize(folder / "Hollin.BLB"), 512);

    TDataFile file;
    PrepareExclusive(file, path, TableFileOptions{});
    file.Open();
    EXPECT_EQ(file.Index().RecordCount(), 0u);
    uint32_t number = Insert(file, "After", Bytes(10, 1));
    RecordPin record(file, file.GetRecord(number));
    EXPECT_EQ(number, 1u);
    EXPECT_EQ(RecordId(record->image.data()), 1u);
}

TEST_F(CreateTableTest, EmptyTableRefusesATableInUseOrReadOnly) {
    CreateTableFiles(path, fields, indexes, TableFileOptions{});
    {
        TDataFile file;
        PrepareExclusive(file, path, TableFileOptions{});
        file.Open();
        Insert(file, "Kept", Bytes(10, 1));
        file.Close();
    }
    const Bytes before = ReadFile(path);
    {
        TDataFile shared;
        shared.SetFileName(path);
        shared.Open();
        EXPECT_EQ(CodeOf([&] { EmptyTableFiles(path, TableFileOptions{}); }), err::AccessDenied);
    }
    ::chmod(path.c_str(), 0444);
    EXPECT_EQ(CodeOf([&] { EmptyTableFiles(path, TableFileOptions{}); }), err::AccessDenied);
    ::chmod(path.c_str(), 0644);
    EXPECT_EQ(ReadFile(path), before);
    EXPECT_EQ(CodeOf([&] { EmptyTableFiles(folder / "Missing.DAT", TableFileOptions{}); }), err::InvalidPath);
}

}  // namespace
}  // namespace larch
