// RepairTable on tables damaged on purpose: the repaired table passes the
// integrity check and holds every record whose bytes were intact.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <set>
#include <sstream>

#include "engine/data/data_header.h"
#include "engine/files/byte_order.h"
#include "engine/files/engine_error.h"
#include "engine/records/field_descriptor.h"
#include "engine/records/record_fields.h"
#include "engine/tables/table_repair.h"
#include "engine/tables/table_verify.h"
#include "tests/engine/test_folder.h"
#include "tests/support/event_cursor.h"

namespace larch {
namespace {

using testing::ReadBytes;
using testing::TestFolder;
using testing::WriteBytes;

constexpr int kRecords = 400;
constexpr const char* kTableFiles[] = {"Hollin.DAT", "Hollin.IDX", "Hollin.BLB"};

std::string NotesOf(int i) { return i % 7 == 0 ? std::string(1500, static_cast<char>('a' + i % 26)) : ""; }

// Record ID -> "first|last|notes".
using Records = std::map<int, std::string>;

Records ReadRecords(TLarchTable& table) {
    Records records;
    for (table.First(); !table.Eof(); table.Next()) {
        records[table.FieldByName("IndexField").AsInteger()] = table.FieldByName("FirstName").AsString() + "|" +
                                                               table.FieldByName("LastName").AsString() + "|" +
                                                               table.FieldByName("Notes").AsString();
    }
    return records;
}

class Repair : public ::testing::Test {
public:
    void SetUp() override {
        static const std::vector<std::string> base = [] {
            TestFolder made;
            std::vector<testing::EventRow> rows;
            for (int i = 0; i < kRecords; ++i) {
                rows.push_back({"F" + std::to_string(i * 37 % kRecords), "L" + std::to_string(i % 50), NotesOf(i)});
            }
            testing::CreateFilledEventTable(made.path(), rows);
            std::vector<std::string> bytes;
            for (const char* name : kTableFiles) bytes.push_back(ReadBytes(made / name));
            return bytes;
        }();
        for (std::size_t k = 0; k < 3; ++k) WriteBytes(folder / kTableFiles[k], base[k]);
        auto table = testing::EventCursor(folder.path());
        table->Open();
        original = ReadRecords(*table);
    }

    // The index descriptor of the index named `name`, read from the table.
    IndexDescriptor Descriptor(const std::string& name) {
        auto table = testing::EventCursor(folder.path());
        table->Open();
        TIndexFile& index = table->DataFile()->Index();
        return index.Descriptor(index.FindIndex(name));
    }

