// Tests of the index B+-tree: splits, merges, redistribution, free pages,
// positions and the cursor, checked against an in-memory model.
#include <algorithm>
#include <filesystem>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <random>
#include <set>
#include <vector>

#include <gtest/gtest.h>

#include "engine/files/byte_order.h"
#include "engine/files/engine_error.h"
#include "engine/index/index_file.h"
#include "engine/index/index_key.h"
#include "tests/engine/test_folder.h"

namespace larch {
namespace {

using Bytes = std::vector<uint8_t>;
using testing::TestFolder;

constexpr int kNames = 1;  // 21-byte keys with a record-ID suffix
constexpr int kSmall = 2;  // 5-byte unique keys

// A 21-byte key as a case-insensitive 15-character string index builds it:
// presence byte, 16 string bytes, record ID.
Bytes NameKey(uint32_t value, uint32_t recordId) {
    Bytes key(21, 0);
    key[0] = 1;
    std::string text = std::to_string(value);
    text.insert(0, 10 - std::min<std::size_t>(10, text.size()), '0');
    std::memcpy(key.data() + 1, text.data(), text.size());
    PutKeyRecordId(key.data() + 17, recordId);
    return key;
}

Bytes SmallKey(uint32_t value) {
    Bytes key(5);
    key[0] = 1;
    PutKeyRecordId(key.data() + 1, value);
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

Bytes ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

std::string Joined(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) text += line + "\n";
    return text;
}

class IndexTree : public ::testing::Test {
protected:
    void SetUp() override {
        file.SetExclusive(true);
        file.SetFileName(folder / "T");
        file.Create(Index("", 1, 5, true), {Index("Names", 2, 21, false), Index("Small", 3, 5, true)});
    }

    void Reopen() {
        file.Close();
        file.Open();
    }

    // Every key of the index in cursor order.
    std::vector<Bytes> Scan(int slot) {
        file.SelectIndex(slot);
        std::vector<Bytes> keys;
        const uint16_t k = file.Descriptor(slot).keyLength;
        for (bool more = file.First(); more; more = file.Next()) {
            keys.emplace_back(file.CurrentKey(), file.CurrentKey() + k);
        }
        return keys;
    }

    void ExpectSound(int slot) { EXPECT_EQ(Joined(file.Verify(slot)), "") << "slot " << slot; }

    uint32_t RootOf(int slot) const { return file.Descriptor(slot).rootPage; }

    TestFolder folder;
    TIndexFile file;
};

TEST_F(IndexTree, RootLeafSplitsInto76And76UnderANewRoot) {
    for (uint32_t i = 1; i <= 151; ++i) file.InsertKey(kNames, NameKey(i, i).data(), i);
    EXPECT_EQ(file.TreeDepth(kNames), 1);
    file.InsertKey(kNames, NameKey(152, 152).data(), 152);
    EXPECT_EQ(file.TreeDepth(kNames), 2);
    ExpectSound(kNames);
    file.Close();

    Bytes bytes = ReadFile(folder / "T.IDX");
    ASSERT_EQ(bytes.size(), 4u * 4096);
    EXPECT_EQ(GetU32(bytes.data() + 9), 16384u);  // next page offset
    EXPECT_EQ(GetU32(bytes.data() + 14 + kNames * 120 + 86), 12288u);
    struct PageCase {
        uint32_t offset;
        uint8_t type;
        uint16_t count;
        uint32_t prev, next;
    } pages[] = {{4096, 2, 76, 0, 8192}, {8192, 2, 76, 4096, 0}, {12288, 0, 2, 0, 0}};
    for (const PageCase& p : pages) {
        const uint8_t* page = bytes.data() + p.offset;
        EXPECT_EQ(page[0], p.type) << p.offset;
        EXPECT_EQ(GetU16(page + 1), p.count) << p.offset;
        EXPECT_EQ(GetU32(page + 3), p.prev) << p.offset;
        EXPECT_EQ(GetU32(page + 7), p.next) << p.offset;
        EXPECT_EQ(GetU16(page + 11), 0) << p.offset;
    }
    // Leaf entries are key and record number; root entries key, child, count.
    const uint8_t* secondLeaf = bytes.data() + 8192 + 13;
    EXPECT_EQ(Bytes(secondLeaf, secondLeaf + 21), NameKey(77, 77));
    EXPECT_EQ(GetU32(secondLeaf + 21), 77u);
    const uint8_t* root = bytes.data() + 12288 + 13;
    EXPECT_EQ(Bytes(root, root + 21), NameKey(1, 1));
    EXPECT_EQ(GetU32(root + 21), 4096u);
    EXPECT_EQ(GetU32(root + 25), 76u);
    EXPECT_EQ(Bytes(root + 29, root + 50), NameKey(77, 77));
    EXPECT_EQ(GetU32(root + 50), 8192u);
    EXPECT_EQ(GetU32(root + 54), 76u);
}

TEST_F(IndexTree, DirtyPagesAreWrittenInOneWritePerRun) {
    for (uint32_t i = 1; i <= 152; ++i) file.InsertKey(kNames, NameKey(i, i).data(), i);
    uint64_t writes = file.WriteCalls();
    file.FlushPages();
    EXPECT_EQ(file.WriteCalls() - writes, 2u);  // pages 4096..12288 in one run, then the header
    writes = file.WriteCalls();
    file.FlushPages();
    EXPECT_EQ(file.WriteCalls(), writes);  // nothing dirty, header unchanged
}

// Three leaves of 76 keys (1..76, 77..152, 153..228) under one root.
class ThreeLeaves : public IndexTree {
protected:
    void SetUp() override {
        IndexTree::SetUp();
        for (uint32_t i = 1; i <= 228; ++i) file.InsertKey(kNames, NameKey(i, i).data(), i);
        ASSERT_EQ(LeafCounts(), (std::vector<int>{76, 76, 76}));
    }

