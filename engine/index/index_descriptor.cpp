// Encoding of index descriptors and the key length rule.
#include "engine/index/index_descriptor.h"

#include <cstring>

#include "engine/files/byte_order.h"
#include "engine/files/engine_error.h"

namespace larch {

void IndexDescriptor::Encode(uint8_t* out) const {
    std::memset(out, 0, kIndexDescriptorSize);
    PutShortString(out + 0, 30, name);
    PutU16(out + 31, keyLength);
    out[33] = descending ? 1 : 0;
    out[34] = caseInsensitive ? 1 : 0;
    out[35] = unique ? 1 : 0;
    out[36] = compression;
    out[37] = fieldCount;
    std::memcpy(out + 38, fieldDescending, 16);
    for (int i = 0; i < kMaxIndexFields; ++i) PutU16(out + 54 + 2 * i, fieldNumbers[i]);
    PutU32(out + 86, rootPage);
    PutU32(out + 90, freePageHead);
}

IndexDescriptor IndexDescriptor::Decode(const uint8_t* in) {
    IndexDescriptor d;
    d.name = GetShortString(in + 0, 30);
    d.keyLength = GetU16(in + 31);
    d.descending = in[33] != 0;
    d.caseInsensitive = in[34] != 0;
    d.unique = in[35] != 0;
    d.compression = in[36];
    d.fieldCount = in[37];
    std::memcpy(d.fieldDescending, in + 38, 16);
    for (int i = 0; i < kMaxIndexFields; ++i) d.fieldNumbers[i] = GetU16(in + 54 + 2 * i);
    d.rootPage = GetU32(in + 86);
    d.freePageHead = GetU32(in + 90);
    return d;
}

uint16_t ComputeKeyLength(const IndexDescriptor& index, const std::vector<FieldDescriptor>& fields,
                          bool isPrimary) {
    int count = index.fieldCount > kMaxIndexFields ? kMaxIndexFields : index.fieldCount;
    uint32_t length = 0;
    for (int i = 0; i < count; ++i) {
        uint16_t number = index.fieldNumbers[i];
        if (number == 0 || number > fields.size()) {
            RaiseEngineError(err::InvalidIndexField, {}, std::to_string(number), {}, index.name);
        }
        const FieldDescriptor& field = fields[number - 1];
        if (field.IsBlob()) RaiseEngineError(err::InvalidIndexFieldType, {}, field.name, {}, index.name);
        length += StoredWidth(field.physType, field.size) + 1u;
    }
    if (!isPrimary && !index.unique) length += 4;
    // The caller checks the limit (10026); keep the value representable.
    return length > 0xFFFF ? 0xFFFF : static_cast<uint16_t>(length);
}

IndexDescriptor MakeSysDeletedDescriptor() {
    IndexDescriptor d;
    d.name = kSysDeletedName;
    d.keyLength = kSysDeletedKeyLength;
    return d;
}

}  // namespace larch
