// Tests of index descriptors, key building and key order.
#include "engine/index/index_key.h"

#include <cfloat>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "engine/files/byte_order.h"
#include "engine/files/engine_error.h"
#include "tests/support/engine_error_code.h"

namespace larch {
namespace {

using Bytes = std::vector<uint8_t>;

struct FieldShape {
    const char* name;
    uint8_t type;
    uint8_t subType;
    uint8_t size;
};

// Descriptors with the record layout: AutoInc at 5, the others from 9 on.
std::vector<FieldDescriptor> MakeFields(std::initializer_list<FieldShape> shapes, std::size_t* recordSize = nullptr) {
    std::vector<FieldDescriptor> fields;
    uint16_t offset = 9;
    for (const FieldShape& shape : shapes) {
        FieldDescriptor f;
        f.number = static_cast<uint16_t>(fields.size() + 1);
        f.name = shape.name;
        f.physType = shape.type;
        f.subType = shape.subType;
        f.size = shape.size;
        f.width = StoredWidth(shape.type, shape.size);
        if (f.IsAutoInc()) {
            f.offset = 5;
        } else {
            f.offset = offset;
            offset = static_cast<uint16_t>(offset + f.width + 1);
        }
        fields.push_back(f);
    }
    if (recordSize != nullptr) *recordSize = offset;
    return fields;
}

IndexDescriptor MakeIndex(std::initializer_list<uint16_t> numbers, const std::vector<FieldDescriptor>& fields,
                          bool caseInsensitive, bool unique, bool descending = false) {
    IndexDescriptor d;
    d.name = "Test";
    d.caseInsensitive = caseInsensitive;
    d.unique = unique;
    d.descending = descending;
    for (uint16_t n : numbers) {
        d.fieldDescending[d.fieldCount] = descending ? 1 : 0;
        d.fieldNumbers[d.fieldCount++] = n;
    }
    d.keyLength = ComputeKeyLength(d, fields, false);
    return d;
}

void SetValue(const FieldDescriptor& f, Bytes& record, const Bytes& value) {
    record[f.offset] = 1;
    std::memcpy(record.data() + f.offset + 1, value.data(), value.size());
}

void SetString(const FieldDescriptor& f, Bytes& record, const std::string& text) {
    SetValue(f, record, Bytes(text.begin(), text.end()));
}

Bytes Key(const IndexDescriptor& index, const std::vector<FieldDescriptor>& fields, const Bytes& record) {
    Bytes key(index.keyLength);
    BuildKey(index, fields, record.data(), !index.unique, key.data());
    return key;
}

template <typename T>
Bytes Stored(T value) {
    Bytes bytes(sizeof value);
    std::memcpy(bytes.data(), &value, sizeof value);  // little-endian host, as on disk
    return bytes;
}

Bytes Cat(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

using testing::CodeOf;

TEST(IndexKey, PrimaryKeyOfTheEventTableIsPresenceAndRecordId) {
    std::size_t size = 0;
    auto fields = MakeFields({{"IndexField", phys::Int32, subtype::AutoInc, 0}, {"FirstName", phys::String, 0, 15}},
                             &size);
    IndexDescriptor primary;
    primary.fieldNumbers[primary.fieldCount++] = 1;
    primary.unique = true;
    primary.keyLength = ComputeKeyLength(primary, fields, true);
    ASSERT_EQ(primary.keyLength, 5);
    Bytes record(size, 0);
    PutU32(record.data() + 5, 1);
    Bytes key(5);
    BuildKey(primary, fields, record.data(), false, key.data());
    EXPECT_EQ(key, (Bytes{0x01, 0x80, 0x00, 0x00, 0x01}));
}

TEST(IndexKey, CaseInsensitiveStringKeyCarriesTheRecordId) {
    std::size_t size = 0;
    auto fields = MakeFields({{"IndexField", phys::Int32, subtype::AutoInc, 0}, {"FirstName", phys::String, 0, 15}},
                             &size);
    IndexDescriptor index = MakeIndex({2}, fields, true, false);
    ASSERT_EQ(index.keyLength, 21);
    Bytes record(size, 0);
    PutU32(record.data() + 5, 7);
    SetString(fields[1], record, "jacqueline-anne");  // 15 characters, the field's size
    Bytes expected = Cat(Cat(Bytes{1}, Bytes{'J', 'A', 'C', 'Q', 'U', 'E', 'L', 'I', 'N', 'E', '-', 'A', 'N', 'N',
                                              'E', 0}),
                         Bytes{0x80, 0x00, 0x00, 0x07});
    EXPECT_EQ(Key(index, fields, record), expected);
}

TEST(IndexKey, BytesOfSingleValues) {
    struct Case {
        const char* label;
        uint8_t type;
        uint8_t size;
        Bytes stored;  // empty: null
        Bytes key;
    } cases[] = {
        {"int32 -1", phys::Int32, 0, Stored<int32_t>(-1), {1, 0x7F, 0xFF, 0xFF, 0xFF}},
        {"int32 null", phys::Int32, 0, {}, {0, 0, 0, 0, 0}},
        {"date 693594", phys::Date, 0, Stored<int32_t>(693594), {1, 0x80, 0x0A, 0x95, 0x5A}},
        {"int16 1", phys::Int16, 0, Stored<int16_t>(1), {1, 0x80, 0x01}},
        {"word 258", phys::Word, 0, Stored<uint16_t>(258), {1, 0x01, 0x02}},
        {"boolean true", phys::Boolean, 0, Stored<uint16_t>(1), {1, 0x00, 0x01}},
        {"float 1.0", phys::Float, 0, Stored<double>(1.0), {1, 0xBF, 0xF0, 0, 0, 0, 0, 0, 0}},
        {"float -1.0", phys::Float, 0, Stored<double>(-1.0), {1, 0x40, 0x0F, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}},
        {"float -0.0 as 0.0", phys::Float, 0, Stored<double>(-0.0), {1, 0x80, 0, 0, 0, 0, 0, 0, 0}},
        {"bcd 1", phys::Bcd, 0, Stored<int64_t>(1), {1, 0x80, 0, 0, 0, 0, 0, 0, 1}},
        {"bytes", phys::Bytes, 3, {3, 2, 1}, {1, 3, 2, 1}},
    };
    for (const Case& c : cases) {
        std::size_t size = 0;
        auto fields = MakeFields({{"F", c.type, 0, c.size}}, &size);
        IndexDescriptor index = MakeIndex({1}, fields, false, true);
        Bytes record(size, 0);
        if (!c.stored.empty()) SetValue(fields[0], record, c.stored);
        EXPECT_EQ(Key(index, fields, record), c.key) << c.label;
    }
}

TEST(IndexKey, KeysSortByValueForEveryType) {
    struct Case {
        const char* label;
        uint8_t type;
        uint8_t size;
        std::vector<Bytes> ascending;
    };
    std::vector<Case> cases = {
        {"int16", phys::Int16, 0, {Stored<int16_t>(-32768), Stored<int16_t>(-1), Stored<int16_t>(0),
                                   Stored<int16_t>(1), Stored<int16_t>(32767)}},
        {"int32", phys::Int32, 0, {Stored<int32_t>(INT32_MIN), Stored<int32_t>(-70000), Stored<int32_t>(0),
                                   Stored<int32_t>(70000), Stored<int32_t>(INT32_MAX)}},
        {"date", phys::Date, 0, {Stored<int32_t>(1), Stored<int32_t>(693594), Stored<int32_t>(738000)}},
        {"time", phys::Time, 0, {Stored<int32_t>(0), Stored<int32_t>(1000), Stored<int32_t>(86399999)}},
        {"word", phys::Word, 0, {Stored<uint16_t>(0), Stored<uint16_t>(255), Stored<uint16_t>(256),
                                 Stored<uint16_t>(65535)}},
        {"boolean", phys::Boolean, 0, {Stored<uint16_t>(0), Stored<uint16_t>(1)}},
        {"uint32", phys::UInt32, 0, {Stored<uint32_t>(0), Stored<uint32_t>(255), Stored<uint32_t>(0x80000000u),
                                     Stored<uint32_t>(0xFFFFFFFFu)}},
        {"float", phys::Float, 0, {Stored(-1e300), Stored(-2.5), Stored(-1.0), Stored(-1e-300), Stored(0.0),
                                   Stored(1e-300), Stored(1.0), Stored(2.5), Stored(1e300)}},
        {"date-time", phys::DateTime, 0, {Stored(-86400000.0), Stored(0.0), Stored(59926608000000.0)}},
        {"bcd", phys::Bcd, 0, {Stored<int64_t>(INT64_MIN), Stored<int64_t>(-5), Stored<int64_t>(0),
                               Stored<int64_t>(5), Stored<int64_t>(INT64_MAX)}},
        {"string", phys::String, 4, {Bytes{'A'}, Bytes{'A', 'B'}, Bytes{'B'}, Bytes{'a'}}},
        {"bytes", phys::Bytes, 2, {Bytes{0, 1}, Bytes{1, 0}, Bytes{0xFF, 0}}},
    };
#if LDBL_MANT_DIG == 64
    auto extended = [](long double v) {
        Bytes b(10);
        std::memcpy(b.data(), &v, 10);
        return b;
    };
    cases.push_back({"float10", phys::Float10, 0, {extended(-1e300L), extended(-1.0L), extended(0.0L),
                                                   extended(0.5L), extended(1e300L)}});
#endif
    for (const Case& c : cases) {
        std::size_t size = 0;
        auto fields = MakeFields({{"F", c.type, 0, c.size}}, &size);
        IndexDescriptor index = MakeIndex({1}, fields, false, true);
        Bytes previous = Key(index, fields, Bytes(size, 0));  // null sorts before every value
        for (std::size_t i = 0; i < c.ascending.size(); ++i) {
            Bytes record(size, 0);
            SetValue(fields[0], record, c.ascending[i]);
            Bytes key = Key(index, fields, record);
            EXPECT_LT(CompareKeys(previous.data(), key.data(), key.size()), 0) << c.label << " value " << i;
            previous = key;
        }
    }
}

TEST(IndexKey, DescendingFieldsInvertTheirBytesAndReverseTheOrder) {
    std::size_t size = 0;
    auto fields = MakeFields({{"Name", phys::String, 0, 3}, {"Number", phys::Int32, 0, 0}}, &size);
    IndexDescriptor byName = MakeIndex({1}, fields, false, true, true);
    Bytes record(size, 0);
    SetString(fields[0], record, "A");
    // Presence and the first three bytes inverted; the last byte stays.
    EXPECT_EQ(Key(byName, fields, record), (Bytes{0xFE, 0xBE, 0xFF, 0xFF, 0x00}));

    const char* ascending[] = {"A", "AB", "B"};
    Bytes previous = Key(byName, fields, Bytes(size, 0));  // null: last in descending order
    for (const char* name : ascending) {
        Bytes r(size, 0);
        SetString(fields[0], r, name);
        Bytes key = Key(byName, fields, r);
        EXPECT_GT(CompareKeys(previous.data(), key.data(), key.size()), 0) << name;
        previous = key;
    }

    // The record ID of a non-unique descending index stays ascending.
    IndexDescriptor byNumber = MakeIndex({2}, fields, false, false, true);
    Bytes first(size, 0), second(size, 0), larger(size, 0);
    for (Bytes* r : {&first, &second}) SetValue(fields[1], *r, Stored<int32_t>(5));
    SetValue(fields[1], larger, Stored<int32_t>(6));
    PutU32(first.data() + 5, 1);
    PutU32(second.data() + 5, 2);
    PutU32(larger.data() + 5, 3);
    Bytes k1 = Key(byNumber, fields, first), k2 = Key(byNumber, fields, second), k3 = Key(byNumber, fields, larger);
    EXPECT_LT(CompareKeys(k3.data(), k1.data(), k1.size()), 0);
    EXPECT_LT(CompareKeys(k1.data(), k2.data(), k1.size()), 0);
}

TEST(IndexKey, NameOrderWithAndWithoutCase) {
    std::size_t size = 0;
    auto fields = MakeFields({{"LastName", phys::String, 0, 15}}, &size);
    auto keysOf = [&](const IndexDescriptor& index, std::initializer_list<const char*> names) {
        std::vector<Bytes> keys;
        for (const char* name : names) {
            Bytes r(size, 0);
            SetString(fields[0], r, name);
            keys.push_back(Key(index, fields, r));
        }
        return keys;
    };
    auto insensitive = keysOf(MakeIndex({1}, fields, true, true), {"adams", "Baker", "CARTER"});
    EXPECT_LT(CompareKeys(insensitive[0].data(), insensitive[1].data(), insensitive[0].size()), 0);
    EXPECT_LT(CompareKeys(insensitive[1].data(), insensitive[2].data(), insensitive[0].size()), 0);
    auto smith = keysOf(MakeIndex({1}, fields, true, true), {"smith", "Smith"});
    EXPECT_EQ(smith[0], smith[1]);
    auto sensitive = keysOf(MakeIndex({1}, fields, false, true), {"adams", "Baker"});
    EXPECT_GT(CompareKeys(sensitive[0].data(), sensitive[1].data(), sensitive[0].size()), 0);
}

TEST(IndexKey, EdateOrdersBirthdayBeforeLowerCaseBirthday) {
    std::size_t size = 0;
    auto fields = MakeFields({{"IndexField", phys::Int32, subtype::AutoInc, 0},
                              {"FirstName", phys::String, 0, 15},
                              {"LastName", phys::String, 0, 15},
                              {"Event", phys::String, 0, 15},
                              {"EventDate", phys::Date, 0, 0}},
                             &size);
    IndexDescriptor edate = MakeIndex({5, 4, 2, 3}, fields, false, false);
    ASSERT_EQ(edate.keyLength, 60);
    Bytes lower(size, 0), upper(size, 0);
    for (Bytes* r : {&lower, &upper}) SetValue(fields[4], *r, Stored<int32_t>(730000));
    SetString(fields[3], lower, "birthday");
    SetString(fields[3], upper, "Birthday");
    PutU32(lower.data() + 5, 1);  // posted first
    PutU32(upper.data() + 5, 2);
    Bytes a = Key(edate, fields, upper), b = Key(edate, fields, lower);
    EXPECT_LT(CompareKeys(a.data(), b.data(), a.size()), 0);
}

TEST(IndexKey, PartialKeysFillAfterTheGivenFields) {
    std::size_t size = 0;
    auto fields = MakeFields({{"LastName", phys::String, 0, 15}, {"FirstName", phys::String, 0, 15}}, &size);
    IndexDescriptor index = MakeIndex({1, 2}, fields, true, false);
    ASSERT_EQ(index.keyLength, 38);
    Bytes record(size, 0);
    SetString(fields[0], record, "Jo");
    SetString(fields[1], record, "Ann");
    PutU32(record.data() + 5, 9);
    for (bool high : {false, true}) {
        Bytes key(index.keyLength);
        BuildPartialKey(index, fields, record.data(), 1, high, true, key.data());
        EXPECT_EQ(Bytes(key.begin(), key.begin() + 4), (Bytes{1, 'J', 'O', 0}));
        EXPECT_EQ(Bytes(key.begin() + 17, key.end()), Bytes(21, high ? 0xFF : 0x00)) << high;
    }
    Bytes full(index.keyLength), partial(index.keyLength);
    BuildKey(index, fields, record.data(), true, full.data());
    BuildPartialKey(index, fields, record.data(), 2, false, true, partial.data());
    EXPECT_EQ(Bytes(partial.begin(), partial.begin() + 34), Bytes(full.begin(), full.begin() + 34));
    EXPECT_EQ(Bytes(partial.begin() + 34, partial.end()), Bytes(4, 0));
}

TEST(IndexKey, SysDeletedKeyAndCompare) {
    uint8_t key[5];
    BuildSysDeletedKey(1, 2, key);
    EXPECT_EQ(Bytes(key, key + 5), (Bytes{0x01, 0x80, 0x00, 0x00, 0x02}));
    const uint8_t a[] = {0x01, 0x7F}, b[] = {0x01, 0x80};
    EXPECT_LT(CompareKeys(a, b, 2), 0);  // unsigned bytes
    EXPECT_EQ(CompareKeys(a, b, 1), 0);  // over the prefix only
    EXPECT_GT(CompareKeys(b, a, 2), 0);
}

TEST(IndexKey, KeyLengthRuleAndItsErrors) {
    auto fields = MakeFields({{"IndexField", phys::Int32, subtype::AutoInc, 0},
                              {"Name", phys::String, 0, 15},
                              {"Photo", phys::Blob, 0, 0}});
    IndexDescriptor d;
    d.fieldNumbers[d.fieldCount++] = 2;
    EXPECT_EQ(ComputeKeyLength(d, fields, false), 21);
    d.unique = true;
    EXPECT_EQ(ComputeKeyLength(d, fields, false), 17);
    EXPECT_EQ(CodeOf([&] {
                  IndexDescriptor bad = d;
                  bad.fieldNumbers[0] = 9;
                  ComputeKeyLength(bad, fields, false);
              }),
              err::InvalidIndexField);
    EXPECT_EQ(CodeOf([&] {
                  IndexDescriptor blob = d;
                  blob.fieldNumbers[0] = 3;
                  ComputeKeyLength(blob, fields, false);
              }),
              err::InvalidIndexFieldType);
    EXPECT_EQ(CodeOf([&] {
                  IndexDescriptor wrong = d;
                  wrong.keyLength = 20;
                  Bytes record(40, 0), key(21);
                  BuildKey(wrong, fields, record.data(), false, key.data());
              }),
              err::InvalidKeySize);
    IndexDescriptor sys = MakeSysDeletedDescriptor();
    EXPECT_EQ(sys.name, "Sys Deleted");
    EXPECT_EQ(sys.keyLength, 5);
    EXPECT_EQ(sys.fieldCount, 0);
}

TEST(IndexDescriptorBytes, EncodeAndDecode) {
    IndexDescriptor d;
    d.name = "LastName";
    d.keyLength = 21;
    d.caseInsensitive = true;
    d.descending = true;
    d.fieldCount = 2;
    d.fieldDescending[0] = d.fieldDescending[1] = 1;
    d.fieldNumbers[0] = 4;
    d.fieldNumbers[1] = 0x0102;
    d.rootPage = 8192;
    d.freePageHead = 4096;
    uint8_t bytes[kIndexDescriptorSize];
    d.Encode(bytes);
    EXPECT_EQ(bytes[0], 8);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(bytes + 1), 8), "LastName");
    EXPECT_EQ(GetU16(bytes + 31), 21);
    EXPECT_EQ(bytes[33], 1);
    EXPECT_EQ(bytes[34], 1);
    EXPECT_EQ(bytes[35], 0);
    EXPECT_EQ(bytes[37], 2);
    EXPECT_EQ(bytes[39], 1);
    EXPECT_EQ(GetU16(bytes + 56), 0x0102);
    EXPECT_EQ(GetU32(bytes + 86), 8192u);
    EXPECT_EQ(GetU32(bytes + 90), 4096u);
    IndexDescriptor back = IndexDescriptor::Decode(bytes);
    EXPECT_EQ(back.name, d.name);
    EXPECT_EQ(back.keyLength, 21);
    EXPECT_TRUE(back.descending && back.caseInsensitive && !back.unique);
    EXPECT_EQ(back.fieldNumbers[1], 0x0102);
    EXPECT_EQ(back.rootPage, 8192u);
    EXPECT_EQ(back.freePageHead, 4096u);
}

}  // namespace
}  // namespace larch
