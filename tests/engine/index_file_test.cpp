// Tests of the index file: header, opening checks on corrupt files, the
// cursor with ranges and filters, record bitmaps, emptying and change checks.
#include "engine/index/index_file.h"

#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "engine/files/byte_order.h"
#include "engine/files/engine_error.h"
#include "engine/index/index_key.h"
#include "tests/engine/test_folder.h"
#include "tests/support/engine_error_code.h"

namespace larch {
namespace {

using Bytes = std::vector<uint8_t>;
using testing::TestFolder;

constexpr int kNames = 1;

using testing::CodeOf;

Bytes ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

void WriteFile(const std::string& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// Value key of the "Names" index: presence byte, the value as 16 string bytes,
// and 4 record-ID bytes (given raw, so that ranges can use 00 and FF).
Bytes NameKey(uint32_t value, uint32_t recordId) {
    Bytes key(21, 0);
    key[0] = 1;
    std::string text = std::to_string(value);
    text.insert(0, 10 - text.size(), '0');
    std::memcpy(key.data() + 1, text.data(), text.size());
    PutKeyRecordId(key.data() + 17, recordId);
    return key;
}

// A key of the primary index: presence byte and record ID.
Bytes IdKey(uint32_t id) {
    Bytes key(5, 1);
    PutKeyRecordId(key.data() + 1, id);
    return key;
}

Bytes RangeKey(uint32_t value, uint8_t fill) {
    Bytes key = NameKey(value, 0);
    std::memset(key.data() + 17, fill, 4);
    return key;
}

IndexDescriptor Index(const char* name, uint16_t field, uint16_t keyLength, bool unique) {
    IndexDescriptor d;
    d.name = name;
    d.keyLength = keyLength;
    d.unique = unique;
    d.fieldNumbers[d.fieldCount++] = field;
    return d;
}

std::vector<FieldDescriptor> Fields() {
    // IndexField (AutoInc), Name (string 15), Number (int32).
    std::vector<FieldDescriptor> fields(3);
    fields[0].physType = phys::Int32;
    fields[0].subType = subtype::AutoInc;
    fields[0].offset = 5;
    fields[1].physType = phys::String;
    fields[1].size = 15;
    fields[1].offset = 9;
    fields[2].physType = phys::Int32;
    fields[2].offset = 26;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        fields[i].number = static_cast<uint16_t>(i + 1);
        fields[i].width = StoredWidth(fields[i].physType, fields[i].size);
    }
    return fields;
}

class IndexFileTest : public ::testing::Test {
protected:
    void SetUp() override { Create(); }

    void Create() {
        file.SetExclusive(true);
        file.SetFileName(folder / "T");
        file.SetDataFileName(folder / "T.DAT");
        file.Create(Index("", 1, 5, true), {Index("Names", 2, 21, false), Index("Number", 3, 5, true)});
    }

    // Values 10, 20, ... 100 for records 1 to 10.
    void InsertTens() {
        for (uint32_t r = 1; r <= 10; ++r) file.InsertKey(kNames, NameKey(r * 10, r).data(), r);
    }

    uint32_t CurrentValue() const { return std::stoul(std::string(file.CurrentKey() + 1, file.CurrentKey() + 11)); }

    std::string Path() const { return folder / "T.IDX"; }

    void Patch(std::size_t offset, const Bytes& bytes) {
        Bytes image = ReadFile(Path());
        ASSERT_LE(offset + bytes.size(), image.size());
        std::copy(bytes.begin(), bytes.end(), image.begin() + static_cast<std::ptrdiff_t>(offset));
        WriteFile(Path(), image);
    }

    static Bytes U32(uint32_t v) {
        Bytes b(4);
        PutU32(b.data(), v);
        return b;
    }
    static Bytes U16(uint16_t v) {
        Bytes b(2);
        PutU16(b.data(), v);
        return b;
    }

