// Tests of the blob file: bytes on disk, chains, reuse, open blobs, errors on
// corrupt files, read runs and the integrity check.
#include "engine/blob/blob_file.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>

#include <gtest/gtest.h>

#include "engine/files/byte_order.h"
#include "engine/files/engine_error.h"
#include "engine/cursor/larch_blob_stream.h"
#include "tests/engine/test_folder.h"
#include "tests/support/engine_error_code.h"

namespace larch {
namespace {

using testing::TestFolder;

using testing::CodeOf;

std::vector<uint8_t> Pattern(std::size_t length, uint8_t seed) {
    std::vector<uint8_t> bytes(length);
    for (std::size_t i = 0; i < length; ++i) bytes[i] = static_cast<uint8_t>(seed + i * 7 + i / 251);
    return bytes;
}

std::vector<uint8_t> FileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

void Patch(const std::string& path, std::size_t offset, const std::vector<uint8_t>& bytes) {
    std::fstream file(path, std::ios::binary | std::ios::in | std::ios::out);
    file.seekp(static_cast<std::streamoff>(offset));
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::vector<uint8_t> U32(uint32_t value) {
    std::vector<uint8_t> bytes(4);
    PutU32(bytes.data(), value);
    return bytes;
}

std::vector<uint8_t> U16(uint16_t value) {
    std::vector<uint8_t> bytes(2);
    PutU16(bytes.data(), value);
    return bytes;
}

FieldDescriptor BlobField(uint16_t number) {
    FieldDescriptor field;
    field.number = number;
    field.name = "Photo" + std::to_string(number);
    field.physType = phys::Blob;
    field.width = 4;
    return field;
}

class BlobFileTest : public ::testing::Test {
protected:
    std::string Path() const { return folder / "T.BLB"; }

    std::unique_ptr<TBlobFile> NewFile(uint32_t blockSize = 512) {
        auto file = std::make_unique<TBlobFile>();
        file->SetFileName(folder / "T.DAT");
        file->SetBlockSize(blockSize);
        file->SetExclusive(true);
        file->Create();
        return file;
    }

    std::unique_ptr<TBlobFile> OpenFile(bool exclusive = true, uint32_t blockSize = 512) {
        auto file = std::make_unique<TBlobFile>();
        file->SetFileName(Path());
        file->SetBlockSize(blockSize);
        file->SetExclusive(exclusive);
        file->Open();
        return file;
    }

    uint32_t Write(TBlobFile& file, uint32_t first, uint32_t owner, const std::vector<uint8_t>& value) {
        return file.WriteValue(first, owner, value.data(), static_cast<uint32_t>(value.size()));
    }

    TestFolder folder;
};

TEST_F(BlobFileTest, NewFileIsItsHeaderOnly) {
    auto file = NewFile();
    EXPECT_EQ(file->FileName(), folder / "T.BLB");
    file->Close();
    std::vector<uint8_t> bytes = FileBytes(Path());
    ASSERT_EQ(bytes.size(), 512u);
    EXPECT_EQ(GetU32(&bytes[0]), 1u);    // written once
    EXPECT_EQ(bytes[8], 3);              // version
    EXPECT_EQ(GetU32(&bytes[9]), 0u);    // no free block
    EXPECT_EQ(GetU32(&bytes[13]), 512u); // next block offset
    EXPECT_EQ(bytes[17], 1);             // modified marker
    EXPECT_TRUE(std::all_of(bytes.begin() + 18, bytes.end(), [](uint8_t b) { return b == 0; }));
    EXPECT_EQ(GetU32(&bytes[4]), 0u);
}

TEST_F(BlobFileTest, ThousandBytesMakeThreeBlocksWrittenInOneRun) {
    auto file = NewFile();
    std::vector<uint8_t> value = Pattern(1000, 1);
    EXPECT_EQ(Write(*file, 0, 7, value), 512u);
    uint64_t writesBefore = file->WriteCalls();
    file->FlushBlocks();
    EXPECT_EQ(file->WriteCalls() - writesBefore, 2u);  // the three blocks, then the header

    std::vector<uint8_t> bytes = FileBytes(Path());
    ASSERT_EQ(bytes.size(), 512u + 3 * 512);
    EXPECT_EQ(GetU32(&bytes[13]), 2048u);
    struct Expected {
        uint32_t offset, prev, next;
        uint16_t used;
        uint32_t length;
    } blocks[] = {{512, 0, 1024, 494, 1000}, {1024, 512, 1536, 494, 0}, {1536, 1024, 0, 12, 0}};
    std::size_t dataAt = 0;
    for (const Expected& e : blocks) {
        SCOPED_TRACE(e.offset);
        const uint8_t* b = &bytes[e.offset];
        EXPECT_EQ(GetU32(b + 0), e.prev);
        EXPECT_EQ(GetU32(b + 4), e.next);
        EXPECT_EQ(GetU16(b + 8), e.used);
        EXPECT_EQ(GetU32(b + 10), 7u);
        EXPECT_EQ(GetU32(b + 14), e.length);
        EXPECT_TRUE(std::equal(b + 18, b + 18 + e.used, value.begin() + static_cast<std::ptrdiff_t>(dataAt)));
        EXPECT_TRUE(std::all_of(b + 18 + e.used, b + 512, [](uint8_t x) { return x == 0; }));
        dataAt += e.used;
    }
    EXPECT_EQ(file->ReadValue(512, 7), value);
}

TEST_F(BlobFileTest, ShorterValueKeepsItsFirstBlockAndFreedBlocksAreReused) {
    auto file = NewFile();
    uint32_t first = Write(*file, 0, 7, Pattern(1000, 1));
    std::vector<uint8_t> shorter = Pattern(300, 2);
    EXPECT_EQ(Write(*file, first, 7, shorter), first);
    EXPECT_NE(file->FreeBlockHead(), 0u);
    EXPECT_TRUE(file->Verify({{first, 7}}).empty());

    uint32_t grownTo = file->NextBlockOffset();
    std::vector<uint8_t> other = Pattern(900, 3);
    uint32_t otherFirst = Write(*file, 0, 8, other);
    EXPECT_EQ(file->NextBlockOffset(), grownTo);  // both freed blocks taken, the file did not grow
    EXPECT_EQ(file->FreeBlockHead(), 0u);
    EXPECT_TRUE(file->Verify({{first, 7}, {otherFirst, 8}}).empty());
    file->Close();

    auto reopened = OpenFile();
    EXPECT_EQ(reopened->ReadValue(first, 7), shorter);
    EXPECT_EQ(reopened->ReadValue(otherFirst, 8), other);
    EXPECT_EQ(FileBytes(Path()).size(), 512u + 3 * 512);
}

TEST_F(BlobFileTest, EmptyValueFreesTheChainAndStoresZero) {
    auto file = NewFile();
    uint32_t first = Write(*file, 0, 7, Pattern(1000, 1));
    EXPECT_EQ(file->WriteValue(first, 7, nullptr, 0), 0u);
    EXPECT_NE(file->FreeBlockHead(), 0u);
    EXPECT_TRUE(file->Verify({}).empty());  // every block is on the free list
    Write(*file, 0, 9, Pattern(1400, 4));
    EXPECT_EQ(file->NextBlockOffset(), 2048u);
    EXPECT_EQ(file->FreeBlockHead(), 0u);
}

TEST_F(BlobFileTest, GrowingValueExtendsItsChain) {
    auto file = NewFile(64);  // 46 data bytes per block
    uint32_t first = Write(*file, 0, 3, Pattern(50, 1));
    std::vector<uint8_t> longer = Pattern(500, 2);
    EXPECT_EQ(Write(*file, first, 3, longer), first);
    EXPECT_EQ(file->ReadValue(first, 3), longer);
    EXPECT_EQ(file->NextBlockOffset(), 512u + 11 * 64);
    EXPECT_TRUE(file->Verify({{first, 3}}).empty());
}

// Value A (1000 bytes of record 7) lies in blocks 512, 1024 and 1536; value B
// (100 bytes of record 8) in block 2048. One patch corrupts A.
TEST_F(BlobFileTest, CorruptChainFailsWhileOtherValuesStayReadable) {
    struct Case {
        const char* what;
        std::size_t at;
        std::vector<uint8_t> bytes;
        int readCode;
        bool linksBroken;
    } cases[] = {
        {"next link beyond the end", 512 + 4, U32(512 + 100 * 512), 8963, true},
        {"next link inside a block", 512 + 4, U32(700), 8963, true},
        {"next link into the header", 512 + 4, U32(100), 8963, true},
        {"loop back to the first block", 1536 + 4, U32(512), 8963, true},
        {"second block of another record", 1024 + 10, U32(9), 8963, true},
        {"chain shorter than its length", 1024 + 4, U32(0), 8711, false},
        {"length beyond the chain", 512 + 14, U32(5000), 8711, false},
        {"more bytes used than a block holds", 512 + 8, U16(495), 10029, false},
    };
    std::vector<uint8_t> b = Pattern(100, 9);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        {
            auto file = NewFile();
            ASSERT_EQ(Write(*file, 0, 7, Pattern(1000, 1)), 512u);
            ASSERT_EQ(Write(*file, 0, 8, b), 2048u);
            file->Close();
        }
        Patch(Path(), c.at, c.bytes);
        auto file = OpenFile();
        EXPECT_EQ(CodeOf([&] { file->ReadValue(512, 7); }), c.readCode);
        EXPECT_EQ(file->ReadValue(2048, 8), b);
        EXPECT_EQ(CodeOf([&] { file->FreeChain(512, 7); }), c.linksBroken ? 8963 : 0);
        if (c.linksBroken) {
            EXPECT_EQ(file->FreeBlockHead(), 0u);  // nothing freed
        }
        file->DropCaches();
    }
}

TEST_F(BlobFileTest, BlockMissingFromTheFileIsAReadError) {
    {
        auto file = NewFile();
        Write(*file, 0, 7, Pattern(1000, 1));
        file->Close();
    }
    std::filesystem::resize_file(Path(), 1024);  // the header still counts three blocks
    EXPECT_EQ(CodeOf([&] { OpenFile(false)->ReadValue(512, 7); }), 9217);
    EXPECT_EQ(CodeOf([&] { OpenFile(true)->ReadValue(512, 7); }), 8963);
}

TEST_F(BlobFileTest, OpenChecksTheHeader) {
    struct Case {
        const char* what;
        std::size_t at;
        std::vector<uint8_t> bytes;
        int code;
    } cases[] = {
        {"version 2", 8, {2}, 12035},
        {"next block offset in the header", 13, U32(100), 8963},
        {"next block offset between blocks", 13, U32(2000), 8963},
        {"free head between blocks", 9, U32(700), 8963},
        {"free head at the next block offset", 9, U32(2048), 8963},
        {"free head in the header", 9, U32(4), 8963},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        {
            auto file = NewFile();
            Write(*file, 0, 7, Pattern(1000, 1));
            file->Close();
        }
        Patch(Path(), c.at, c.bytes);
        TBlobFile file;
        file.SetFileName(Path());
        EXPECT_EQ(CodeOf([&] { file.Open(); }), c.code);
        EXPECT_FALSE(file.IsOpen());
    }
    std::filesystem::resize_file(Path(), 100);
    TBlobFile file;
    file.SetFileName(Path());
    EXPECT_EQ(CodeOf([&] { file.Open(); }), 9217);
    EXPECT_FALSE(file.IsOpen());
}

TEST_F(BlobFileTest, OpenBlobErrors) {
    auto file = NewFile();
    uint32_t first = Write(*file, 0, 7, Pattern(1000, 1));
    FieldDescriptor photo = BlobField(17);
    FieldDescriptor name = BlobField(1);
    name.physType = phys::String;

    EXPECT_EQ(CodeOf([&] { file->OpenBlob(name, 0, 7, BlobMode::Read); }), 10753);
    EXPECT_EQ(LastErrorContext().field, name.name);
    EXPECT_EQ(LastErrorContext().file, Path());
    EXPECT_EQ(CodeOf([&] { file->OpenBlob(photo, first + 1, 7, BlobMode::Read); }), 9998);
    EXPECT_EQ(CodeOf([&] { file->OpenBlob(photo, file->NextBlockOffset(), 7, BlobMode::Read); }), 9998);
    EXPECT_EQ(CodeOf([&] { file->OpenedBlob(17); }), 10030);
    EXPECT_EQ(CodeOf([&] { file->CloseBlob(17); }), 10030);
    EXPECT_EQ(file->OpenBlobCount(), 0u);

    for (uint16_t n = 1; n <= 64; ++n) file->OpenBlob(BlobField(n), 0, 7, BlobMode::Read);
    EXPECT_EQ(CodeOf([&] { file->OpenBlob(BlobField(65), 0, 7, BlobMode::Read); }), 9494);
    EXPECT_EQ(&file->OpenBlob(BlobField(5), 0, 7, BlobMode::Read), file->FindOpenBlob(5));  // already open
    file->DropOpenBlobs();
    EXPECT_EQ(file->FindOpenBlob(5), nullptr);
}

TEST_F(BlobFileTest, ChainOfAnotherRecordReadsAsEmptyAndCannotBeWritten) {
    auto file = NewFile();
    std::vector<uint8_t> value = Pattern(1000, 1);
    uint32_t first = Write(*file, 0, 7, value);
    FieldDescriptor photo = BlobField(17);

    TBlobBuffer& read = file->OpenBlob(photo, first, 9, BlobMode::Read);
    EXPECT_EQ(read.Size(), 0u);
    EXPECT_EQ(read.FirstBlock(), 0u);  // a later write must not reuse record 7's chain
    file->CloseBlob(17);
    EXPECT_EQ(CodeOf([&] { file->OpenBlob(photo, first, 9, BlobMode::Write); }), 8963);
    EXPECT_EQ(CodeOf([&] { file->OpenBlob(photo, first, 9, BlobMode::ReadWrite); }), 8963);
    EXPECT_TRUE(file->ReadValue(first, 9).empty());

    // Writing through the emptied blob makes a new chain; record 7 keeps its value.
    file->OpenBlob(photo, first, 9, BlobMode::Read).Write(0, "abc", 3);
    auto written = file->WriteOpenBlobs(9);
    ASSERT_EQ(written.size(), 1u);
    EXPECT_NE(written[0].second, first);
    EXPECT_EQ(file->ReadValue(first, 7), value);
    EXPECT_EQ(file->ReadValue(written[0].second, 9), (std::vector<uint8_t>{'a', 'b', 'c'}));
}

TEST_F(BlobFileTest, ChainShorterThanItsLengthOpensWithTheBytesFound) {
    {
        auto file = NewFile();
        Write(*file, 0, 7, Pattern(1000, 1));
        file->Close();
    }
    Patch(Path(), 1024 + 4, U32(0));  // the chain ends after its second block
    auto file = OpenFile();
    EXPECT_EQ(CodeOf([&] { file->OpenBlob(BlobField(17), 512, 7, BlobMode::Read); }), 8711);
    TBlobBuffer* blob = file->FindOpenBlob(17);
    ASSERT_NE(blob, nullptr);
    EXPECT_EQ(blob->Size(), 988u);
    std::vector<uint8_t> found = Pattern(1000, 1);
    found.resize(988);
    EXPECT_EQ(blob->Value(), found);
}

TEST_F(BlobFileTest, WriteOpenBlobsStoresChangesAtPost) {
    auto file = NewFile();
    std::vector<uint8_t> photo = Pattern(1000, 1);
    std::vector<uint8_t> notes = Pattern(40, 2);
    uint32_t photoFirst = Write(*file, 0, 5, photo);
    uint32_t notesFirst = Write(*file, 0, 5, notes);
    uint32_t memoFirst = Write(*file, 0, 5, Pattern(600, 3));

    file->OpenBlob(BlobField(16), notesFirst, 5, BlobMode::Read);      // unchanged
    TBlobBuffer& edited = file->OpenBlob(BlobField(17), photoFirst, 5, BlobMode::ReadWrite);
    edited.Write(998, "xyz", 3);                                        // grows by one byte
    TBlobBuffer& cleared = file->OpenBlob(BlobField(3), memoFirst, 5, BlobMode::Write);
    EXPECT_TRUE(cleared.Modified());
    EXPECT_EQ(cleared.Size(), 0u);

    auto written = file->WriteOpenBlobs(5);
    EXPECT_EQ(file->OpenBlobCount(), 0u);
    ASSERT_EQ(written.size(), 3u);
    EXPECT_EQ(written[0], (std::pair<uint16_t, uint32_t>{16, notesFirst}));
    EXPECT_EQ(written[1], (std::pair<uint16_t, uint32_t>{17, photoFirst}));  // rewritten in place
    EXPECT_EQ(written[2], (std::pair<uint16_t, uint32_t>{3, 0}));            // emptied, chain freed
    photo.resize(1001);
    std::copy_n("xyz", 3, photo.begin() + 998);
    EXPECT_EQ(file->ReadValue(photoFirst, 5), photo);
    EXPECT_TRUE(file->Verify({{notesFirst, 5}, {photoFirst, 5}}).empty());  // the memo's blocks are free
}

TEST_F(BlobFileTest, OpenBlobsOfDifferentRecordsAreNotWritten) {
    auto file = NewFile();
    uint32_t a = Write(*file, 0, 5, Pattern(10, 1));
    uint32_t b = Write(*file, 0, 6, Pattern(10, 2));
    file->OpenBlob(BlobField(1), a, 5, BlobMode::ReadWrite).Write(0, "q", 1);
    file->OpenBlob(BlobField(2), b, 6, BlobMode::ReadWrite).Write(0, "q", 1);
    EXPECT_EQ(CodeOf([&] { file->WriteOpenBlobs(5); }), 8963);
    EXPECT_EQ(file->OpenBlobCount(), 2u);
    EXPECT_EQ(file->ReadValue(a, 5), Pattern(10, 1));
}

TEST_F(BlobFileTest, LargeValueIsReadInAtMostTwoReads) {
    std::vector<uint8_t> value = Pattern(60 * 1024, 5);
    uint32_t first;
    {
        auto file = NewFile();
        first = Write(*file, 0, 2, value);
        file->Close();
    }
    auto file = OpenFile(false);
    uint64_t before = file->ReadCalls();
    EXPECT_EQ(file->OpenBlob(BlobField(17), first, 2, BlobMode::Read).Value(), value);
    EXPECT_LE(file->ReadCalls() - before, 2u);
}

TEST_F(BlobFileTest, ReadRunKeepsChangedBlocksOfTheCache) {
    auto file = NewFile();
    uint32_t x = Write(*file, 0, 1, Pattern(900, 1));  // 512, 1024
    uint32_t y = Write(*file, 0, 2, Pattern(100, 2));  // 1536
    std::vector<uint8_t> longX = Pattern(1200, 3);
    ASSERT_EQ(Write(*file, x, 1, longX), x);           // 512, 1024, 2048
    file->FlushBlocks();
    file->DropCaches();
    std::vector<uint8_t> newY = Pattern(100, 4);
    ASSERT_EQ(Write(*file, y, 2, newY), y);            // 1536 changed, only in the cache
    // Reading X from 1024 reads 1536 along; the cached change must win.
    EXPECT_EQ(file->ReadValue(x, 1), longX);
    EXPECT_EQ(file->ReadValue(y, 2), newY);
    file->Close();
    EXPECT_EQ(OpenFile()->ReadValue(y, 2), newY);
}

TEST_F(BlobFileTest, RoundTripAcrossCloseAndOpen) {
    std::vector<std::vector<uint8_t>> values = {Pattern(1, 1), Pattern(494, 2), Pattern(495, 3), Pattern(5000, 4)};
    std::vector<uint32_t> firsts;
    uint32_t freeHead, next, count;
    {
        auto file = NewFile();
        uint32_t dropped = Write(*file, 0, 1, Pattern(2000, 9));
        for (std::size_t i = 0; i < values.size(); ++i) firsts.push_back(Write(*file, 0, static_cast<uint32_t>(10 + i), values[i]));
        file->FreeChain(dropped, 1);
        freeHead = file->FreeBlockHead();
        next = file->NextBlockOffset();
        count = file->ChangeCount();
        file->Close();
    }
    auto file = OpenFile();
    EXPECT_EQ(file->FreeBlockHead(), freeHead);
    EXPECT_EQ(file->NextBlockOffset(), next);
    EXPECT_EQ(file->ChangeCount(), count + 1);
    std::vector<std::pair<uint32_t, uint32_t>> inUse;
    for (std::size_t i = 0; i < values.size(); ++i) {
        EXPECT_EQ(file->ReadValue(firsts[i], static_cast<uint32_t>(10 + i)), values[i]);
        inUse.emplace_back(firsts[i], static_cast<uint32_t>(10 + i));
    }
    EXPECT_TRUE(file->Verify(inUse).empty());
}

TEST_F(BlobFileTest, VerifyReportsLeakedAndDoubleUsedBlocks) {
    auto file = NewFile();
    uint32_t a = Write(*file, 0, 7, Pattern(1000, 1));  // 512, 1024, 1536
    uint32_t b = Write(*file, 0, 8, Pattern(100, 2));   // 2048
    EXPECT_TRUE(file->Verify({{a, 7}, {b, 8}}).empty());

    std::vector<std::string> leaked = file->Verify({{b, 8}});
    EXPECT_EQ(leaked.size(), 3u);
    EXPECT_NE(leaked[0].find("leaked"), std::string::npos);

    file->Close();
    Patch(Path(), 1536 + 4, U32(2048));  // A's last block links into B
    file = OpenFile();
    std::vector<std::string> problems = file->Verify({{a, 7}, {b, 8}});
    EXPECT_TRUE(std::any_of(problems.begin(), problems.end(),
                            [](const std::string& p) { return p.find("used twice") != std::string::npos; }));
}

TEST_F(BlobFileTest, CacheSizeAndPressure) {
    struct Case {
        uint32_t blockSize;
        std::size_t capacity;
    } cases[] = {{64, 4095}, {512, 511}, {32768, 7}};
    for (const Case& c : cases) {
        TBlobFile file;
        file.SetBlockSize(c.blockSize);
        EXPECT_EQ(file.CacheCapacity(), c.capacity);
    }
    // 20 blocks through a cache of 7: dirty blocks are written to make room.
    auto file = NewFile(32768);
    std::vector<uint8_t> value = Pattern(20 * 32750, 6);
    uint64_t writesBefore = file->WriteCalls();
    uint32_t first = Write(*file, 0, 4, value);
    EXPECT_GE(file->WriteCalls() - writesBefore, 2u);
    file->Close();
    file = OpenFile(true, 32768);
    EXPECT_EQ(file->ReadValue(first, 4), value);
    EXPECT_TRUE(file->Verify({{first, 4}}).empty());
}

TEST_F(BlobFileTest, EmptyTruncatesToTheHeader) {
    auto file = NewFile();
    uint32_t first = Write(*file, 0, 7, Pattern(3000, 1));
    file->FlushBlocks();
    file->OpenBlob(BlobField(17), first, 7, BlobMode::Read);
    file->Empty();
    EXPECT_EQ(file->OpenBlobCount(), 0u);
    EXPECT_EQ(file->NextBlockOffset(), 512u);
    EXPECT_EQ(file->FreeBlockHead(), 0u);
    EXPECT_EQ(FileBytes(Path()).size(), 512u);
    EXPECT_EQ(CodeOf([&] { file->ReadValue(first, 7); }), 9998);
    EXPECT_EQ(Write(*file, 0, 1, Pattern(10, 2)), 512u);
    file->Close();

    auto shared = OpenFile(false);
    EXPECT_EQ(CodeOf([&] { shared->Empty(); }), 10253);
}

TEST_F(BlobFileTest, ChangeCountShowsAnotherWriter) {
    NewFile()->Close();
    auto writer = OpenFile(false);
    auto reader = OpenFile(false);
    EXPECT_FALSE(reader->CheckChangeCount());
    std::vector<uint8_t> value = Pattern(700, 3);
    uint32_t first = Write(*writer, 0, 4, value);
    writer->FlushBlocks();
    EXPECT_TRUE(reader->CheckChangeCount());
    EXPECT_EQ(reader->NextBlockOffset(), writer->NextBlockOffset());
    EXPECT_EQ(reader->ReadValue(first, 4), value);
    EXPECT_FALSE(reader->CheckChangeCount());
}

TEST_F(BlobFileTest, SettingsAndLimits) {
    TBlobFile file;
    EXPECT_EQ(CodeOf([&] { file.SetBlockSize(63); }), 9498);
    EXPECT_EQ(CodeOf([&] { file.SetBlockSize(65554); }), 9498);
    EXPECT_EQ(file.MakeFileName(" /x/Hollin.DAT "), "/x/Hollin.BLB");

    auto created = NewFile();
    EXPECT_EQ(CodeOf([&] { created->SetBlockSize(1024); }), 10031);
    created->Close();

    // A next block offset of 2000000000 leaves room for one more block only.
    Patch(Path(), 13, U32(2000000000));
    auto full = OpenFile();
    EXPECT_EQ(CodeOf([&] { Write(*full, 0, 1, Pattern(1000, 1)); }), 9479);
    EXPECT_EQ(full->NextBlockOffset(), 2000000000u);
    EXPECT_EQ(Write(*full, 0, 1, Pattern(10, 1)), 2000000000u);
    full->DropCaches();  // never write the block, the file would be 2 GB
    full->Close();

    Patch(Path(), 13, U32(512));
    auto readOnly = std::make_unique<TBlobFile>();
    readOnly->SetFileName(Path());
    readOnly->SetReadOnly(true);
    readOnly->Open();
    EXPECT_EQ(CodeOf([&] { Write(*readOnly, 0, 1, Pattern(10, 1)); }), 11013);
    EXPECT_EQ(readOnly->NextBlockOffset(), 512u);
}

TEST(BlobBuffer, ReadWriteAndTruncate) {
    TBlobBuffer blob(17, 3, 0, BlobMode::ReadWrite, {'a', 'b', 'c'}, "T.BLB");
    EXPECT_FALSE(blob.Modified());
    char out[8] = {};
    EXPECT_EQ(blob.Read(1, out, 8), 2u);
    EXPECT_EQ(std::string(out, 2), "bc");
    EXPECT_EQ(blob.Read(3, out, 8), 0u);
    EXPECT_EQ(blob.Read(100, out, 8), 0u);

    blob.Write(5, "xy", 2);  // past the end: the gap is zero filled
    EXPECT_TRUE(blob.Modified());
    EXPECT_EQ(blob.Value(), (std::vector<uint8_t>{'a', 'b', 'c', 0, 0, 'x', 'y'}));
    blob.Write(1, "Q", 1);
    EXPECT_EQ(blob.Size(), 7u);
    blob.Truncate(2);
    EXPECT_EQ(blob.Value(), (std::vector<uint8_t>{'a', 'Q'}));
    EXPECT_EQ(CodeOf([&] { blob.Write(0xFFFFFFFFu, "z", 2); }), 10029);
}

TEST_F(BlobFileTest, StreamPositionPastFourGigabytesDoesNotWrapToTheStart) {
    auto file = NewFile();
    FieldDescriptor photo = BlobField(1);
    file->OpenBlob(photo, 0, 7, BlobMode::Write);
    TLarchBlobStream stream(*file, photo.number);
    ASSERT_EQ(stream.Write("abc", 3), 3u);
    stream.Seek(int64_t{1} << 32, hollin::TSeekOrigin::Beginning);
    char out[3] = {};
    EXPECT_EQ(stream.Read(out, sizeof out), 0u);
    EXPECT_EQ(CodeOf([&] { stream.Write("x", 1); }), 10029);
    EXPECT_EQ(CodeOf([&] { stream.Truncate(); }), 10029);
    std::vector<uint8_t> abc = {'a', 'b', 'c'};
    EXPECT_EQ(file->OpenedBlob(photo.number).Value(), abc);
}

}  // namespace
}  // namespace larch