    TestFolder folder;
    Records original;
};

struct Damage {
    const char* what;
    std::function<void(Repair&, std::string& dat, std::string& idx, std::string& blb)> apply;
    int recordsLost;
    uint32_t blobsLost;
};

TEST_F(Repair, DamagedTablesComeBackWithEveryIntactRecord) {
    const Damage damages[] = {
        {"wrong subtree counts",
         [](Repair& t, std::string&, std::string& idx, std::string&) {
             const IndexDescriptor d = t.Descriptor("LastName");
             uint8_t* root = reinterpret_cast<uint8_t*>(idx.data()) + d.rootPage;
             ASSERT_LT(root[0], 2) << "the root must be an interior page";
             uint8_t* count = root + 13 + d.keyLength + 4;
             PutU32(count, GetU32(count) + 1);
         },
         0, 0},
        {"a lost index page",
         [](Repair& t, std::string&, std::string& idx, std::string&) {
             const IndexDescriptor d = t.Descriptor("FirstName");
             const uint32_t child = GetU32(reinterpret_cast<uint8_t*>(idx.data()) + d.rootPage + 13 + d.keyLength);
             std::fill(idx.begin() + child, idx.begin() + child + 4096, '\0');
         },
         0, 0},
        {"a header whose record count is wrong",
         [](Repair&, std::string& dat, std::string&, std::string&) {
             uint8_t* nextRecordNumber = reinterpret_cast<uint8_t*>(dat.data()) + 13;
             ASSERT_EQ(GetU32(nextRecordNumber), static_cast<uint32_t>(kRecords + 1));
             PutU32(nextRecordNumber, kRecords + 9);
         },
         0, 0},
        {"a torn record at the end", [](Repair&, std::string& dat, std::string&, std::string&) { dat += "garbage"; },
         0, 0},
        {"a broken blob chain",
         [](Repair&, std::string&, std::string&, std::string& blb) {
             // The second block of the first blob of several blocks: its
             // "previous" link no longer points back.
             uint8_t* first = reinterpret_cast<uint8_t*>(blb.data()) + 512;
             const uint32_t next = GetU32(first + 4);
             ASSERT_NE(next, 0u);
             PutU32(reinterpret_cast<uint8_t*>(blb.data()) + next + 4, 12345);
         },
         0, 1},
    };
    for (const Damage& damage : damages) {
        SCOPED_TRACE(damage.what);
        SetUp();
        std::string files[3];
        for (int k = 0; k < 3; ++k) files[k] = ReadBytes(folder / kTableFiles[k]);
        damage.apply(*this, files[0], files[1], files[2]);
        if (::testing::Test::HasFatalFailure()) return;
        for (int k = 0; k < 3; ++k) WriteBytes(folder / kTableFiles[k], files[k]);
        bool damaged = true;
        try {
            auto table = testing::EventCursor(folder.path());
            table->Open();
            damaged = !VerifyTable(*table->DataFile()).empty();
        } catch (const ELarchEngineError&) {
        }
        EXPECT_TRUE(damaged) << "the damage went unnoticed";

        const RepairReport report = RepairTable(folder / "Hollin.DAT", folder.path(), TableFileOptions{});
        EXPECT_EQ(report.recordsKept, static_cast<uint32_t>(kRecords - damage.recordsLost));
        EXPECT_EQ(report.blobsLost, damage.blobsLost);
        ASSERT_FALSE(report.lines.empty());
        EXPECT_EQ(report.copies.size(), 3u);
        EXPECT_EQ(ReadBytes(folder / "Hollin.DRP"), files[0]);

        auto table = testing::EventCursor(folder.path());
        table->Open();
        EXPECT_TRUE(VerifyTable(*table->DataFile()).empty());
        const Records repaired = ReadRecords(*table);
        EXPECT_EQ(repaired.size(), original.size());
        int differing = 0;
        for (const auto& [id, text] : original) {
            auto found = repaired.find(id);
            if (found == repaired.end() || found->second != text) ++differing;
        }
        EXPECT_EQ(differing, static_cast<int>(damage.blobsLost));  // only a lost blob changes a record
        table->Close();
    }
}

// Record IDs a sound table cannot hold: one used twice, one beyond the
// largest ID (after which an insert gives out 1), and 0. Each such record
// keeps its values under a new ID that no record of the file bears.
TEST_F(Repair, RecordIdsUsedTwiceOrOutOfRangeGetNewOnesNoRecordBears) {
    std::string dat = ReadBytes(folder / "Hollin.DAT");
    uint8_t* bytes = reinterpret_cast<uint8_t*>(dat.data());
    const DataHeader header = DataHeader::Decode(bytes);
    uint8_t* records = bytes + kDataHeaderSize + std::size_t{header.fieldCount} * kFieldDescriptorSize;
    auto record = [&](int number) { return records + std::size_t(number - 1) * header.recordSize; };
    const uint32_t firstId = RecordId(record(1));
    SetRecordId(record(2), firstId);
    SetRecordId(record(3), kMaxRecordId + 2);
    SetRecordId(record(4), 0);
    WriteBytes(folder / "Hollin.DAT", dat);

    const RepairReport report = RepairTable(folder / "Hollin.DAT", folder.path(), TableFileOptions{});
    EXPECT_EQ(report.recordsKept, static_cast<uint32_t>(kRecords));
    int renumbered = 0;
    for (const std::string& line : report.lines) renumbered += line.find(" got ID ") != std::string::npos;
    EXPECT_EQ(renumbered, 3);

    auto table = testing::EventCursor(folder.path());
    table->Open();
    EXPECT_EQ(VerifyTable(*table->DataFile()), std::vector<std::string>{});
    std::set<uint32_t> ids;
    for (uint32_t number = 1; number <= kRecords; ++number) {
        std::vector<uint8_t> image(header.recordSize);
        table->DataFile()->ReadAt(static_cast<int64_t>(records - bytes) + int64_t(number - 1) * header.recordSize,
                                  image.data(), image.size());
        const uint32_t id = RecordId(image.data());
        EXPECT_TRUE(id >= 1 && id <= kMaxRecordId) << id;
        EXPECT_TRUE(ids.insert(id).second) << "ID " << id << " twice";
    }
    // The values stay: every record is there, whatever its ID became.
    EXPECT_EQ(ReadRecords(*table).size(), original.size());
    table->Close();
}

TEST_F(Repair, AHeaderThatCannotBeReadIsRefusedAndNothingChanges) {
    std::string dat = ReadBytes(folder / "Hollin.DAT");
    dat.resize(100);
    WriteBytes(folder / "Hollin.DAT", dat);
    EXPECT_THROW(RepairTable(folder / "Hollin.DAT", folder.path(), TableFileOptions{}), ELarchEngineError);
    EXPECT_EQ(ReadBytes(folder / "Hollin.DAT"), dat);
}

}  // namespace
}  // namespace larch
