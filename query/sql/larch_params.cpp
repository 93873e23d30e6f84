// Query parameters: values, conversions, the engine format, and the list
// with its lookup by name.
#include "query/sql/larch_params.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "dataset/dataset_errors.h"
#include "dataset/field.h"
#include "dataset/field_defs.h"
#include "query/expr/number_text.h"

namespace larch {

using namespace hollin;

namespace {

// BCD values travel as integers scaled by 10 000 (4 decimal places).
constexpr double kBcdScale = 10000.0;

template <typename T>
void Put(std::vector<uint8_t>& out, T value) {
    uint8_t bytes[sizeof(T)];
    std::memcpy(bytes, &value, sizeof(T));  // the host is little-endian, as the engine's files
    out.insert(out.end(), bytes, bytes + sizeof(T));
}

std::string NumberText(double value) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.15g", value);
    return buffer;
}

int32_t ClampToInt32(int64_t value) {
    if (value < INT32_MIN) return INT32_MIN;
    if (value > INT32_MAX) return INT32_MAX;
    return static_cast<int32_t>(value);
}

int32_t RoundToInt32(double value) {
    if (!std::isfinite(value)) return 0;
    const double rounded = std::round(value);
    if (rounded < INT32_MIN) return INT32_MIN;
    if (rounded > INT32_MAX) return INT32_MAX;
    return static_cast<int32_t>(rounded);
}

}  // namespace

TLarchParam::TLarchParam(std::string name, TFieldType dataType, uint8_t kind)
    : m_name(std::move(name)), m_dataType(dataType), m_kind(kind) {}

void TLarchParam::Store(TFieldType dataType, TFieldValue value) {
    m_dataType = dataType;
    m_null = std::holds_alternative<std::monostate>(value);
    m_value = std::move(value);
    m_bound = true;
}

void TLarchParam::SetAsString(const std::string& value) { Store(ftString, value); }
void TLarchParam::SetAsSmallInt(int16_t value) { Store(ftSmallint, int64_t{value}); }
void TLarchParam::SetAsInteger(int32_t value) { Store(ftInteger, int64_t{value}); }
void TLarchParam::SetAsWord(uint16_t value) { Store(ftWord, int64_t{value}); }
void TLarchParam::SetAsBoolean(bool value) { Store(ftBoolean, value); }
void TLarchParam::SetAsFloat(double value) { Store(ftFloat, value); }
void TLarchParam::SetAsCurrency(double value) { Store(ftCurrency, value); }
void TLarchParam::SetAsBCD(double value) {
    // Kept at the precision the engine receives, so a stored value reads back equal.
    Store(ftBCD, std::round(value * kBcdScale) / kBcdScale);
}
void TLarchParam::SetAsDate(int32_t dayNumber) { Store(ftDate, int64_t{dayNumber}); }
void TLarchParam::SetAsTime(int32_t msOfDay) { Store(ftTime, MakeDateTime(0, msOfDay)); }
void TLarchParam::SetAsDateTime(TDateTime value) {
    // Whole milliseconds, as the engine keeps it, so a stored value reads back equal.
    Store(ftDateTime, std::isfinite(value) ? std::round(value * kMsPerDay) / kMsPerDay : 0.0);
}
void TLarchParam::SetAsBytes(const std::vector<uint8_t>& value) {
    Store(ftBytes, std::string(value.begin(), value.end()));
}
void TLarchParam::SetAsVarBytes(const std::vector<uint8_t>& value) {
    Store(ftVarBytes, std::string(value.begin(), value.end()));
}
void TLarchParam::SetAsMemo(const std::string& value) { Store(ftMemo, value); }
void TLarchParam::SetAsBlob(const std::vector<uint8_t>& value) {
    Store(ftBlob, std::string(value.begin(), value.end()));
}

void TLarchParam::SetValue(TFieldType dataType, const TFieldValue& value) { Store(dataType, value); }

void TLarchParam::Clear() {
    m_null = true;
    m_value = std::monostate{};
}

