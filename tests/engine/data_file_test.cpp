#include "engine/data/data_file.h"

#include <filesystem>
#include <fstream>
#include <functional>

#include <gtest/gtest.h>

#include "engine/data/larch_scopes.h"
#include "engine/files/byte_order.h"
#include "engine/files/engine_error.h"
#include "engine/records/record_fields.h"
#include "tests/engine/test_folder.h"
#include "tests/support/event_table.h"
#include "tests/support/engine_error_code.h"

namespace larch {
namespace {

using testing::CreateEventTable;
using testing::EventValues;
using testing::MakeEventImage;
using testing::TestFolder;

constexpr int64_t kEventDataStart = 13183;
constexpr int64_t kEventRecordSize = 266;

using testing::CodeOf;

int64_t FileSize(const std::string& path) { return static_cast<int64_t>(std::filesystem::file_size(path)); }

std::vector<uint8_t> FileBytes(const std::string& path, int64_t offset, std::size_t count) {
    std::ifstream in(path, std::ios::binary);
    in.seekg(offset);
    std::vector<uint8_t> bytes(count);
    in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(count));
    return bytes;
}

void PatchFile(const std::string& path, int64_t offset, const std::vector<uint8_t>& bytes) {
    std::fstream f(path, std::ios::in | std::ios::out | std::ios::binary);
    f.seekp(offset);
    f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

class EventTable : public ::testing::Test {
protected:
    void SetUp() override { CreateEventTable(path); }

    void OpenTable(bool exclusive = true) {
        file.SetExclusive(exclusive);
        file.SetFileName(path);
        file.Open();
    }

    uint32_t Insert(const std::string& first, const std::string& last = "Smith") {
        std::vector<uint8_t> image = MakeEventImage(file, EventValues{first, "", last, "Birthday", 730000, ""});
        return file.InsertRecord(image);
    }

    TestFolder folder;
    std::string path = folder / "Hollin.DAT";
    TDataFile file;
};

TEST_F(EventTable, CreatedFilesHaveTheirExactSizesAndHeader) {
    EXPECT_EQ(FileSize(path), kEventDataStart);
    EXPECT_EQ(FileSize(folder / "Hollin.IDX"), 4096);
    EXPECT_EQ(FileSize(folder / "Hollin.BLB"), 512);
    std::vector<uint8_t> header = FileBytes(path, 0, 127);
    EXPECT_EQ(GetU32(&header[0]), 1u);    // written once, at close
    EXPECT_EQ(GetU32(&header[4]), 512u);  // blob block size
    EXPECT_EQ(header[8], 3);
    EXPECT_EQ(GetU32(&header[13]), 1u);   // next record number
    EXPECT_EQ(GetU16(&header[21]), 266);
    EXPECT_EQ(GetU16(&header[23]), 17);
    EXPECT_EQ(GetU16(&header[25]), 2);
    EXPECT_EQ(GetU16(&header[107]), 1);
    EXPECT_EQ(header[113], 1);
    // Descriptors carry the field numbers 1 to 17; Photo's flag byte is at 261.
    std::vector<uint8_t> photo = FileBytes(path, 127 + 16 * 768, 768);
    EXPECT_EQ(GetU16(&photo[0]), 17);
    EXPECT_EQ(GetU16(&photo[90]), 261);
}

TEST_F(EventTable, OnePostedRecordAddsOneRootLeafPerIndexAndOneRecord) {
    OpenTable(false);
    uint32_t number = Insert("Jo");
    file.FlushAll();
    EXPECT_EQ(number, 1u);
    EXPECT_EQ(FileSize(path), kEventDataStart + kEventRecordSize);
    EXPECT_EQ(FileSize(folder / "Hollin.IDX"), 7 * 4096);

    std::vector<uint8_t> record = FileBytes(path, kEventDataStart, kEventRecordSize);
    EXPECT_EQ(record[0], 0);               // in use
    EXPECT_EQ(GetU32(&record[1]), 1u);     // own number
    EXPECT_EQ(GetU32(&record[5]), 1u);     // record ID
    // "Jo" in the 15-character FirstName: flag 1, the text, zero padding.
    std::vector<uint8_t> firstName(record.begin() + 9, record.begin() + 26);
    std::vector<uint8_t> expected = {1, 'J', 'o', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(firstName, expected);

    std::vector<uint8_t> primaryKey = file.KeyOf(kPrimarySlot, record.data());
    EXPECT_EQ(primaryKey, (std::vector<uint8_t>{0x01, 0x80, 0x00, 0x00, 0x01}));
    uint32_t found = 0;
    EXPECT_TRUE(file.Index().FindExact(kPrimarySlot, primaryKey.data(), &found));
    EXPECT_EQ(found, 1u);
}

// A directory where the journal would go makes every journaled write fail:
// a temporary table writes without one, and opens only its own spelling.
TEST_F(EventTable, TemporaryTableWritesWithoutAJournalAndOpensOnlyItsOwnName) {
    std::filesystem::create_directory(folder / "Hollin.JNL");
    for (bool temporary : {false, true}) {
        file.SetTemporary(temporary);
        OpenTable(false);
        bool wrote = true;
        try {
            WriteScope write(file);
            Insert(temporary ? "Temp" : "Kept");
            write.Finish();
        } catch (const ELarchEngineError&) {
            wrote = false;
        }
        EXPECT_EQ(wrote, temporary);
        EXPECT_EQ(file.Index().RecordCount(), temporary ? 1u : 0u);
        file.Close();
    }

    std::filesystem::rename(path, folder / "HOLLIN.DAT");
    file.SetTemporary(false);
    OpenTable(false);  // finds the other spelling
    file.Close();
    file.SetTemporary(true);
    EXPECT_EQ(CodeOf([&] { OpenTable(false); }), err::InvalidPath);
    EXPECT_FALSE(file.IsOpen());
}

TEST_F(EventTable, DeletedRecordsAreReusedLastDeletedFirst) {
    OpenTable();
    for (int i = 1; i <= 10; ++i) Insert("N" + std::to_string(i));
    file.DeleteRecord(3);
    file.DeleteRecord(7);
    EXPECT_EQ(Insert("A"), 7u);
    EXPECT_EQ(Insert("B"), 3u);
    EXPECT_EQ(Insert("C"), 11u);
    file.Close();
    EXPECT_EQ(FileSize(path), kEventDataStart + 11 * kEventRecordSize);
    OpenTable();
    RecordPin seventh(file, file.GetRecord(7));
    EXPECT_EQ(RecordId(seventh->image.data()), 11u);  // a new ID for the reused slot
    EXPECT_EQ(file.Index().RecordCount(), 11u);
}

TEST_F(EventTable, EmptyingRestartsRecordNumbersAndIds) {
    OpenTable();
    for (int i = 0; i < 5; ++i) Insert("X");
    file.Close();
    OpenTable();
    file.Empty();
    EXPECT_EQ(Insert("Y"), 1u);
    {
        RecordPin first(file, file.GetRecord(1));
        EXPECT_EQ(RecordId(first->image.data()), 1u);
    }
    file.Close();
    EXPECT_EQ(FileSize(path), kEventDataStart + kEventRecordSize);
}

TEST_F(EventTable, RequiredFieldAndDuplicateKeyChangeNothing) {
    OpenTable();
    std::vector<uint8_t> image = MakeEventImage(file, EventValues{"", "", "Smith", "Birthday", 730000, ""});
    try {
        file.InsertRecord(image);
        FAIL();
    } catch (const ELarchEngineError& e) {
        EXPECT_EQ(e.ErrorCode(), 9732);
        EXPECT_NE(std::string(e.what()).find("FirstName"), std::string::npos);
    }
    EXPECT_EQ(file.Header().nextRecordNumber, 1u);
    EXPECT_EQ(file.Index().RecordCount(), 0u);
}

TEST_F(EventTable, UpdateKeepsTheIdAndReplacesChangedKeys) {
    OpenTable();
    uint32_t number = Insert("Adam");
    std::vector<uint8_t> image = MakeEventImage(file, EventValues{"Zed", "", "Smith", "Birthday", 730000, ""});
    file.UpdateRecord(number, image);
    RecordPin record(file, file.GetRecord(number));
    EXPECT_EQ(RecordId(record->image.data()), 1u);
    std::vector<uint8_t> old = record->image;
    SetStringField(file.Fields()[1], old.data(), "Adam");
    const int firstNameSlot = 3;
    EXPECT_TRUE(file.Index().FindExact(firstNameSlot, file.KeyOf(firstNameSlot, record->image.data()).data()));
    EXPECT_FALSE(file.Index().FindExact(firstNameSlot, file.KeyOf(firstNameSlot, old.data()).data()));
    EXPECT_EQ(file.Index().RecordCount(), 1u);
}

TEST_F(EventTable, PhysicalScanReadsOneRunPerRead) {
    OpenTable();
    const uint32_t records = 2000;
    for (uint32_t i = 0; i < records; ++i) Insert("R" + std::to_string(i));
    file.Close();
    OpenTable();
    uint64_t before = file.ReadCalls();
    for (uint32_t n = 1; n <= records; ++n) {
        RecordPin r(file, file.GetRecord(n));
        ASSERT_EQ(GetU32(r->image.data() + 1), n);
    }
    uint64_t perRun = 32767 / kEventRecordSize;
    uint64_t runs = (records + perRun - 1) / perRun;
    EXPECT_LE(file.ReadCalls() - before, runs);
    // Backwards too.
    file.DropCache();
    before = file.ReadCalls();
    for (uint32_t n = records; n >= 1; --n) {
        RecordPin r(file, file.GetRecord(n, ReadDirection::Backward));
        ASSERT_EQ(GetU32(r->image.data() + 1), n);
    }
    EXPECT_LE(file.ReadCalls() - before, runs);
}

TEST_F(EventTable, DirtyRecordsAreWrittenCoalesced) {
    OpenTable();
    for (int i = 0; i < 100; ++i) Insert("W");
    uint64_t before = file.WriteCalls();
    file.FlushRecords();
    EXPECT_EQ(file.WriteCalls() - before, 1u);  // records 1..100 in one run
}

TEST_F(EventTable, CorruptDataFilesAreRefused) {
    struct Case {
        const char* name;
        std::function<void(const std::string&)> corrupt;
        int code;
    } cases[] = {
        {"one byte too long", [](const std::string& p) { std::ofstream(p, std::ios::app | std::ios::binary) << 'x'; },
         8961},
        {"version 2", [](const std::string& p) { PatchFile(p, 8, {2}); }, 12035},
        {"next record number off", [](const std::string& p) { PatchFile(p, 13, {5, 0, 0, 0}); }, 8961},
        {"record offset moved", [](const std::string& p) { PatchFile(p, 127 + 768 + 90, {10, 0}); }, 8961},
        {"field count huge", [](const std::string& p) { PatchFile(p, 23, {0xff, 0xff}); }, 8961},
        {"header cut short", [](const std::string& p) { std::filesystem::resize_file(p, 50); }, 8961},
    };
    for (const Case& c : cases) {
        TestFolder local;
        std::string p = local / "T.DAT";
        CreateEventTable(p);
        c.corrupt(p);
        TDataFile broken;
        broken.SetFileName(p);
        EXPECT_EQ(CodeOf([&] { broken.Open(); }), c.code) << c.name;
        EXPECT_FALSE(broken.IsOpen()) << c.name;
    }
}

TEST_F(EventTable, BrokenBlobChainFailsThatBlobOnly) {
    OpenTable();
    std::vector<uint8_t> value(1000, 'p');
    uint32_t good = file.Blob()->WriteValue(0, 1, value.data(), static_cast<uint32_t>(value.size()));
    uint32_t bad = file.Blob()->WriteValue(0, 2, value.data(), static_cast<uint32_t>(value.size()));
    file.Close();
    // Point the second chain's first block past the end of the file.
    PatchFile(folder / "Hollin.BLB", bad + 4, {0x00, 0x00, 0x10, 0x00});
    OpenTable();
    EXPECT_EQ(CodeOf([&] { file.Blob()->ReadValue(bad, 2); }), 8963);
    EXPECT_EQ(file.Blob()->ReadValue(good, 1), value);
}

TEST_F(EventTable, TableLockFailingItsChangeCheckIsGivenBack) {
    OpenTable(false);
    TDataFile other;
    other.SetExclusive(false);
    other.SetFileName(path);
    other.SetLockRetryCount(0);
    other.Open();
    // Another writer left a header of a version this engine cannot read.
    std::vector<uint8_t> header = FileBytes(path, 0, 9);
    std::vector<uint8_t> broken = header;
    broken[0] ^= 0xff;  // a new change count
    broken[8] = 2;
    PatchFile(path, 0, broken);
    EXPECT_EQ(CodeOf([&] { file.LockTable(); }), 12035);
    EXPECT_FALSE(file.HoldsTableLock());
    PatchFile(path, 0, header);
    other.LockTable();
    EXPECT_TRUE(other.HoldsTableLock());
    other.UnlockTable();
}

}  // namespace
}  // namespace larch

namespace larch {
namespace {

// A damaged page in a later index makes the insert fail; the keys already
// added to the earlier indexes are taken out again.
TEST(DataFileKeys, AFailedInsertLeavesNoKeysBehind) {
    testing::TestFolder folder;
    std::string path = folder / "Hollin.DAT";
    testing::CreateEventTable(path);
    uint32_t edateRoot = 0;
    {
        TDataFile file;
        file.SetExclusive(true);
        file.SetFileName(path);
        file.Open();
        std::vector<uint8_t> image = testing::MakeEventImage(file, testing::EventValues{"Ann", "", "Smith", "Birthday", 730000, ""});
        file.InsertRecord(image);
        file.Close();
        file.Open();
        edateRoot = file.Index().Descriptor(file.Index().FindIndex("Edate")).rootPage;
        file.Close();
    }
    ASSERT_NE(edateRoot, 0u);
    {
        std::fstream f(folder / "Hollin.IDX", std::ios::in | std::ios::out | std::ios::binary);
        f.seekp(edateRoot + 1);
        f.put(static_cast<char>(0xff));
        f.put(static_cast<char>(0xff));  // an impossible entry count
    }
    TDataFile file;
    file.SetExclusive(true);
    file.SetFileName(path);
    file.Open();
    std::vector<uint8_t> image = testing::MakeEventImage(file, testing::EventValues{"Bob", "", "Jones", "Passing", 730001, ""});
    EXPECT_EQ(testing::CodeOf([&] { file.InsertRecord(image); }), 8965);
    for (int slot = 0; slot < 4; ++slot) EXPECT_EQ(file.Index().KeyCount(slot), 1u) << "slot " << slot;
}

}  // namespace
}  // namespace larch