    int OpenCode(bool exclusive = true) {
        TIndexFile other;
        other.SetExclusive(exclusive);
        other.SetFileName(Path());
        return CodeOf([&] {
            other.Open();
            other.SelectIndex(kNames);
            while (other.Next()) {
            }
        });
    }

    TestFolder folder;
    TIndexFile file;
};

TEST_F(IndexFileTest, FreshFileIsOneHeaderWithTheIndexesInTheirSlots) {
    EXPECT_TRUE(file.IsOpen());
    EXPECT_EQ(file.ActiveSlot(), kPrimarySlot);
    file.Close();
    Bytes h = ReadFile(Path());
    ASSERT_EQ(h.size(), 4096u);
    EXPECT_EQ(GetU32(h.data()), 0u);  // change count
    EXPECT_EQ(h[8], 3);
    EXPECT_EQ(GetU32(h.data() + 9), 4096u);
    EXPECT_EQ(h[13], 2);
    EXPECT_EQ(GetU16(h.data() + 14 + 31), 5);                  // primary key length
    EXPECT_EQ(GetShortString(h.data() + 14 + 120, 30), "Names");
    EXPECT_EQ(GetU16(h.data() + 14 + 120 + 31), 21);
    EXPECT_EQ(GetShortString(h.data() + 14 + 31 * 120, 30), "Sys Deleted");
    EXPECT_EQ(GetU16(h.data() + 14 + 31 * 120 + 31), 5);
    EXPECT_EQ(GetU32(h.data() + 3974), 0u);
    EXPECT_EQ(h[3978], 0);
    EXPECT_EQ(h[3979], 1);  // modified marker
    Bytes rest(h.begin() + 3980, h.end());
    EXPECT_EQ(rest, Bytes(116, 0));

    TIndexFile shared;
    shared.SetFileName(folder / "U");
    EXPECT_EQ(CodeOf([&] { shared.Create(Index("", 1, 5, true), {}); }), err::MustBeExclusive);
}

TEST_F(IndexFileTest, HeaderQueries) {
    EXPECT_EQ(file.SecondaryCount(), 2);
    EXPECT_FALSE(file.NoPrimaryIndex());
    EXPECT_EQ(file.FindIndex("names"), 1);
    EXPECT_EQ(file.FindIndex("NUMBER"), 2);
    EXPECT_EQ(file.FindIndex(""), kPrimarySlot);
    EXPECT_EQ(file.FindIndex("Sys Deleted"), -1);
    EXPECT_EQ(file.FindIndex("City"), -1);
    EXPECT_EQ(file.IndexDisplayName(0), "Primary");
    EXPECT_EQ(file.IndexDisplayName(1), "Names");
    EXPECT_EQ(CodeOf([&] { file.SelectIndex(5); }), err::InvalidIndexName);
    EXPECT_EQ(file.MakeFileName(" a/Hollin.DAT "), "a/Hollin.IDX");
}

TEST_F(IndexFileTest, ReadOnlyFileRefusesChanges) {
    InsertTens();
    file.Close();
    file.SetReadOnly(true);
    file.Open();
    EXPECT_EQ(CodeOf([&] { file.InsertKey(kNames, NameKey(1, 11).data(), 11); }), err::AccessDenied);
    EXPECT_EQ(CodeOf([&] { file.DeleteKey(kNames, NameKey(10, 1).data()); }), err::AccessDenied);
    EXPECT_EQ(CodeOf([&] { file.Empty(); }), err::AccessDenied);
    EXPECT_TRUE(file.FindExact(kNames, NameKey(10, 1).data()));
    EXPECT_EQ(file.KeyCount(kNames), 10u);
}

TEST_F(IndexFileTest, OpenReadsOnlyTheHeader) {
    for (uint32_t r = 1; r <= 10; ++r) file.InsertKey(kPrimarySlot, IdKey(r).data(), r);
    file.SetRecordCount(10);
    file.Close();
    file.Open();
    EXPECT_EQ(file.ReadCalls(), 1u);
    EXPECT_EQ(file.RangeFirst(), 1u);
    EXPECT_EQ(file.RangeLast(), 10u);  // the header's record count
    ASSERT_TRUE(file.Last());
    EXPECT_EQ(file.RecNo(), 10u);
    EXPECT_GT(file.ReadCalls(), 1u);
}

TEST_F(IndexFileTest, FirstRecordOfTheEventTableMakesSevenPages) {
    file.Close();
    std::filesystem::remove(Path());
    file.Create(Index("", 1, 5, true), {Index("Event", 5, 21, false), Index("LastName", 4, 21, false),
                                        Index("FirstName", 2, 21, false), Index("Edate", 6, 60, false)});
    EXPECT_EQ(std::filesystem::file_size(Path()), 4096u);
    for (int slot : {0, 1, 2, 3, 4, kSysDeletedSlot}) {
        Bytes key(file.Descriptor(slot).keyLength, 1);
        file.InsertKey(slot, key.data(), 1);
    }
    file.SetRecordCount(1);
    file.Close();
    EXPECT_EQ(std::filesystem::file_size(Path()), 7u * 4096);
    Bytes h = ReadFile(Path());
    EXPECT_EQ(GetU32(h.data()), 1u);
    EXPECT_EQ(GetU32(h.data() + 3974), 1u);
    for (int slot = 0; slot < 5; ++slot) EXPECT_NE(GetU32(h.data() + 14 + slot * 120 + 86), 0u);
}

TEST_F(IndexFileTest, RangesPositionsAndEnds) {
    InsertTens();
    file.SelectIndex(kNames);
    EXPECT_EQ(file.RangeFirst(), 1u);
    EXPECT_EQ(file.RangeLast(), 10u);
    file.SetRange(RangeKey(30, 0x00).data(), RangeKey(60, 0xFF).data());
    EXPECT_TRUE(file.HasRange());
    EXPECT_EQ(file.RangeFirst(), 3u);
    EXPECT_EQ(file.RangeLast(), 6u);
    EXPECT_EQ(file.RangeCount(), 4u);

    ASSERT_TRUE(file.First());
    EXPECT_EQ(CurrentValue(), 30u);
    EXPECT_EQ(file.RecNo(), 1u);
    EXPECT_EQ(file.Position(), 3u);
    EXPECT_FALSE(file.Prior());
    EXPECT_TRUE(file.Bof());
    EXPECT_EQ(CurrentValue(), 30u);
    for (uint32_t value : {40u, 50u, 60u}) {
        ASSERT_TRUE(file.Next());
        EXPECT_EQ(CurrentValue(), value);
    }
    EXPECT_EQ(file.RecNo(), 4u);
    EXPECT_FALSE(file.Next());
    EXPECT_TRUE(file.Eof());
    EXPECT_EQ(CurrentValue(), 60u);  // stays
    ASSERT_TRUE(file.Prior());
    EXPECT_EQ(CurrentValue(), 50u);
    EXPECT_FALSE(file.Eof());

    ASSERT_TRUE(file.GoToPosition(2));
    EXPECT_EQ(CurrentValue(), 40u);
    EXPECT_EQ(file.Position(), 4u);
    EXPECT_FALSE(file.GoToPosition(5));
    EXPECT_FALSE(file.GoToPosition(0));
    EXPECT_EQ(CurrentValue(), 40u);

    // A search before the range gives its first key, after it its last.
    ASSERT_TRUE(file.FindNearest(RangeKey(15, 0).data(), 21));
    EXPECT_EQ(CurrentValue(), 30u);
    EXPECT_FALSE(file.FindNearest(RangeKey(65, 0).data(), 21));
    EXPECT_TRUE(file.Eof());
    EXPECT_EQ(CurrentValue(), 60u);
    EXPECT_FALSE(file.FindKey(NameKey(70, 7).data()));  // outside the range
    EXPECT_TRUE(file.FindKey(NameKey(50, 5).data()));

    file.CancelRange();
    EXPECT_EQ(CurrentValue(), 50u);
    EXPECT_EQ(file.RecNo(), 5u);
    EXPECT_EQ(file.RangeCount(), 10u);
}

TEST_F(IndexFileTest, EmptyRanges) {
    InsertTens();
    file.SelectIndex(kNames);
    struct Case {
        uint32_t start, end;
    } cases[] = {{60, 30}, {31, 39}, {101, 200}, {1, 9}};
    for (const Case& c : cases) {
        file.SetRange(RangeKey(c.start, 0x00).data(), RangeKey(c.end, 0xFF).data());
        EXPECT_EQ(file.RangeCount(), 0u) << c.start;
        EXPECT_FALSE(file.First()) << c.start;
        EXPECT_TRUE(file.Bof() && file.Eof()) << c.start;
        EXPECT_EQ(file.RecNo(), 0u);
        EXPECT_FALSE(file.FindNearest(RangeKey(50, 0).data(), 21));
    }
    file.SetRange(RangeKey(60, 0x00).data(), RangeKey(30, 0xFF).data());
    EXPECT_EQ(file.RangeFirst(), 0u);
    EXPECT_EQ(file.RangeLast(), 0u);
}

TEST_F(IndexFileTest, FindNearestComparesOverThePrefix) {
    InsertTens();
    file.SelectIndex(kNames);
    Bytes key = NameKey(45, 0);
    ASSERT_TRUE(file.FindNearest(key.data(), 11));  // all ten digits: 45 -> 50
    EXPECT_EQ(CurrentValue(), 50u);
    ASSERT_TRUE(file.FindNearest(key.data(), 10));  // "000000004" -> 40
    EXPECT_EQ(CurrentValue(), 40u);
    EXPECT_FALSE(file.Eof());
    EXPECT_FALSE(file.FindNearest(NameKey(500, 0).data(), 11));  // past the end: the last key, Eof
    EXPECT_TRUE(file.Eof());
    EXPECT_EQ(CurrentValue(), 100u);
    EXPECT_EQ(file.RecNo(), 10u);

    file.SelectIndex(2);  // empty index
    EXPECT_FALSE(file.FindNearest(NameKey(1, 0).data(), 5));
    EXPECT_EQ(file.CurrentKey(), nullptr);
    EXPECT_TRUE(file.Bof() && file.Eof());
}

TEST_F(IndexFileTest, CursorKeepsItsKeyAcrossChanges) {
    InsertTens();
    file.SelectIndex(kNames);
    ASSERT_TRUE(file.FindKey(NameKey(50, 5).data()));
    file.InsertKey(kNames, NameKey(15, 11).data(), 11);
    EXPECT_EQ(CurrentValue(), 50u);
    EXPECT_EQ(file.Position(), 6u);
    EXPECT_EQ(file.RangeCount(), 11u);

    file.DeleteKey(kNames, NameKey(50, 5).data());  // the current key
    EXPECT_EQ(file.CurrentRecordNumber(), 5u);
    ASSERT_TRUE(file.Next());
    EXPECT_EQ(CurrentValue(), 60u);
    EXPECT_EQ(file.Position(), 6u);

    file.DeleteKey(kNames, NameKey(60, 6).data());
    ASSERT_TRUE(file.Prior());
    EXPECT_EQ(CurrentValue(), 40u);

    ASSERT_TRUE(file.Last());
    file.DeleteKey(kNames, NameKey(100, 10).data());
    EXPECT_FALSE(file.Next());
    ASSERT_TRUE(file.Prior());
    EXPECT_EQ(CurrentValue(), 90u);
}

TEST_F(IndexFileTest, FilterBitmapHidesRecords) {
    InsertTens();
    file.SelectIndex(kNames);
    std::vector<uint8_t> passing = {0x12, 0x01};  // records 2, 5 and 9
    file.SetFilterBitmap(&passing);
    std::vector<uint32_t> seen;
    for (bool more = file.First(); more; more = file.Next()) seen.push_back(file.CurrentRecordNumber());
    EXPECT_EQ(seen, (std::vector<uint32_t>{2, 5, 9}));
    EXPECT_EQ(file.CurrentRecordNumber(), 9u);
    EXPECT_EQ(file.RecNo(), 9u);  // counts every key of the range
    ASSERT_TRUE(file.Prior());
    EXPECT_EQ(file.CurrentRecordNumber(), 5u);
    ASSERT_TRUE(file.FindNearest(NameKey(30, 0).data(), 21));
    EXPECT_EQ(file.CurrentRecordNumber(), 5u);
    EXPECT_FALSE(file.FindNearest(NameKey(95, 0).data(), 21));
    EXPECT_EQ(file.CurrentRecordNumber(), 9u);  // the last passing key
    ASSERT_TRUE(file.GoToPosition(1));        // positions ignore the filter
    EXPECT_EQ(file.CurrentRecordNumber(), 1u);

    std::vector<uint8_t> none = {0, 0};
    file.SetFilterBitmap(&none);
    EXPECT_FALSE(file.First());
    file.SetFilterBitmap(nullptr);
    EXPECT_TRUE(file.First());
}

TEST_F(IndexFileTest, InUseBitmapComesFromSysDeleted) {
    uint8_t key[5];
    struct Slot {
        uint8_t status;
        uint32_t id, record;
    } slots[] = {{0, 1, 1}, {1, 2, 2}, {0, 3, 3}, {0, 4, 9}, {0, 5, 40}};
    for (const Slot& s : slots) {
        BuildSysDeletedKey(s.status, s.id, key);
        file.InsertKey(kSysDeletedSlot, key, s.record);
    }
    EXPECT_EQ(file.InUseBitmap(10), (std::vector<uint8_t>{0x05, 0x01}));  // record 40 lies beyond
    EXPECT_EQ(file.InUseBitmap(1), (std::vector<uint8_t>{0x00}));
    EXPECT_EQ(file.Verify(kSysDeletedSlot), std::vector<std::string>{});
}

TEST_F(IndexFileTest, EmptyTruncatesAndResets) {
    for (uint32_t r = 1; r <= 400; ++r) file.InsertKey(kNames, NameKey(r, r).data(), r);
    file.SetRecordCount(400);
    file.FlushPages();
    const uint32_t count = file.ChangeCount();
    file.SelectIndex(kNames);
    ASSERT_TRUE(file.First());
    file.Empty();
    EXPECT_EQ(std::filesystem::file_size(Path()), 4096u);
    EXPECT_EQ(file.KeyCount(kNames), 0u);
    EXPECT_EQ(file.RecordCount(), 0u);
    EXPECT_EQ(file.NextPageOffset(), 4096u);
    EXPECT_EQ(file.Descriptor(kNames).rootPage, 0u);
    EXPECT_EQ(file.Descriptor(kNames).freePageHead, 0u);
    EXPECT_EQ(file.RangeCount(), 0u);
    EXPECT_FALSE(file.First());
    file.Close();
    Bytes h = ReadFile(Path());
    EXPECT_EQ(GetU32(h.data()), count + 1);
    EXPECT_EQ(GetU32(h.data() + 9), 4096u);
}

TEST_F(IndexFileTest, ChangeCheckSeesAnotherWriter) {
    InsertTens();
    file.Close();
    TIndexFile writer, reader;
    for (TIndexFile* f : {&writer, &reader}) {
        f->SetFileName(Path());
        f->Open();
        f->SelectIndex(kNames);
    }
    ASSERT_TRUE(reader.First());  // caches the leaf
    EXPECT_FALSE(reader.CheckChangeCount());
    writer.InsertKey(kNames, NameKey(5, 11).data(), 11);
    writer.FlushPages();
    EXPECT_EQ(writer.ChangeCount(), 2u);

    EXPECT_TRUE(reader.FindKey(NameKey(10, 1).data()));
    EXPECT_EQ(reader.Position(), 1u);  // still the cached page
    EXPECT_TRUE(reader.CheckChangeCount());
    EXPECT_EQ(reader.ChangeCount(), 2u);
    EXPECT_EQ(reader.Position(), 2u);  // found again after the new key
    EXPECT_EQ(reader.RangeCount(), 11u);
    EXPECT_FALSE(reader.CheckChangeCount());
}

TEST_F(IndexFileTest, CorruptHeadersAreRefused) {
    InsertTens();
    file.Close();
    const Bytes original = ReadFile(Path());
    const std::size_t names = 14 + 120;
    struct Case {
        const char* label;
        std::size_t offset;
        Bytes bytes;
        int code;
    } cases[] = {
        {"version 2", 8, {2}, err::WrongVersion},
        {"compression 1", names + 36, {1}, err::UnsupportedCompression},
        {"compression 3", names + 36, {3}, err::UnsupportedCompression},
        {"compression 4", names + 36, {4}, err::HeaderCorrupt},
        {"31 secondary indexes", 13, {31}, err::HeaderCorrupt},
        {"key length 0", names + 31, U16(0), err::HeaderCorrupt},
        {"key length 1037", names + 31, U16(1037), err::HeaderCorrupt},
        {"17 fields", names + 37, {17}, err::HeaderCorrupt},
        {"root off a page", names + 86, U32(4097), err::HeaderCorrupt},
        {"root past the next page", names + 86, U32(8192), err::HeaderCorrupt},
        {"free head past the next page", names + 90, U32(1u << 30), err::HeaderCorrupt},
        {"next page not a page", 9, U32(5000), err::HeaderCorrupt},
        {"sys deleted key length", 14 + 31 * 120 + 31, U16(6), err::HeaderCorrupt},
    };
    for (const Case& c : cases) {
        WriteFile(Path(), original);
        Patch(c.offset, c.bytes);
        EXPECT_EQ(OpenCode(), c.code) << c.label;
    }
    WriteFile(Path(), Bytes(original.begin(), original.begin() + 100));
    EXPECT_EQ(OpenCode(), err::HeaderCorrupt) << "short header";
    WriteFile(Path(), original);
    EXPECT_EQ(OpenCode(), 0);

    // Field descriptors that do not give the stored key lengths.
    std::vector<FieldDescriptor> fields = Fields();
    TIndexFile checked;
    checked.SetFileName(Path());
    checked.SetFields(&fields);
    EXPECT_NO_THROW(checked.Open());
    std::vector<FieldDescriptor> wider = fields;
    wider[1].size = 20;
    EXPECT_EQ(CodeOf([&] { checked.SetFields(&wider); }), err::HeaderCorrupt);
}

TEST_F(IndexFileTest, CorruptPagesAreRefused) {
    InsertTens();  // one root leaf at 4096 in "Names"
    file.Close();
    const Bytes original = ReadFile(Path());
    ASSERT_EQ(original.size(), 8192u);

    WriteFile(Path(), Bytes(original.begin(), original.begin() + 4097));  // the page's type byte only
    EXPECT_EQ(OpenCode(false), err::ReadError) << "truncated page, shared";
    EXPECT_EQ(OpenCode(true), err::IndexBuffersCorrupt) << "truncated page, exclusive: short read allowed";

    struct Case {
        const char* label;
        std::size_t offset;
        Bytes bytes;
    } cases[] = {
        {"entry count above capacity", 4096 + 1, U16(152)},
        {"impossible entry count", 4096 + 1, U16(60000)},
        {"page type 7", 4096, {7}},
        {"root leaf typed as a plain leaf", 4096, {2}},
        {"zero entries", 4096 + 1, U16(0)},
        {"next link off a page", 4096 + 7, U32(4100)},
    };
    for (const Case& c : cases) {
        WriteFile(Path(), original);
        Patch(c.offset, c.bytes);
        EXPECT_EQ(OpenCode(), err::IndexBuffersCorrupt) << c.label;
    }
}

TEST_F(IndexFileTest, CorruptInteriorPagesAreRefusedAndReported) {
    for (uint32_t r = 1; r <= 400; ++r) file.InsertKey(kNames, NameKey(r, r).data(), r);
    const uint32_t root = file.Descriptor(kNames).rootPage;
    file.Close();
    const Bytes original = ReadFile(Path());
    const std::size_t firstEntry = root + 13;
    struct Case {
        const char* label;
        std::size_t offset;
        Bytes bytes;
    } cases[] = {
        {"child past the file", firstEntry + 21, U32(1u << 24)},
        {"child is the page itself", firstEntry + 21, U32(root)},
        {"second child is the page itself", firstEntry + 29 + 21, U32(root)},
        {"subtree count 0", firstEntry + 25, U32(0)},
        {"subtree count off by one", firstEntry + 25, U32(77)},
    };
    for (const Case& c : cases) {
        WriteFile(Path(), original);
        Patch(c.offset, c.bytes);
        EXPECT_EQ(OpenCode(), err::IndexBuffersCorrupt) << c.label;
    }
    // Verify reports what the descents refuse.
    WriteFile(Path(), original);
    Patch(firstEntry + 25, U32(77));
    TIndexFile reader;
    reader.SetFileName(Path());
    reader.Open();
    std::vector<std::string> problems = reader.Verify(kNames);
    ASSERT_FALSE(problems.empty());
    EXPECT_NE(problems[0].find("counts 77"), std::string::npos) << problems[0];
}

TEST_F(IndexFileTest, FileLimitRaisesTableFullAndChangesNothing) {
    file.Close();
    Patch(9, U32(2000003072u));  // the first page offset beyond 2000000000
    file.Open();
    EXPECT_EQ(CodeOf([&] { file.InsertKey(kNames, NameKey(1, 1).data(), 1); }), err::TableFull);
    EXPECT_EQ(file.Descriptor(kNames).rootPage, 0u);
    file.Close();

    // Room for one more page: a root leaf, but not for splitting it.
    Patch(9, U32(1999998976u));
    file.Open();
    for (uint32_t r = 1; r <= 151; ++r) file.InsertKey(kNames, NameKey(r, r).data(), r);
    EXPECT_EQ(CodeOf([&] { file.InsertKey(kNames, NameKey(152, 152).data(), 152); }), err::TableFull);
    EXPECT_EQ(file.KeyCount(kNames), 151u);
    EXPECT_EQ(file.Verify(kNames), std::vector<std::string>{});
    file.DropCaches();  // no page written near 2 GB
}

// Random damage to the pages of a two-level index must end in engine errors
// or sound results, never in a crash, a hang or a read out of bounds.
TEST_F(IndexFileTest, RandomPageDamageNeverCrashes) {
    for (uint32_t r = 1; r <= 500; ++r) file.InsertKey(kNames, NameKey(r * 7 % 1000, r).data(), r);
    for (uint32_t r = 1; r <= 100; ++r) file.DeleteKey(kNames, NameKey(r * 7 % 1000, r).data());
    file.Close();
    const Bytes original = ReadFile(Path());
    std::mt19937 random(99);
    int refused = 0;
    for (int round = 0; round < 300; ++round) {
        Bytes damaged = original;
        for (int i = 0; i < 4; ++i) {
            std::size_t at = 4096 + random() % (damaged.size() - 4096);
            damaged[at] = static_cast<uint8_t>(random());
        }
        WriteFile(Path(), damaged);
        TIndexFile victim;
        victim.SetExclusive(true);
        victim.SetFileName(Path());
        try {
            victim.Open();
            victim.SelectIndex(kNames);
            victim.Verify(kNames);
            for (int n = 0; n < 1000 && victim.Next(); ++n) {
            }
            victim.FindNearest(NameKey(random() % 1000, 0).data(), 21);
            victim.InsertKey(kNames, NameKey(random() % 1000, 9999).data(), 9999);
            victim.DeleteKey(kNames, NameKey(random() % 1000, random() % 500).data());
            victim.Close();
        } catch (const ELarchEngineError&) {
            ++refused;
        }
    }
    EXPECT_GT(refused, 0);
}

}  // namespace
}  // namespace larch
