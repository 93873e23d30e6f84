// Parsing and comparing field values for defaults and validity checks.
#include "engine/records/field_values.h"

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "dataset/date_time.h"
#include "engine/files/byte_order.h"
#include "engine/files/engine_error.h"
#include "engine/records/record_fields.h"

namespace larch {
namespace {

std::string Upper(std::string text) {
    for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

std::string Trim(const std::string& text) {
    std::size_t first = text.find_first_not_of(' ');
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

std::optional<long long> ParseInteger(const std::string& text, long long low, long long high) {
    if (text.empty()) return std::nullopt;
    errno = 0;
    char* end = nullptr;
    long long value = std::strtoll(text.c_str(), &end, 10);
    if (errno != 0 || *end != '\0' || value < low || value > high) return std::nullopt;
    return value;
}

std::optional<double> ParseDouble(const std::string& text) {
    if (text.empty()) return std::nullopt;
    char* end = nullptr;
    double value = std::strtod(text.c_str(), &end);
    if (*end != '\0' || !std::isfinite(value)) return std::nullopt;
    return value;
}

double StoredDouble(const uint8_t* p) { return GetF64(p); }

}  // namespace

std::optional<std::vector<uint8_t>> ParseFieldValue(const FieldDescriptor& field, const std::string& raw,
                                                    bool allowKeywords) {
    std::vector<uint8_t> out(field.width, 0);
    std::string text = field.physType == phys::String ? raw : Trim(raw);
    std::string keyword = Upper(text);
    switch (field.physType) {
        case phys::String: {
            std::string value = text.substr(0, field.size);
            std::memcpy(out.data(), value.data(), value.size());
            return out;
        }
        case phys::Int16:
        case phys::Word:
        case phys::Int32:
        case phys::UInt32: {
            long long low = field.physType == phys::Int16 ? -32768 : field.physType == phys::Word ? 0
                            : field.physType == phys::Int32 ? std::numeric_limits<int32_t>::min() : 0;
            long long high = field.physType == phys::Int16 ? 32767 : field.physType == phys::Word ? 65535
                             : field.physType == phys::Int32 ? std::numeric_limits<int32_t>::max() : 4294967295LL;
            auto value = ParseInteger(text, low, high);
            if (!value) return std::nullopt;
            if (field.width == 2) PutU16(out.data(), static_cast<uint16_t>(*value));
            else PutU32(out.data(), static_cast<uint32_t>(*value));
            return out;
        }
        case phys::Boolean:
            if (keyword == "TRUE") PutU16(out.data(), 1);
            else if (keyword != "FALSE") return std::nullopt;
            return out;
        case phys::Float: {
            auto value = ParseDouble(text);
            if (!value) return std::nullopt;
            PutF64(out.data(), *value);
            return out;
        }
        case phys::Bcd: {
            auto value = ParseDouble(text);
            if (!value) return std::nullopt;
            double scaled = std::round(*value * std::pow(10.0, field.scale));
            if (std::fabs(scaled) > 9.2e18) return std::nullopt;
            int64_t bcd = static_cast<int64_t>(scaled);
            PutU32(out.data(), static_cast<uint32_t>(bcd));
            PutU32(out.data() + 4, static_cast<uint32_t>(static_cast<uint64_t>(bcd) >> 32));
            return out;
        }
        case phys::Date: {
            int32_t day = 0;
            if (allowKeywords && keyword == "DATE") day = hollin::Today();
            else if (!hollin::TryParseDate(text, day)) return std::nullopt;
            PutI32(out.data(), day);
            return out;
        }
        case phys::Time: {
            int32_t ms = 0;
            if (allowKeywords && keyword == "TIME") ms = hollin::MsOfDay(hollin::Now());
            else if (!hollin::TryParseTime(text, ms)) return std::nullopt;
            PutI32(out.data(), ms);
            return out;
        }
        case phys::DateTime: {
            hollin::TDateTime moment = 0;
            if (allowKeywords && keyword == "NOW") moment = hollin::Now();
            else if (allowKeywords && keyword == "DATE") moment = hollin::MakeDateTime(hollin::Today(), 0);
            else if (allowKeywords && keyword == "TIME") moment = hollin::MakeDateTime(0, hollin::MsOfDay(hollin::Now()));
            else if (!hollin::TryParseDateTime(text, moment)) return std::nullopt;
            PutF64(out.data(), moment);
            return out;
        }
        default:
            return std::nullopt;
    }
}

int CompareFieldValues(const FieldDescriptor& field, const uint8_t* a, const uint8_t* b) {
    auto order = [](auto x, auto y) { return x < y ? -1 : (y < x ? 1 : 0); };
    switch (field.physType) {
        case phys::String: return order(std::strncmp(reinterpret_cast<const char*>(a), reinterpret_cast<const char*>(b), field.width), 0);
        case phys::Int16: return order(GetI16(a), GetI16(b));
        case phys::Word:
        case phys::Boolean: return order(GetU16(a), GetU16(b));
        case phys::Int32:
        case phys::Date:
        case phys::Time: return order(GetI32(a), GetI32(b));
        case phys::UInt32: return order(GetU32(a), GetU32(b));
        case phys::Float:
        case phys::DateTime: return order(StoredDouble(a), StoredDouble(b));
        case phys::Bcd: {
            auto wide = [](const uint8_t* p) {
                return static_cast<int64_t>(uint64_t{GetU32(p)} | (uint64_t{GetU32(p + 4)} << 32));
            };
            return order(wide(a), wide(b));
        }
        default: return order(std::memcmp(a, b, field.width), 0);
    }
}

void ApplyFieldDefaults(const std::vector<FieldDescriptor>& fields, uint8_t* image) {
    for (const FieldDescriptor& f : fields) {
        if (f.defaultValue.empty() || f.IsAutoInc() || f.IsBlob()) continue;
        auto bytes = ParseFieldValue(f, f.defaultValue, true);
        if (!bytes) continue;
        if (f.physType == phys::String) SetStringField(f, image, f.defaultValue);
        else SetFieldBytes(f, image, bytes->data());
    }
}

void CheckFieldValue(const FieldDescriptor& f, const uint8_t* image, const std::string& file) {
    if (FieldIsNull(f, image)) {
        if (f.required) RaiseEngineError(err::ValueRequired, file, f.name);
        return;
    }
    if ((f.minimum.empty() && f.maximum.empty()) || f.IsBlob()) return;
    const uint8_t* value = FieldBytes(f, image);
    if (!f.minimum.empty()) {
        auto low = ParseFieldValue(f, f.minimum, true);
        if (low && CompareFieldValues(f, value, low->data()) < 0) RaiseEngineError(err::BelowMinimum, file, f.name);
    }
    if (!f.maximum.empty()) {
        auto high = ParseFieldValue(f, f.maximum, true);
        if (high && CompareFieldValues(f, value, high->data()) > 0) RaiseEngineError(err::AboveMaximum, file, f.name);
    }
}

}  // namespace larch
