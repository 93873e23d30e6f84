// Conversion of stored field values between field types and sizes.
#include "engine/records/value_conversion.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <optional>
#include <string>

#include "dataset/date_time.h"
#include "engine/files/byte_order.h"
#include "engine/records/record_fields.h"

namespace larch {
namespace {

constexpr double kMsPerDay = 86400000.0;
// Doubles hold every integer up to 2^53 exactly; beyond, a fraction test
// means nothing and the int64 range ends near 9.2e18.
constexpr double kMaxExactInteger = 9007199254740992.0;

// A value read from a record, by what it means rather than how it is stored.
struct Value {
    enum Kind { Null, Text, Integer, Real, Decimal, Date, Time, DateTime, Boolean, Bytes, Opaque };
    Kind kind = Null;
    std::string text;     // Text, Bytes
    int64_t integer = 0;  // Integer, Decimal (scaled), Date (day number), Time (ms), Boolean (0, 1)
    double real = 0;      // Real, DateTime (ms since day 0)
    int scale = 0;        // Decimal
};

int64_t GetI64(const uint8_t* p) {
    return static_cast<int64_t>(uint64_t{GetU32(p)} | (uint64_t{GetU32(p + 4)} << 32));
}

void PutI64(uint8_t* p, int64_t value) {
    PutU32(p, static_cast<uint32_t>(static_cast<uint64_t>(value)));
    PutU32(p + 4, static_cast<uint32_t>(static_cast<uint64_t>(value) >> 32));
}

std::optional<int64_t> PowerOfTen(int exponent) {
    int64_t result = 1;
    for (int i = 0; i < exponent; ++i) {
        if (result > std::numeric_limits<int64_t>::max() / 10) return std::nullopt;
        result *= 10;
    }
    return result;
}

std::string Trim(const std::string& text) {
    std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

Value Read(const FieldDescriptor& f, const uint8_t* image, const std::vector<uint8_t>& blob) {
    Value v;
    if (f.IsBlob()) {
        if (!blob.empty()) {
            v.kind = Value::Bytes;
            v.text.assign(blob.begin(), blob.end());
        }
        return v;
    }
    if (FieldIsNull(f, image)) return v;
    const uint8_t* p = FieldBytes(f, image);
    switch (f.physType) {
        case phys::String: v.kind = Value::Text; v.text = GetStringField(f, image); break;
        case phys::Int16: v.kind = Value::Integer; v.integer = GetI16(p); break;
        case phys::Int32: v.kind = Value::Integer; v.integer = GetI32(p); break;
        case phys::Word: v.kind = Value::Integer; v.integer = GetU16(p); break;
        case phys::UInt32: v.kind = Value::Integer; v.integer = GetU32(p); break;
        case phys::Boolean: v.kind = Value::Boolean; v.integer = GetU16(p) != 0 ? 1 : 0; break;
        case phys::Float: v.kind = Value::Real; v.real = GetF64(p); break;
        case phys::Bcd: v.kind = Value::Decimal; v.integer = GetI64(p); v.scale = f.scale; break;
        case phys::Date: v.kind = Value::Date; v.integer = GetI32(p); break;
        case phys::Time: v.kind = Value::Time; v.integer = GetU32(p); break;
        case phys::DateTime: v.kind = Value::DateTime; v.real = GetF64(p); break;
        case phys::Bytes:
        case phys::VarBytes: v.kind = Value::Bytes; v.text.assign(reinterpret_cast<const char*>(p), f.width); break;
        default: v.kind = Value::Opaque; break;
    }
    return v;
}

std::optional<std::string> TextOf(const Value& v) {
    switch (v.kind) {
        case Value::Text: return v.text;
        case Value::Integer: return std::to_string(v.integer);
        case Value::Real: {
            if (!std::isfinite(v.real)) return std::nullopt;
            char buffer[32];
            auto result = std::to_chars(buffer, buffer + sizeof buffer, v.real);  // shortest exact form
            return std::string(buffer, result.ptr);
        }
        case Value::Decimal: {
            std::string digits = std::to_string(v.integer < 0 ? -(v.integer + 1) + 1ull : uint64_t(v.integer));
            if (v.scale > 0) {
                if (digits.size() <= static_cast<std::size_t>(v.scale)) digits.insert(0, v.scale + 1 - digits.size(), '0');
                digits.insert(digits.size() - v.scale, 1, '.');
            }
            return (v.integer < 0 ? "-" : "") + digits;
        }
        case Value::Date: return hollin::FormatDate(static_cast<int32_t>(v.integer));
        case Value::Time: return hollin::FormatTime(static_cast<int32_t>(v.integer));
        case Value::DateTime: {
            int32_t day = 0, ms = 0;
            if (!hollin::TrySplitTimestamp(v.real, day, ms)) return std::nullopt;
            return hollin::FormatDateTime(hollin::MakeDateTime(day, ms));
        }
        case Value::Boolean: return std::string(v.integer ? "TRUE" : "FALSE");
        case Value::Bytes: {
            std::string text = v.text;
            while (!text.empty() && text.back() == '\0') text.pop_back();
            if (text.find('\0') != std::string::npos) return std::nullopt;
            return text;
        }
        default: return std::nullopt;
    }
}

std::optional<int64_t> ParseInteger(const std::string& raw) {
    std::string text = Trim(raw);
    if (text.empty()) return std::nullopt;
    errno = 0;
    char* end = nullptr;
    long long value = std::strtoll(text.c_str(), &end, 10);
    if (errno != 0 || *end != '\0') return std::nullopt;
    return value;
}

std::optional<double> ParseReal(const std::string& raw) {
    std::string text = Trim(raw);
    if (text.empty()) return std::nullopt;
    char* end = nullptr;
    double value = std::strtod(text.c_str(), &end);
    if (*end != '\0' || !std::isfinite(value)) return std::nullopt;
    return value;
}

// "-12.50" as 1250 with scale 2.
std::optional<Value> ParseDecimal(const std::string& raw) {
    std::string text = Trim(raw);
    std::size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
    Value v;
    v.kind = Value::Decimal;
    bool digits = false, point = false;
    for (; i < text.size(); ++i) {
        char c = text[i];
        if (c == '.' && !point) {
            point = true;
            continue;
        }
        if (c < '0' || c > '9') return std::nullopt;
        if (v.integer > (std::numeric_limits<int64_t>::max() - 9) / 10) return std::nullopt;
        v.integer = v.integer * 10 + (c - '0');
        v.scale += point ? 1 : 0;
        digits = true;
    }
    if (!digits) return std::nullopt;
    if (negative) v.integer = -v.integer;
    return v;
}

std::optional<int64_t> IntegerOf(const Value& v) {
    switch (v.kind) {
        case Value::Integer:
        case Value::Boolean: return v.integer;
        case Value::Real:
            if (!std::isfinite(v.real) || std::floor(v.real) != v.real || std::fabs(v.real) > kMaxExactInteger) {
                return std::nullopt;
            }
            return static_cast<int64_t>(v.real);
        case Value::Decimal: {
            auto unit = PowerOfTen(v.scale);
            if (!unit || v.integer % *unit != 0) return std::nullopt;
            return v.integer / *unit;
        }
        case Value::Text: return ParseInteger(v.text);
        default: return std::nullopt;
    }
}

std::optional<double> RealOf(const Value& v) {
    switch (v.kind) {
        case Value::Integer:
        case Value::Boolean: return static_cast<double>(v.integer);
        case Value::Real:
            if (!std::isfinite(v.real)) return std::nullopt;
            return v.real;
        case Value::Decimal: return static_cast<double>(v.integer) / std::pow(10.0, v.scale);
        case Value::Text: return ParseReal(v.text);
        default: return std::nullopt;
    }
}

// The value scaled by 10^scale, when that is a whole number.
std::optional<int64_t> ScaledOf(const Value& v, int scale) {
    auto unit = PowerOfTen(scale);
    if (!unit) return std::nullopt;
    Value decimal = v;
    switch (v.kind) {
        case Value::Integer:
        case Value::Boolean: decimal.scale = 0; break;
        case Value::Decimal: break;
        case Value::Text: {
            auto parsed = ParseDecimal(v.text);
            if (!parsed) return std::nullopt;
            decimal = *parsed;
            break;
        }
        case Value::Real: {
            if (!std::isfinite(v.real)) return std::nullopt;
            double x = v.real * static_cast<double>(*unit);
            double rounded = std::round(x);
            // Binary fractions such as 12.34 come out a hair off the decimal.
            if (std::fabs(rounded) > kMaxExactInteger || std::fabs(x - rounded) > 1e-9 * std::max(1.0, std::fabs(x))) {
                return std::nullopt;
            }
            return static_cast<int64_t>(rounded);
        }
        default: return std::nullopt;
    }
    if (decimal.scale > scale) {
        auto divisor = PowerOfTen(decimal.scale - scale);
        if (!divisor || decimal.integer % *divisor != 0) return std::nullopt;
        return decimal.integer / *divisor;
    }
    auto factor = PowerOfTen(scale - decimal.scale);
    if (!factor) return std::nullopt;
    int64_t result = 0;
    if (__builtin_mul_overflow(decimal.integer, *factor, &result)) return std::nullopt;
    return result;
}

std::optional<bool> BooleanOf(const Value& v) {
    switch (v.kind) {
        case Value::Boolean: return v.integer != 0;
        case Value::Integer:
            if (v.integer == 0 || v.integer == 1) return v.integer == 1;
            return std::nullopt;
        case Value::Real:
            if (v.real == 0.0 || v.real == 1.0) return v.real == 1.0;
            return std::nullopt;
        case Value::Text: {
            std::string text = Trim(v.text);
            for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
            if (text == "TRUE") return true;
            if (text == "FALSE") return false;
            return std::nullopt;
        }
        default: return std::nullopt;
    }
}

std::optional<int32_t> DateOf(const Value& v) {
    switch (v.kind) {
        case Value::Date: return static_cast<int32_t>(v.integer);
        case Value::DateTime: {
            int32_t day = 0, ms = 0;
            if (!hollin::TrySplitTimestamp(v.real, day, ms)) return std::nullopt;
            if (v.real != static_cast<double>(day) * kMsPerDay) return std::nullopt;  // the time would be lost
            return day;
        }
        case Value::Text: {
            int32_t day = 0;
            if (hollin::TryParseDate(v.text, day)) return day;
            hollin::TDateTime moment = 0;
            if (hollin::TryParseDateTime(v.text, moment) && hollin::MsOfDay(moment) == 0) return hollin::DayOf(moment);
            return std::nullopt;
        }
        default: return std::nullopt;
    }
}

std::optional<int64_t> TimeOf(const Value& v) {
    switch (v.kind) {
        case Value::Time: return v.integer;
        case Value::DateTime:
            if (v.real >= 0 && v.real < kMsPerDay && std::floor(v.real) == v.real) return static_cast<int64_t>(v.real);
            return std::nullopt;
        case Value::Text: {
            int32_t ms = 0;
            if (hollin::TryParseTime(Trim(v.text), ms)) return ms;
            return std::nullopt;
        }
        default: return std::nullopt;
    }
}

std::optional<double> DateTimeOf(const Value& v) {
    switch (v.kind) {
        case Value::Date: return static_cast<double>(v.integer) * kMsPerDay;
        case Value::Time: return static_cast<double>(v.integer);
        case Value::DateTime:
            if (!std::isfinite(v.real)) return std::nullopt;
            return v.real;
        case Value::Text: {
            hollin::TDateTime moment = 0;
            if (!hollin::TryParseDateTime(v.text, moment)) return std::nullopt;
            return static_cast<double>(hollin::DayOf(moment)) * kMsPerDay + hollin::MsOfDay(moment);
        }
        default: return std::nullopt;
    }
}

bool WriteInteger(const FieldDescriptor& to, uint8_t* target, const Value& v) {
    auto value = IntegerOf(v);
    if (!value) return false;
    int64_t low = 0, high = 0;
    switch (to.physType) {
        case phys::Int16: low = -32768; high = 32767; break;
        case phys::Int32: low = std::numeric_limits<int32_t>::min(); high = std::numeric_limits<int32_t>::max(); break;
        case phys::Word: low = 0; high = 65535; break;
        default: low = 0; high = 4294967295LL; break;  // unsigned 32-bit
    }
    if (*value < low || *value > high) return false;
    uint8_t bytes[4] = {};
    if (to.width == 2) {
        PutU16(bytes, static_cast<uint16_t>(*value));
    } else {
        PutU32(bytes, static_cast<uint32_t>(*value));
    }
    SetFieldBytes(to, target, bytes);
    return true;
}

bool WriteBytes(const FieldDescriptor& to, uint8_t* target, const Value& v) {
    if (v.kind != Value::Bytes && v.kind != Value::Text) return false;
    std::string data = v.text;
    while (data.size() > to.width && data.back() == '\0') data.pop_back();  // padding of fixed bytes
    if (data.size() > to.width) return false;
    std::vector<uint8_t> bytes(to.width, 0);
    std::memcpy(bytes.data(), data.data(), data.size());
    SetFieldBytes(to, target, bytes.data());
    return true;
}

bool WriteString(const FieldDescriptor& to, uint8_t* target, const Value& v) {
    auto text = TextOf(v);
    if (!text || text->find('\0') != std::string::npos) return false;
    std::size_t end = text->find_last_not_of(' ');
    std::size_t length = end == std::string::npos ? 0 : end + 1;
    if (length > to.size) return false;
    SetStringField(to, target, *text);
    return true;
}

bool WriteConverted(const FieldDescriptor& to, uint8_t* target, const Value& v, std::vector<uint8_t>& targetBlob) {
    uint8_t bytes[8] = {};
    switch (to.physType) {
        case phys::String: return WriteString(to, target, v);
        case phys::Int16:
        case phys::Word:
        case phys::UInt32: return WriteInteger(to, target, v);
        case phys::Int32:
            if (to.IsAutoInc()) return false;  // the record keeps its own ID
            return WriteInteger(to, target, v);
        case phys::Boolean: {
            auto value = BooleanOf(v);
            if (!value) return false;
            PutU16(bytes, *value ? 1 : 0);
            break;
        }
        case phys::Float: {
            auto value = RealOf(v);
            if (!value) return false;
            PutF64(bytes, *value);
            break;
        }
        case phys::Bcd: {
            auto value = ScaledOf(v, to.scale);
            if (!value) return false;
            PutI64(bytes, *value);
            break;
        }
        case phys::Date: {
            auto value = DateOf(v);
            if (!value) return false;
            PutI32(bytes, *value);
            break;
        }
        case phys::Time: {
            auto value = TimeOf(v);
            if (!value || *value < 0 || *value >= static_cast<int64_t>(kMsPerDay)) return false;
            PutU32(bytes, static_cast<uint32_t>(*value));
            break;
        }
        case phys::DateTime: {
            auto value = DateTimeOf(v);
            if (!value) return false;
            PutF64(bytes, *value);
            break;
        }
        case phys::Bytes:
        case phys::VarBytes: return WriteBytes(to, target, v);
        case phys::Blob: {
            if (v.kind == Value::Bytes) {
                targetBlob.assign(v.text.begin(), v.text.end());
                return true;
            }
            auto text = TextOf(v);
            if (!text) return false;
            targetBlob.assign(text->begin(), text->end());
            return true;
        }
        default: return false;
    }
    SetFieldBytes(to, target, bytes);
    return true;
}

}  // namespace

bool ConvertField(const FieldDescriptor& from, const uint8_t* source, const std::vector<uint8_t>& sourceBlob,
                  const FieldDescriptor& to, uint8_t* target, std::vector<uint8_t>& targetBlob) {
    targetBlob.clear();
    if (from.IsAutoInc() && to.IsAutoInc()) return true;  // the record ID travels with the record
    const bool plain = !from.IsBlob() && !from.IsAutoInc() && !to.IsAutoInc();
    if (plain && from.physType == to.physType && from.width == to.width && from.scale == to.scale) {
        if (FieldIsNull(from, source)) return true;
        SetFieldBytes(to, target, FieldBytes(from, source));
        return true;
    }
    Value value = Read(from, source, sourceBlob);
    if (value.kind == Value::Null) return true;
    return WriteConverted(to, target, value, targetBlob);
}

}  // namespace larch
