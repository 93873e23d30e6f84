// Converting expression values between node types and storing them into
// record fields.
#include "query/expr/node_store.h"

#include <charconv>
#include <cmath>
#include <cstring>

#include "dataset/date_time.h"
#include "engine/files/byte_order.h"
#include "engine/records/record_fields.h"
#include "query/expr/number_text.h"
#include "query/expr/type_rules.h"

namespace larch {

namespace {

constexpr int64_t kBcdScale = 10000;

std::string Trimmed(const std::string& text) {
    std::size_t first = text.find_first_not_of(' ');
    if (first == std::string::npos) return {};
    std::size_t last = text.find_last_not_of(' ');
    return text.substr(first, last - first + 1);
}

bool EqualsIgnoringCase(const std::string& a, const char* b) {
    std::size_t n = std::strlen(b);
    if (a.size() != n) return false;
    for (std::size_t i = 0; i < n; ++i) {
        char x = a[i] >= 'a' && a[i] <= 'z' ? static_cast<char>(a[i] - 32) : a[i];
        if (x != b[i]) return false;
    }
    return true;
}

// The whole value of a whole, date or time node.
bool WholeOf(const TExpressionNode& n, int64_t& out) {
    switch (n.dataType) {
        case dtype::SmallInt: out = n.Int16Value(); return true;
        case dtype::Word: out = static_cast<uint16_t>(n.Int16Value()); return true;
        case dtype::Integer: out = n.Int32Value(); return true;
        default: return false;
    }
}

// The value of a numeric node as a double.
bool NumberOf(const TExpressionNode& n, double& out) {
    int64_t whole = 0;
    if (WholeOf(n, whole)) {
        out = static_cast<double>(whole);
        return true;
    }
    if (n.dataType == dtype::Float) {
        out = n.DoubleValue();
        return std::isfinite(out);
    }
    if (n.dataType == dtype::Bcd) {
        out = static_cast<double>(n.Int64Value()) / kBcdScale;
        return true;
    }
    if (n.dataType == dtype::String) return ParseDecimalNumber(n.StringValue(), out);
    return false;
}

void Reset(TExpressionNode& n, uint8_t type) {
    n.value.fill(0);
    n.dataType = type;
    n.subType = 0;
    n.decimals = type == dtype::Bcd ? 4 : 0;
    n.size = NaturalTypeSize(type);
}

bool ToWhole(TExpressionNode& n, uint8_t type, int64_t low, int64_t high) {
    int64_t whole = 0;
    bool ok = WholeOf(n, whole);
    if (!ok && n.dataType == dtype::Float) {
        double d = n.DoubleValue();
        ok = std::isfinite(d) && d == std::trunc(d) && std::fabs(d) < 9.2e18;
        whole = ok ? static_cast<int64_t>(d) : 0;
    } else if (!ok && n.dataType == dtype::Bcd) {
        ok = n.Int64Value() % kBcdScale == 0;
        whole = n.Int64Value() / kBcdScale;
    } else if (!ok && n.dataType == dtype::String) {
        ok = ParseWholeNumber(n.StringValue(), whole);
    }
    if (!ok || whole < low || whole > high) return false;
    Reset(n, type);
    if (type == dtype::Integer) n.SetInt32(static_cast<int32_t>(whole));
    else n.SetInt16(static_cast<int16_t>(static_cast<uint16_t>(whole)));
    return true;
}

}  // namespace

uint8_t NodeTypeOfField(uint8_t physType) {
    switch (physType) {
        case phys::UInt32: return dtype::Integer;
        case phys::Float10: return dtype::Float;
        case phys::VarBytes: return dtype::Bytes;
        default: return physType <= dtype::Word ? physType : dtype::None;
    }
}

std::string NodeValueText(const TExpressionNode& v) {
    if (v.isNull) return {};
    int64_t whole = 0;
    if (WholeOf(v, whole)) return std::to_string(whole);
    switch (v.dataType) {
        case dtype::String: return v.StringValue();
        case dtype::Boolean: return v.Int16Value() != 0 ? "TRUE" : "FALSE";
        case dtype::Float: {
            char buffer[64];
            auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, v.DoubleValue());
            return ec == std::errc() ? std::string(buffer, end) : std::string();
        }
        case dtype::Bcd: {
            int64_t scaled = v.Int64Value();
            std::string text = std::to_string(scaled / kBcdScale);
            int64_t fraction = scaled % kBcdScale;
            if (fraction == 0) return text;
            if (scaled < 0 && scaled / kBcdScale == 0) text = "-" + text;
            std::string digits = std::to_string(fraction < 0 ? -fraction : fraction);
            digits.insert(0, 4 - digits.size(), '0');
            while (digits.back() == '0') digits.pop_back();
            return text + "." + digits;
        }
        case dtype::Date: return hollin::FormatDate(v.Int32Value());
        case dtype::Time: return hollin::FormatTime(v.Int32Value());
        case dtype::Timestamp: {
            int32_t day = 0, ms = 0;
            if (!hollin::TrySplitTimestamp(v.DoubleValue(), day, ms)) return {};
            return hollin::FormatDateTime(hollin::MakeDateTime(day, ms));
        }
        default: return {};
    }
}