std::string TLarchParam::AsString() const {
    if (const auto* s = std::get_if<std::string>(&m_value)) return *s;
    if (const auto* b = std::get_if<bool>(&m_value)) return *b ? "True" : "False";
    if (const auto* i = std::get_if<int64_t>(&m_value)) {
        if (m_dataType == ftDate) return FormatDate(ClampToInt32(*i));
        return std::to_string(*i);
    }
    if (const auto* d = std::get_if<double>(&m_value)) {
        if (m_dataType == ftDate) return FormatDate(DayOf(*d));
        if (m_dataType == ftTime) return FormatTime(MsOfDay(*d));
        if (m_dataType == ftDateTime) return FormatDateTime(*d);
        return NumberText(*d);
    }
    return {};
}

int32_t TLarchParam::AsInteger() const {
    if (const auto* i = std::get_if<int64_t>(&m_value)) return ClampToInt32(*i);
    if (const auto* b = std::get_if<bool>(&m_value)) return *b ? 1 : 0;
    if (const auto* d = std::get_if<double>(&m_value)) return RoundToInt32(*d);
    if (const auto* s = std::get_if<std::string>(&m_value)) {
        int64_t value = 0;
        if (!ParseWholeNumber(*s, value) || value < INT32_MIN || value > INT32_MAX) {
            ConvertErrorFmt(text::InvalidInteger, {*s});
        }
        return static_cast<int32_t>(value);
    }
    return 0;
}

double TLarchParam::AsFloat() const {
    if (const auto* d = std::get_if<double>(&m_value)) return *d;
    if (const auto* i = std::get_if<int64_t>(&m_value)) return static_cast<double>(*i);
    if (const auto* b = std::get_if<bool>(&m_value)) return *b ? 1.0 : 0.0;
    if (const auto* s = std::get_if<std::string>(&m_value)) {
        double value = 0;
        if (!ParseDecimalNumber(*s, value)) ConvertErrorFmt(text::InvalidFloat, {*s});
        return value;
    }
    return 0.0;
}

bool TLarchParam::AsBoolean() const {
    if (const auto* b = std::get_if<bool>(&m_value)) return *b;
    if (const auto* i = std::get_if<int64_t>(&m_value)) return *i != 0;
    if (const auto* d = std::get_if<double>(&m_value)) return *d != 0.0;
    if (const auto* s = std::get_if<std::string>(&m_value)) {
        if (SameName(*s, "True")) return true;
        if (SameName(*s, "False")) return false;
        ConvertErrorFmt(text::InvalidBoolean, {*s});
    }
    return false;
}

int32_t TLarchParam::AsDate() const {
    if (const auto* i = std::get_if<int64_t>(&m_value)) return ClampToInt32(*i);
    if (const auto* d = std::get_if<double>(&m_value)) return DayOf(*d);
    if (const auto* s = std::get_if<std::string>(&m_value)) {
        int32_t day = 0;
        if (!TryParseDate(*s, day)) ConvertErrorFmt(text::InvalidDate, {*s});
        return day;
    }
    return 0;
}

int32_t TLarchParam::AsTime() const {
    if (const auto* d = std::get_if<double>(&m_value)) return MsOfDay(*d);
    if (const auto* s = std::get_if<std::string>(&m_value)) {
        int32_t ms = 0;
        if (!TryParseTime(*s, ms)) ConvertErrorFmt(text::InvalidTime, {*s});
        return ms;
    }
    return 0;  // a whole day number has no time of day
}

TDateTime TLarchParam::AsDateTime() const {
    if (const auto* d = std::get_if<double>(&m_value)) return *d;
    if (const auto* i = std::get_if<int64_t>(&m_value)) return static_cast<double>(*i);
    if (const auto* s = std::get_if<std::string>(&m_value)) {
        TDateTime value = 0;
        if (!TryParseDateTime(*s, value)) ConvertErrorFmt(text::InvalidDateTime, {*s});
        return value;
    }
    return 0.0;
}

std::vector<uint8_t> TLarchParam::AsBytes() const {
    if (const auto* s = std::get_if<std::string>(&m_value)) return {s->begin(), s->end()};
    const std::string text = AsString();
    return {text.begin(), text.end()};
}

