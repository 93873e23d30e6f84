// Field values of a record image carried into expression nodes.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "engine/files/byte_order.h"
#include "engine/records/record_fields.h"
#include "query/expr/expression_eval.h"
#include "query/expr/type_rules.h"

namespace larch {

namespace {

// The node data type of a physical field type: the unsigned 32-bit type is
// read as an integer, the 10-byte float as a float, variable bytes as bytes.
uint8_t NodeTypeOf(uint8_t physType) {
    switch (physType) {
        case phys::UInt32:
            return dtype::Integer;
        case phys::Float10:
            return dtype::Float;
        case phys::VarBytes:
            return dtype::Bytes;
        default:
            return physType <= dtype::Word ? physType : dtype::None;
    }
}

// A BCD field stores a 64-bit integer scaled by 10^scale; nodes scale by
// 10 000. Scaling up saturates instead of overflowing; scaling down rounds
// half away from zero.
int64_t RescaleBcd(int64_t stored, uint8_t scale) {
    scale = std::min<uint8_t>(scale, 18);  // 10^18 is the largest power an int64 holds
    int64_t factor = 1;
    if (scale < 4) {
        for (uint8_t i = scale; i < 4; ++i) factor *= 10;
        if (stored > INT64_MAX / factor) return INT64_MAX;
        if (stored < INT64_MIN / factor) return INT64_MIN;
        return stored * factor;
    }
    for (uint8_t i = 4; i < scale; ++i) factor *= 10;
    const int64_t quotient = stored / factor, rest = stored % factor;
    if (2 * (rest < 0 ? -rest : rest) >= factor) return quotient + (stored < 0 ? -1 : 1);
    return quotient;
}

// An x87 10-byte extended float: 64-bit mantissa with explicit integer bit,
// 15-bit biased exponent, sign.
double Float10Value(const uint8_t* p) {
    uint64_t mantissa = static_cast<uint64_t>(GetU32(p)) | (static_cast<uint64_t>(GetU32(p + 4)) << 32);
    const uint16_t signExp = GetU16(p + 8);
    const int exponent = signExp & 0x7FFF;
    const double sign = (signExp & 0x8000) ? -1.0 : 1.0;
    if (exponent == 0 && mantissa == 0) return 0.0 * sign;
    if (exponent == 0x7FFF) return sign * HUGE_VAL;
    return sign * std::ldexp(static_cast<double>(mantissa), exponent - 16383 - 63);
}

}  // namespace

void SetColumnType(const FieldDescriptor& field, TExpressionNode& column) {
    column.fieldNumber = field.number;
    column.dataType = NodeTypeOf(field.physType);
    column.subType = field.subType;
    if (column.dataType == dtype::String) {
        column.size = static_cast<uint8_t>(std::min<int>(field.size + 1, kNodeValueSize));
    } else if (column.dataType == dtype::Bytes) {
        column.size = field.size;
    } else {
        column.size = NaturalTypeSize(column.dataType);
    }
    column.decimals = field.physType == phys::Bcd ? field.scale : 0;
}

void LoadFieldValue(const FieldDescriptor& field, const uint8_t* image, TExpressionNode& into) {
    SetColumnType(field, into);
    into.value.fill(0);
    into.isNull = FieldIsNull(field, image);
    const uint8_t* bytes = FieldBytes(field, image);
    switch (field.physType) {
        case phys::String: {
            // At most the stored width, and always one terminator left over.
            const std::size_t width = std::min<std::size_t>(field.width, kNodeValueSize - 1);
            const char* text = reinterpret_cast<const char*>(bytes);
            std::memcpy(into.value.data(), text, ::strnlen(text, width));
            break;
        }
        case phys::Boolean:
            into.SetInt16(GetU16(bytes) != 0 ? int16_t{-1} : int16_t{0});
            break;
        case phys::Int16:
        case phys::Word:
            into.SetInt16(GetI16(bytes));
            break;
        case phys::Date:
        case phys::Time:
        case phys::Int32:
        case phys::UInt32:
        case phys::Blob:
            into.SetInt32(GetI32(bytes));
            break;
        case phys::Float:
        case phys::DateTime:
            into.SetDouble(GetF64(bytes));
            break;
        case phys::Float10:
            into.SetDouble(Float10Value(bytes));
            break;
        case phys::Bcd: {
            const int64_t stored =
                static_cast<int64_t>(static_cast<uint64_t>(GetU32(bytes)) | (static_cast<uint64_t>(GetU32(bytes + 4)) << 32));
            into.SetInt64(RescaleBcd(stored, field.scale));
            break;
        }
        case phys::Bytes:
        case phys::VarBytes:
            std::memcpy(into.value.data(), bytes, std::min<std::size_t>(field.width, kNodeValueSize));
            break;
        default:
            break;
    }
}

}  // namespace larch