bool ConvertNodeValue(TExpressionNode& n, uint8_t type) {
    if (n.dataType == type) return true;
    if (n.isNull || n.dataType == dtype::None) {
        Reset(n, type);
        n.isNull = true;
        return true;
    }
    TExpressionNode copy = n.ShallowCopy();
    switch (type) {
        case dtype::String: {
            std::string text = NodeValueText(copy);
            if (text.size() >= kNodeValueSize) return false;
            Reset(copy, type);
            copy.SetString(text);
            copy.size = static_cast<uint8_t>(text.size() + 1);
            break;
        }
        case dtype::SmallInt:
            if (!ToWhole(copy, type, INT16_MIN, INT16_MAX)) return false;
            break;
        case dtype::Word:
            if (!ToWhole(copy, type, 0, UINT16_MAX)) return false;
            break;
        case dtype::Integer:
            if (!ToWhole(copy, type, INT32_MIN, INT32_MAX)) return false;
            break;
        case dtype::Float: {
            double d = 0;
            if (!NumberOf(copy, d)) return false;
            Reset(copy, type);
            copy.SetDouble(d);
            break;
        }
        case dtype::Bcd: {
            double d = 0;
            if (copy.dataType != dtype::Bcd && !NumberOf(copy, d)) return false;
            int64_t whole = 0;
            int64_t scaled = 0;
            if (WholeOf(copy, whole)) {
                scaled = whole * kBcdScale;
            } else {
                double s = std::round(d * kBcdScale);
                if (std::fabs(s) > 9.2e18) return false;
                scaled = static_cast<int64_t>(s);
            }
            Reset(copy, type);
            copy.SetInt64(scaled);
            break;
        }
        case dtype::Boolean: {
            if (copy.dataType != dtype::String) return false;
            std::string text = Trimmed(copy.StringValue());
            bool truth = EqualsIgnoringCase(text, "TRUE");
            if (!truth && !EqualsIgnoringCase(text, "FALSE")) return false;
            Reset(copy, type);
            copy.SetInt16(truth ? int16_t{-1} : int16_t{0});
            break;
        }
        case dtype::Date: {
            int32_t day = 0;
            if (copy.dataType == dtype::Timestamp) {
                double d = copy.DoubleValue() / hollin::kMsPerDay;
                if (!std::isfinite(d) || d != std::trunc(d) || std::fabs(d) > INT32_MAX) return false;
                day = static_cast<int32_t>(d);
            } else if (copy.dataType != dtype::String || !hollin::TryParseDate(copy.StringValue(), day)) {
                return false;
            }
            Reset(copy, type);
            copy.SetInt32(day);
            break;
        }
        case dtype::Time: {
            int32_t ms = 0;
            if (copy.dataType != dtype::String || !hollin::TryParseTime(copy.StringValue(), ms)) return false;
            Reset(copy, type);
            copy.SetInt32(ms);
            break;
        }
        case dtype::Timestamp: {
            double ms = 0;
            if (copy.dataType == dtype::Date) {
                ms = static_cast<double>(copy.Int32Value()) * hollin::kMsPerDay;
            } else {
                hollin::TDateTime moment = 0;
                if (copy.dataType != dtype::String || !hollin::TryParseDateTime(copy.StringValue(), moment))
                    return false;
                ms = static_cast<double>(hollin::DayOf(moment)) * hollin::kMsPerDay + hollin::MsOfDay(moment);
            }
            Reset(copy, type);
            copy.SetDouble(ms);
            break;
        }
        default:
            return false;
    }
    copy.isNull = false;
    n = std::move(copy);
    return true;
}