void TLarchParam::Assign(const TLarchParam& source) {
    if (&source == this) return;
    m_name = source.m_name;
    m_dataType = source.m_dataType;
    m_value = source.m_value;
    m_null = source.m_null;
    m_bound = source.m_bound;
    m_kind = source.m_kind;
}

void TLarchParam::AssignField(const TField& field) {
    m_name = field.FieldName();
    m_dataType = field.DataType();
    m_value = field.AsVariant();
    m_null = std::holds_alternative<std::monostate>(m_value);
}

std::size_t TLarchParam::DataSize() const {
    if (std::size_t fixed = FixedDataSize(m_dataType)) return fixed;
    switch (m_dataType) {
        case ftString:
        case ftMemo:
        case ftFmtMemo: return AsString().size() + 1;
        case ftBytes:
        case ftVarBytes:
        case ftBlob:
        case ftGraphic:
        case ftTypedBinary: return AsBytes().size();
        case ftUnknown: DatabaseErrorFmt(paramtext::UnknownType, {m_name});
        default: DatabaseErrorFmt(paramtext::UnsupportedType, {m_name});
    }
}

std::vector<uint8_t> TLarchParam::EngineData() const {
    const std::size_t size = DataSize();
    if (m_null) return std::vector<uint8_t>(size, 0);
    std::vector<uint8_t> out;
    out.reserve(size);
    switch (m_dataType) {
        case ftString:
        case ftMemo:
        case ftFmtMemo: {
            const std::string text = AsString();
            out.assign(text.begin(), text.end());
            out.push_back(0);
            break;
        }
        case ftSmallint: Put(out, static_cast<int16_t>(AsInteger())); break;
        case ftWord: Put(out, static_cast<uint16_t>(AsInteger())); break;
        case ftBoolean: Put(out, static_cast<int16_t>(AsBoolean() ? 1 : 0)); break;
        case ftInteger:
        case ftAutoInc: Put(out, AsInteger()); break;
        case ftDate: Put(out, AsDate()); break;
        case ftTime: Put(out, AsTime()); break;
        case ftFloat:
        case ftCurrency: Put(out, AsFloat()); break;
        case ftBCD: Put(out, static_cast<int64_t>(std::llround(AsFloat() * kBcdScale))); break;
        case ftDateTime: Put(out, std::round(AsDateTime() * kMsPerDay)); break;
        default: out = AsBytes(); break;
    }
    return out;
}

bool operator==(const TLarchParam& a, const TLarchParam& b) {
    return a.m_name == b.m_name && a.m_dataType == b.m_dataType && a.m_kind == b.m_kind &&
           a.m_null == b.m_null && a.m_bound == b.m_bound && a.m_value == b.m_value;
}

TLarchParam& TLarchParams::Add(const std::string& name, TFieldType dataType, uint8_t kind) {
    m_items.push_back(std::make_unique<TLarchParam>(name, dataType, kind));
    return *m_items.back();
}

TLarchParam& TLarchParams::Entry(int index) const {
    if (index < 0 || index >= Count()) DatabaseErrorFmt(paramtext::IndexError, {std::to_string(index)});
    return *m_items[static_cast<std::size_t>(index)];
}

TLarchParam& TLarchParams::Items(int index) const { return ParamByName(Entry(index).Name()); }

TLarchParam* TLarchParams::FindParam(const std::string& name) const {
    for (const auto& param : m_items) {
        if (SameName(param->Name(), name)) return param.get();
    }
    return nullptr;
}

TLarchParam& TLarchParams::ParamByName(const std::string& name) const {
    TLarchParam* param = FindParam(name);
    if (param == nullptr) DatabaseErrorFmt(paramtext::NotFound, {name});
    return *param;
}

void TLarchParams::AssignValues(const TLarchParams& source) {
    for (const auto& param : m_items) {
        for (const auto& candidate : source.m_items) {
            if (candidate->Name() == param->Name()) {
                param->Assign(*candidate);
                break;
            }
        }
    }
}

bool operator==(const TLarchParams& a, const TLarchParams& b) {
    if (a.Count() != b.Count()) return false;
    for (int i = 0; i < a.Count(); ++i) {
        if (!(a.Items(i) == b.Items(i))) return false;
    }
    return true;
}

}  // namespace larch