    // Keys per leaf, from the root's subtree counts on disk.
    std::vector<int> LeafCounts() {
        file.FlushPages();
        Bytes bytes = ReadFile(folder / "T.IDX");
        const uint8_t* root = bytes.data() + RootOf(kNames);
        if (root[0] == 3) return {GetU16(root + 1)};
        std::vector<int> counts;
        for (int i = 0; i < GetU16(root + 1); ++i) counts.push_back(static_cast<int>(GetU32(root + 13 + i * 29 + 25)));
        return counts;
    }

    void Delete(uint32_t i) { file.DeleteKey(kNames, NameKey(i, i).data()); }
};

TEST_F(ThreeLeaves, BelowHalfMergesWithTheLeftNeighbour) {
    Delete(228);
    EXPECT_EQ(LeafCounts(), (std::vector<int>{76, 76, 75}));
    Delete(227);  // 74 < 151 / 2: 76 + 74 fit one page
    EXPECT_EQ(LeafCounts(), (std::vector<int>{76, 150}));
    ExpectSound(kNames);
    EXPECT_NE(file.Descriptor(kNames).freePageHead, 0u);
}

TEST_F(ThreeLeaves, FirstChildMergesWithItsRightNeighbour) {
    Delete(1);
    Delete(2);
    EXPECT_EQ(LeafCounts(), (std::vector<int>{150, 76}));
    ExpectSound(kNames);
    file.SelectIndex(kNames);
    ASSERT_TRUE(file.First());
    EXPECT_EQ(Bytes(file.CurrentKey(), file.CurrentKey() + 21), NameKey(3, 3));
}

TEST_F(ThreeLeaves, RedistributesWhenBothDoNotFitOnePage) {
    for (uint32_t i = 1000; i < 1011; ++i) file.InsertKey(kNames, NameKey(152, i).data(), i);  // into leaf 2
    EXPECT_EQ(LeafCounts(), (std::vector<int>{76, 87, 76}));
    Delete(228);
    Delete(227);  // 87 + 74 = 161: the left keeps 161 - 80, the right gets 80
    EXPECT_EQ(LeafCounts(), (std::vector<int>{76, 81, 80}));
    ExpectSound(kNames);
}

TEST_F(ThreeLeaves, RootWithOneChildHandsOverTheRoot) {
    for (uint32_t i = 1; i <= 150; ++i) Delete(i);
    EXPECT_EQ(file.TreeDepth(kNames), 1);
    ExpectSound(kNames);
    EXPECT_EQ(file.KeyCount(kNames), 78u);
}

TEST_F(IndexTree, DeletingEverythingEmptiesTheIndexAndFreedPagesAreReused) {
    std::vector<uint32_t> order(3000);
    for (uint32_t i = 0; i < order.size(); ++i) order[i] = i + 1;
    std::mt19937 random(7);
    std::shuffle(order.begin(), order.end(), random);
    for (uint32_t i : order) file.InsertKey(kNames, NameKey(i, i).data(), i);
    const uint32_t grown = file.NextPageOffset();
    std::vector<uint32_t> deletion = order;
    std::shuffle(deletion.begin(), deletion.end(), random);
    for (uint32_t i : deletion) file.DeleteKey(kNames, NameKey(i, i).data());
    EXPECT_EQ(RootOf(kNames), 0u);
    EXPECT_EQ(file.KeyCount(kNames), 0u);
    ExpectSound(kNames);
    EXPECT_NE(file.Descriptor(kNames).freePageHead, 0u);

    for (uint32_t i : order) file.InsertKey(kNames, NameKey(i, i).data(), i);
    EXPECT_EQ(file.NextPageOffset(), grown);
    ExpectSound(kNames);
    Reopen();
    ExpectSound(kNames);
    EXPECT_EQ(std::filesystem::file_size(folder / "T.IDX"), grown);
}

TEST_F(IndexTree, MissingAndDuplicateKeysNameTheIndex) {
    file.InsertKey(kSmall, SmallKey(5).data(), 5);
    try {
        file.DeleteKey(kSmall, SmallKey(6).data());
        FAIL() << "no error";
    } catch (const ELarchEngineError& e) {
        EXPECT_EQ(e.ErrorCode(), err::KeyNotFound);
        EXPECT_NE(std::string(e.what()).find("Small"), std::string::npos) << e.what();
    }
    try {
        file.CheckDuplicate(kSmall, SmallKey(5).data());
        FAIL() << "no error";
    } catch (const ELarchEngineError& e) {
        EXPECT_EQ(e.ErrorCode(), err::DuplicateKey);
    }
    file.InsertKey(kPrimarySlot, SmallKey(1).data(), 1);
    try {
        file.CheckDuplicate(kPrimarySlot, SmallKey(1).data());
        FAIL() << "no error";
    } catch (const ELarchEngineError& e) {
        EXPECT_NE(std::string(e.what()).find("Primary"), std::string::npos) << e.what();
    }
    EXPECT_NO_THROW(file.CheckDuplicate(kSmall, SmallKey(6).data()));
    uint32_t record = 0;
    EXPECT_TRUE(file.FindExact(kSmall, SmallKey(5).data(), &record));
    EXPECT_EQ(record, 5u);
    EXPECT_EQ(file.KeyCount(kSmall), 1u);
}

// Random inserts and deletes against std::map models, checking the trees.
TEST_F(IndexTree, RandomChangesMatchAModel) {
    std::mt19937 random(20240611);
    std::map<Bytes, uint32_t> names;
    std::set<uint32_t> small;
    uint32_t nextId = 1;
    int maxDepth = 0;

    auto checkPositions = [&](int samples) {
        if (names.empty()) return;
        file.SelectIndex(kNames);
        for (int s = 0; s < samples; ++s) {
            auto it = names.begin();
            uint32_t index = random() % names.size();
            std::advance(it, index);
            uint32_t record = 0;
            ASSERT_TRUE(file.FindExact(kNames, it->first.data(), &record));
            EXPECT_EQ(record, it->second);
            ASSERT_TRUE(file.FindKey(it->first.data()));
            EXPECT_EQ(file.Position(), index + 1);
            ASSERT_TRUE(file.GoToPosition(index + 1));
            EXPECT_EQ(Bytes(file.CurrentKey(), file.CurrentKey() + 21), it->first);
        }
    };
    auto step = [&](int i, int insertPercent) {
        bool insert = names.empty() || static_cast<int>(random() % 100) < insertPercent;
        if (insert) {
            uint32_t id = nextId++;
            Bytes key = NameKey(random() % 4000, id);  // repeated values, distinct IDs
            file.InsertKey(kNames, key.data(), id);
            names[key] = id;
        } else {
            auto it = names.begin();
            std::advance(it, random() % names.size());
            file.DeleteKey(kNames, it->first.data());
            names.erase(it);
        }
        uint32_t value = random() % 3000;
        if (small.count(value) != 0) {
            file.DeleteKey(kSmall, SmallKey(value).data());
            small.erase(value);
        } else if (random() % 3 != 0) {
            file.InsertKey(kSmall, SmallKey(value).data(), value);
            small.insert(value);
        }
        bool full = i < 400 || i % 1000 == 0;
        if (full) {
            ExpectSound(kNames);
            ExpectSound(kSmall);
        }
        ASSERT_EQ(file.KeyCount(kNames), names.size());
        ASSERT_EQ(file.KeyCount(kSmall), small.size());
        checkPositions(full ? 3 : 1);
        maxDepth = std::max(maxDepth, file.TreeDepth(kNames));
    };
    int i = 0;
    for (; i < 20000 && !HasFatalFailure(); ++i) step(i, 95);  // grow to three levels
    for (; i < 36000 && !HasFatalFailure(); ++i) step(i, 25);  // and shrink again
    EXPECT_EQ(maxDepth, 3);

    std::vector<Bytes> expected;
    for (const auto& entry : names) expected.push_back(entry.first);
    EXPECT_EQ(Scan(kNames), expected);
    ExpectSound(kNames);
    ExpectSound(kSmall);
    Reopen();
    ExpectSound(kNames);
    ExpectSound(kSmall);
    EXPECT_EQ(Scan(kNames), expected);
    std::vector<Bytes> smallKeys;
    for (uint32_t v : small) smallKeys.push_back(SmallKey(v));
    EXPECT_EQ(Scan(kSmall), smallKeys);
    checkPositions(20);
}

TEST_F(IndexTree, CacheStaysWithinItsCapacityOutsideATransaction) {
    for (uint32_t i = 1; i <= 5000; ++i) file.InsertKey(kNames, NameKey(i, i).data(), i);
    EXPECT_LE(file.CachedPages(kNames), TPageCache::kInitialCapacity);
    ExpectSound(kNames);
}

}  // namespace
}  // namespace larch