bool StoreNodeValue(TDataFile& file, const FieldDescriptor& field, const TExpressionNode& value, uint8_t* image,
                    uint32_t owner) {
    if (field.IsAutoInc()) return true;
    const bool isNull = value.isNull || value.dataType == dtype::None;
    if (field.IsBlob()) {
        if (!isNull && value.dataType != dtype::String) return false;
        TBlobFile* blob = file.Blob();
        if (!blob) return false;
        uint32_t stored = FieldIsNull(field, image) ? 0 : GetUInt32Field(field, image);
        TBlobBuffer& buffer = blob->OpenBlob(field, stored, owner, BlobMode::Write);
        if (!isNull) {
            std::string text = value.StringValue();
            buffer.Write(0, text.data(), static_cast<uint32_t>(text.size()));
        }
        return true;
    }
    if (isNull) {
        ClearField(field, image);
        return true;
    }
    std::vector<uint8_t> bytes(field.width, 0);
    if (field.physType == phys::Bytes || field.physType == phys::VarBytes) {
        if (value.dataType != dtype::Bytes) return false;
        std::memcpy(bytes.data(), value.value.data(), std::min<std::size_t>(bytes.size(), kNodeValueSize));
        SetFieldBytes(field, image, bytes.data());
        return true;
    }
    if (field.physType == phys::Float10) return false;
    TExpressionNode v = value.ShallowCopy();
    if (!ConvertNodeValue(v, NodeTypeOfField(field.physType))) return false;
    switch (field.physType) {
        case phys::String: {
            std::string text = v.StringValue();
            if (text.size() > field.size) return false;
            SetStringField(field, image, text);
            return true;
        }
        case phys::Boolean: PutU16(bytes.data(), v.Int16Value() != 0 ? 1 : 0); break;
        case phys::Int16:
        case phys::Word: PutI16(bytes.data(), v.Int16Value()); break;
        case phys::UInt32:
            if (v.Int32Value() < 0) return false;
            PutI32(bytes.data(), v.Int32Value());
            break;
        case phys::Date:
        case phys::Time:
        case phys::Int32: PutI32(bytes.data(), v.Int32Value()); break;
        case phys::Float:
        case phys::DateTime: PutF64(bytes.data(), v.DoubleValue()); break;
        case phys::Bcd: {
            // Nodes scale BCD by 10 000; the field by 10^scale.
            long double scaled = static_cast<long double>(v.Int64Value()) / kBcdScale;
            for (uint8_t i = 0; i < field.scale; ++i) scaled *= 10;
            scaled = std::round(scaled);
            if (std::fabs(static_cast<double>(scaled)) > 9.2e18) return false;
            uint64_t stored = static_cast<uint64_t>(static_cast<int64_t>(scaled));
            PutU32(bytes.data(), static_cast<uint32_t>(stored));
            PutU32(bytes.data() + 4, static_cast<uint32_t>(stored >> 32));
            break;
        }
        default: return false;
    }
    SetFieldBytes(field, image, bytes.data());
    return true;
}

}  // namespace larch
