// Encoding and decoding of the data file's field descriptors.
#include "engine/records/field_descriptor.h"

#include <cstring>

#include "engine/files/byte_order.h"

namespace larch {

uint8_t StoredWidth(uint8_t physType, uint8_t size) {
    switch (physType) {
        case phys::String: return static_cast<uint8_t>(size + 1);
        case phys::Date:
        case phys::Blob:
        case phys::Int32:
        case phys::Time:
        case phys::UInt32: return 4;
        case phys::Boolean:
        case phys::Int16:
        case phys::Word: return 2;
        case phys::Float:
        case phys::Bcd:
        case phys::DateTime: return 8;
        case phys::Float10: return 10;
        case phys::Bytes:
        case phys::VarBytes: return size;
        default: return 0;
    }
}

void FieldDescriptor::Encode(uint8_t* out) const {
    std::memset(out, 0, kFieldDescriptorSize);
    PutU16(out + 0, number);
    PutShortString(out + 2, 30, name);
    PutShortString(out + 33, 50, description);
    out[84] = physType;
    out[85] = subType;
    out[86] = size;
    out[87] = scale;
    out[88] = width;
    out[89] = scale;
    PutU16(out + 90, offset);
    out[92] = required ? 1 : 0;
    out[93] = reserved93;
    PutShortString(out + 94, 50, minimum);
    PutShortString(out + 145, 50, maximum);
    PutShortString(out + 196, 50, defaultValue);
    out[247] = computed ? 1 : 0;
    PutShortString(out + 248, 255, expression);
}

FieldDescriptor FieldDescriptor::Decode(const uint8_t* in) {
    FieldDescriptor d;
    d.number = GetU16(in + 0);
    d.name = GetShortString(in + 2, 30);
    d.description = GetShortString(in + 33, 50);
    d.physType = in[84];
    d.subType = in[85];
    d.size = in[86];
    d.scale = in[87];
    d.width = in[88];
    d.offset = GetU16(in + 90);
    d.required = in[92] != 0;
    d.reserved93 = in[93];
    d.minimum = GetShortString(in + 94, 50);
    d.maximum = GetShortString(in + 145, 50);
    d.defaultValue = GetShortString(in + 196, 50);
    d.computed = in[247] != 0;
    d.expression = GetShortString(in + 248, 255);
    return d;
}

}  // namespace larch
