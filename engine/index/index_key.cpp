// Building index keys from record images, and comparing them.
#include "engine/index/index_key.h"

#include <cstring>

#include "engine/files/byte_order.h"
#include "engine/files/engine_error.h"

namespace larch {
namespace {

void PutBigEndian(uint8_t* out, uint64_t value, int bytes) {
    for (int i = bytes - 1; i >= 0; --i) {
        out[i] = static_cast<uint8_t>(value);
        value >>= 8;
    }
}

uint64_t GetLittleEndian(const uint8_t* in, int bytes) {
    uint64_t value = 0;
    for (int i = bytes - 1; i >= 0; --i) value = (value << 8) | in[i];
    return value;
}

// A double in key form: positive values above all negative ones, and the
// negatives in reverse order of their magnitude.
void PutDoubleKey(uint8_t* out, const uint8_t* stored) {
    uint64_t bits = GetLittleEndian(stored, 8);
    double value;
    std::memcpy(&value, &bits, sizeof value);
    if (value >= 0.0) {
        bits |= 1ULL << 63;  // also folds -0.0 onto +0.0
    } else {
        bits = ~bits;
    }
    PutBigEndian(out, bits, 8);
}

// The 10-byte extended float (8 mantissa bytes, then sign and exponent) by
// the double's rule, so that its keys sort by value too.
void PutExtendedKey(uint8_t* out, const uint8_t* stored) {
    uint8_t bytes[10];
    for (int i = 0; i < 10; ++i) bytes[i] = stored[9 - i];
    bool negative = (bytes[0] & 0x80) != 0;
    bool zero = true;
    for (int i = 0; i < 10; ++i) {
        if ((i == 0 ? (bytes[0] & 0x7F) : bytes[i]) != 0) zero = false;
    }
    if (negative && !zero) {
        for (uint8_t& b : bytes) b = static_cast<uint8_t>(~b);
    } else {
        bytes[0] |= 0x80;
    }
    std::memcpy(out, bytes, 10);
}

// Writes the key bytes of a value that is present.
void PutValueKey(const FieldDescriptor& field, const uint8_t* stored, int width, bool caseInsensitive,
                 uint8_t* out) {
    switch (field.physType) {
        case phys::String:
            std::memcpy(out, stored, width);
            if (caseInsensitive) {
                for (int i = 0; i < width; ++i) {
                    if (out[i] >= 'a' && out[i] <= 'z') out[i] = static_cast<uint8_t>(out[i] - 32);
                }
            }
            break;
        case phys::Date:
        case phys::Int32:
        case phys::Time: PutBigEndian(out, GetU32(stored) ^ 0x80000000u, 4); break;
        case phys::Int16: PutBigEndian(out, GetU16(stored) ^ 0x8000u, 2); break;
        case phys::Boolean:
        case phys::Word: PutBigEndian(out, GetU16(stored), 2); break;
        case phys::UInt32: PutBigEndian(out, GetU32(stored), 4); break;
        case phys::Float:
        case phys::DateTime: PutDoubleKey(out, stored); break;
        case phys::Bcd: PutBigEndian(out, GetLittleEndian(stored, 8) ^ (1ULL << 63), 8); break;
        case phys::Float10: PutExtendedKey(out, stored); break;
        default: std::memcpy(out, stored, width); break;
    }
}

const FieldDescriptor& KeyField(const IndexDescriptor& index, const std::vector<FieldDescriptor>& fields,
                                int position) {
    uint16_t number = index.fieldNumbers[position];
    if (number == 0 || number > fields.size()) {
        RaiseEngineError(err::InvalidIndexField, {}, std::to_string(number), {}, index.name);
    }
    return fields[number - 1];
}

int KeyFieldCount(const IndexDescriptor& index) {
    return index.fieldCount > kMaxIndexFields ? kMaxIndexFields : index.fieldCount;
}

// Bytes the first `count` key fields take in a key.
std::size_t FieldsLength(const IndexDescriptor& index, const std::vector<FieldDescriptor>& fields, int count) {
    std::size_t length = 0;
    for (int i = 0; i < count; ++i) {
        const FieldDescriptor& field = KeyField(index, fields, i);
        length += StoredWidth(field.physType, field.size) + 1u;
    }
    return length;
}

}  // namespace

void PutKeyRecordId(uint8_t* out4, uint32_t recordId) { PutBigEndian(out4, recordId ^ 0x80000000u, 4); }

void BuildKey(const IndexDescriptor& index, const std::vector<FieldDescriptor>& fields, const uint8_t* record,
              bool appendRecordId, uint8_t* out) {
    int count = KeyFieldCount(index);
    std::size_t needed = FieldsLength(index, fields, count) + (appendRecordId ? 4 : 0);
    if (needed != index.keyLength) RaiseEngineError(err::InvalidKeySize, {}, {}, {}, index.name);

    uint8_t* p = out;
    for (int i = 0; i < count; ++i) {
        const FieldDescriptor& field = KeyField(index, fields, i);
        int width = StoredWidth(field.physType, field.size);
        bool present;
        if (field.IsAutoInc()) {
            present = true;
            PutKeyRecordId(p + 1, GetU32(record + 5));
        } else {
            present = record[field.offset] != 0;
            if (present) {
                PutValueKey(field, record + field.offset + 1, width, index.caseInsensitive, p + 1);
            } else {
                std::memset(p + 1, 0, width);
            }
        }
        p[0] = present ? 1 : 0;
        if (index.fieldDescending[i] != 0) {
            // A string's last byte, its terminating zero, stays as it is.
            int inverted = 1 + (field.physType == phys::String && width > 0 ? width - 1 : width);
            for (int b = 0; b < inverted; ++b) p[b] = static_cast<uint8_t>(~p[b]);
        }
        p += width + 1;
    }
    if (appendRecordId) PutKeyRecordId(p, GetU32(record + 5));
}

void BuildPartialKey(const IndexDescriptor& index, const std::vector<FieldDescriptor>& fields,
                     const uint8_t* record, int fieldsGiven, bool high, bool appendRecordId, uint8_t* out) {
    BuildKey(index, fields, record, appendRecordId, out);
    int count = KeyFieldCount(index);
    if (fieldsGiven < 0) fieldsGiven = 0;
    if (fieldsGiven > count) fieldsGiven = count;
    std::size_t given = FieldsLength(index, fields, fieldsGiven);
    std::memset(out + given, high ? 0xFF : 0x00, index.keyLength - given);
}

void BuildSysDeletedKey(uint8_t status, uint32_t recordId, uint8_t* out5) {
    out5[0] = status;
    PutKeyRecordId(out5 + 1, recordId);
}

int CompareKeys(const uint8_t* a, const uint8_t* b, size_t length) {
    int result = length == 0 ? 0 : std::memcmp(a, b, length);
    return result < 0 ? -1 : (result > 0 ? 1 : 0);
}

}  // namespace larch
