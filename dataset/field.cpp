// Typed access to a field of the current record.
#include "dataset/field.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>

#include "dataset/dataset.h"
#include "dataset/dataset_errors.h"
#include "dataset/field_defs.h"

namespace hollin {
namespace {

std::string_view Trim(std::string_view s) {
    while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
    while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
    return s;
}

std::string FormatFloat(double value) {
    char text[64];
    const auto result = std::to_chars(text, text + sizeof text, value,
                                      std::chars_format::general, 15);
    return std::string(text, result.ptr);
}

bool ParseInteger(std::string_view s, int64_t& value) {
    s = Trim(s);
    if (!s.empty() && s.front() == '+') s.remove_prefix(1);
    const auto result = std::from_chars(s.data(), s.data() + s.size(), value);
    return !s.empty() && result.ec == std::errc() && result.ptr == s.data() + s.size();
}

bool ParseFloat(std::string_view s, double& value) {
    s = Trim(s);
    if (!s.empty() && s.front() == '+') s.remove_prefix(1);
    const auto result = std::from_chars(s.data(), s.data() + s.size(), value);
    return !s.empty() && result.ec == std::errc() && result.ptr == s.data() + s.size() &&
           std::isfinite(value);
}

bool ParseBoolean(std::string_view s, bool& value) {
    static constexpr const char* kTrue[] = {"TRUE", "T", "YES", "Y", "1"};
    static constexpr const char* kFalse[] = {"FALSE", "F", "NO", "N", "0"};
    std::string upper(Trim(s));
    for (char& c : upper) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    for (const char* t : kTrue) {
        if (upper == t) return value = true, true;
    }
    for (const char* f : kFalse) {
        if (upper == f) return value = false, true;
    }
    return false;
}

double Pow10(int exponent) {
    double result = 1;
    for (int i = 0; i < exponent; ++i) result *= 10;
    return result;
}

template <typename T>
T Load(const uint8_t* bytes) {
    T value;
    std::memcpy(&value, bytes, sizeof value);
    return value;
}

template <typename T>
void Store(uint8_t* bytes, T value) {
    std::memcpy(bytes, &value, sizeof value);
}

}  // namespace

TField::TField(std::string fieldName, TFieldType dataType, int size, TFieldKind kind)
    : m_fieldName(std::move(fieldName)), m_dataType(dataType), m_size(size < 0 ? 0 : size),
      m_kind(kind) {}

std::size_t TField::DataSize() const {
    switch (m_dataType) {
        case ftString: return static_cast<std::size_t>(m_size) + 1;
        case ftBytes:
        case ftVarBytes: return static_cast<std::size_t>(m_size);
        default: return FixedDataSize(m_dataType);
    }
}

TDataSet& TField::CheckDataSet() const {
    if (m_dataSet == nullptr) DatabaseErrorFmt(text::FieldWithoutDataSet, {m_fieldName});
    return *m_dataSet;
}

bool TField::GetData(void* buffer) const {
    return m_dataSet != nullptr && m_dataSet->ReadFieldData(*this, buffer);
}

void TField::SetData(const void* buffer) { CheckDataSet().WriteFieldData(*this, buffer); }

bool TField::IsNull() const { return !GetData(nullptr); }

void TField::Clear() {
    if (IsBlob()) {
        WriteBlob(nullptr, 0);
    } else {
        SetData(nullptr);
    }
}

TFieldValue TField::ReadValue() const {
    if (IsBlob()) {
        if (IsNull()) return {};
        auto stream = CheckDataSet().CreateBlobStream(const_cast<TField&>(*this), bmRead);
        const std::vector<uint8_t> bytes = stream->ReadRest();
        return std::string(bytes.begin(), bytes.end());
    }
    std::vector<uint8_t> bytes(DataSize() + 1, 0);
    if (!GetData(bytes.data())) return {};
    const uint8_t* p = bytes.data();
    switch (m_dataType) {
        case ftString: {
            const auto* text = reinterpret_cast<const char*>(p);
            return std::string(text, strnlen(text, static_cast<std::size_t>(m_size)));
        }
        case ftSmallint:
        case ftBoolean: {
            const int16_t v = Load<int16_t>(p);
            if (m_dataType == ftBoolean) return v != 0;
            return int64_t{v};
        }
        case ftWord: return int64_t{Load<uint16_t>(p)};
        case ftInteger:
        case ftAutoInc:
        case ftDate: return int64_t{Load<int32_t>(p)};
        case ftTime: return static_cast<double>(Load<int32_t>(p)) / kMsPerDay;
        case ftFloat:
        case ftCurrency: return Load<double>(p);
        case ftBCD: return static_cast<double>(Load<int64_t>(p)) / Pow10(m_size);
        case ftDateTime: return Load<double>(p) / kMsPerDay;
        case ftBytes:
        case ftVarBytes: return std::string(reinterpret_cast<const char*>(p), DataSize());
        default: return {};
    }
}

void TField::AccessError(const char* typeName) const {
    DatabaseErrorFmt(text::FieldAccessError, {m_fieldName, typeName});
}

void TField::RangeError(const std::string& value, const std::string& min,
                        const std::string& max) const {
    DatabaseErrorFmt(text::FieldRangeError, {value, m_fieldName, min, max});
}

std::string TField::AsString() const {
    const TFieldValue value = ReadValue();
    if (std::holds_alternative<std::monostate>(value)) return {};
    switch (m_dataType) {
        case ftDate: return FormatDate(static_cast<int32_t>(std::get<int64_t>(value)));
        case ftTime: return FormatTime(MsOfDay(std::get<double>(value)));
        case ftDateTime: return FormatDateTime(std::get<double>(value));
        default: break;
    }
    if (const auto* s = std::get_if<std::string>(&value)) return *s;
    if (const auto* i = std::get_if<int64_t>(&value)) return std::to_string(*i);
    if (const auto* b = std::get_if<bool>(&value)) return *b ? "True" : "False";
    return FormatFloat(std::get<double>(value));
}

std::string TField::DisplayText() const {
    if (IsBlob() || m_dataType == ftBytes || m_dataType == ftVarBytes) {
        std::string kind = FieldTypeName(m_dataType);
        if (!IsNull()) {
            for (char& c : kind) {
                if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
            }
        }
        return "(" + kind + ")";
    }
    return AsString();
}

int32_t TField::AsInteger() const {
    const TFieldValue value = ReadValue();
    if (std::holds_alternative<std::monostate>(value)) return 0;
    if (IsBlob()) AccessError("Integer");
    int64_t result = 0;
    if (const auto* i = std::get_if<int64_t>(&value)) {
        result = *i;
    } else if (const auto* b = std::get_if<bool>(&value)) {
        result = *b ? 1 : 0;
    } else if (const auto* d = std::get_if<double>(&value)) {
        const double rounded = std::round(*d);
        if (!(rounded >= INT32_MIN && rounded <= INT32_MAX)) {
            RangeError(FormatFloat(*d), std::to_string(INT32_MIN), std::to_string(INT32_MAX));
        }
        result = static_cast<int64_t>(rounded);
    } else if (!ParseInteger(std::get<std::string>(value), result)) {
        ConvertErrorFmt(text::InvalidInteger, {std::get<std::string>(value)});
    }
    if (result < INT32_MIN || result > INT32_MAX) {
        RangeError(std::to_string(result), std::to_string(INT32_MIN), std::to_string(INT32_MAX));
    }
    return static_cast<int32_t>(result);
}

double TField::AsFloat() const {
    const TFieldValue value = ReadValue();
    if (std::holds_alternative<std::monostate>(value)) return 0;
    if (IsBlob()) AccessError("Float");
    if (const auto* i = std::get_if<int64_t>(&value)) return static_cast<double>(*i);
    if (const auto* b = std::get_if<bool>(&value)) return *b ? 1 : 0;
    if (const auto* d = std::get_if<double>(&value)) return *d;
    double result = 0;
    if (!ParseFloat(std::get<std::string>(value), result)) {
        ConvertErrorFmt(text::InvalidFloat, {std::get<std::string>(value)});
    }
    return result;
}

bool TField::AsBoolean() const {
    const TFieldValue value = ReadValue();
    if (std::holds_alternative<std::monostate>(value)) return false;
    if (IsBlob()) AccessError("Boolean");
    if (const auto* b = std::get_if<bool>(&value)) return *b;
    if (const auto* i = std::get_if<int64_t>(&value)) return *i != 0;
    if (const auto* d = std::get_if<double>(&value)) return *d != 0;
    bool result = false;
    if (!ParseBoolean(std::get<std::string>(value), result)) {
        ConvertErrorFmt(text::InvalidBoolean, {std::get<std::string>(value)});
    }
    return result;
}

TDateTime TField::AsDateTime() const {
    const TFieldValue value = ReadValue();
    if (std::holds_alternative<std::monostate>(value)) return 0;
    if (IsBlob() || m_dataType == ftBoolean) AccessError("DateTime");
    if (const auto* i = std::get_if<int64_t>(&value)) return static_cast<double>(*i);
    if (const auto* d = std::get_if<double>(&value)) return *d;
    TDateTime result = 0;
    if (!TryParseDateTime(std::get<std::string>(value), result)) {
        ConvertErrorFmt(text::InvalidDateTime, {std::get<std::string>(value)});
    }
    return result;
}

int32_t TField::AsDate() const { return DayOf(AsDateTime()); }

std::vector<uint8_t> TField::AsBytes() const {
    const TFieldValue value = ReadValue();
    if (const auto* s = std::get_if<std::string>(&value)) return {s->begin(), s->end()};
    if (std::holds_alternative<std::monostate>(value)) return {};
    AccessError("Bytes");
}

TFieldValue TField::AsVariant() const { return ReadValue(); }

void TField::WriteBlob(const void* data, std::size_t size) {
    TDataSet& dataSet = CheckDataSet();
    {
        auto stream = dataSet.CreateBlobStream(*this, bmWrite);
        stream->WriteBuffer(data, size);
    }
    NotifyChanged();
}

void TField::NotifyChanged() { CheckDataSet().DataEvent(deFieldChange, this); }

void TField::FocusControl() { CheckDataSet().DataEvent(deFocusControl, this); }

void TField::LoadFromStream(TStream& source) {
    if (!IsBlob()) AccessError("Blob");
    TDataSet& dataSet = CheckDataSet();
    {
        auto stream = dataSet.CreateBlobStream(*this, bmWrite);
        stream->CopyFrom(source, 0);
    }
    NotifyChanged();
}

void TField::SaveToStream(TStream& destination) const {
    if (!IsBlob()) AccessError("Blob");
    auto stream = CheckDataSet().CreateBlobStream(const_cast<TField&>(*this), bmRead);
    const std::vector<uint8_t> bytes = stream->ReadRest();
    destination.WriteBuffer(bytes.data(), bytes.size());
}

void TField::WriteInteger(int64_t value) {
    uint8_t bytes[8] = {};
    const auto check = [&](int64_t min, int64_t max) {
        if (value < min || value > max) {
            RangeError(std::to_string(value), std::to_string(min), std::to_string(max));
        }
    };
    switch (m_dataType) {
        case ftSmallint:
            check(INT16_MIN, INT16_MAX);
            Store(bytes, static_cast<int16_t>(value));
            break;
        case ftWord:
            check(0, UINT16_MAX);
            Store(bytes, static_cast<uint16_t>(value));
            break;
        case ftInteger:
        case ftAutoInc:
            check(INT32_MIN, INT32_MAX);
            Store(bytes, static_cast<int32_t>(value));
            break;
        case ftBoolean: Store(bytes, static_cast<int16_t>(value != 0 ? 1 : 0)); break;
        case ftDate:
            check(kMinDay, kMaxDay);
            Store(bytes, static_cast<int32_t>(value));
            break;
        case ftFloat:
        case ftCurrency:
        case ftBCD:
        case ftDateTime: SetAsFloat(static_cast<double>(value)); return;
        case ftString: SetAsString(std::to_string(value)); return;
        default: AccessError("Integer");
    }
    SetData(bytes);
}

void TField::SetAsInteger(int32_t value) { WriteInteger(value); }

void TField::SetAsFloat(double value) {
    uint8_t bytes[8] = {};
    switch (m_dataType) {
        case ftFloat:
        case ftCurrency:
            if (!std::isfinite(value)) RangeError(FormatFloat(value), "-1.7E308", "1.7E308");
            Store(bytes, value);
            break;
        case ftBCD: {
            const double scaled = std::round(value * Pow10(m_size));
            // 9.2E18 keeps the scaled value inside int64.
            if (!(std::fabs(scaled) < 9.2e18)) {
                RangeError(FormatFloat(value), FormatFloat(-9.2e18 / Pow10(m_size)),
                           FormatFloat(9.2e18 / Pow10(m_size)));
            }
            Store(bytes, static_cast<int64_t>(scaled));
            break;
        }
        case ftDate:
        case ftTime:
        case ftDateTime: SetAsDateTime(value); return;
        case ftSmallint:
        case ftWord:
        case ftInteger:
        case ftAutoInc:
        case ftBoolean: {
            const double rounded = std::round(value);
            if (!(std::fabs(rounded) < 9.2e18)) {
                RangeError(FormatFloat(value), std::to_string(INT32_MIN), std::to_string(INT32_MAX));
            }
            WriteInteger(static_cast<int64_t>(rounded));
            return;
        }
        case ftString: SetAsString(FormatFloat(value)); return;
        default: AccessError("Float");
    }
    SetData(bytes);
}

void TField::SetAsBoolean(bool value) {
    switch (m_dataType) {
        case ftBoolean:
        case ftSmallint:
        case ftWord:
        case ftInteger: WriteInteger(value ? 1 : 0); return;
        case ftString: SetAsString(value ? "True" : "False"); return;
        default: AccessError("Boolean");
    }
}

void TField::SetAsDateTime(TDateTime value) {
    if (!std::isfinite(value)) RangeError(FormatFloat(value), "1", std::to_string(kMaxDay + 1));
    uint8_t bytes[8] = {};
    switch (m_dataType) {
        case ftDate: WriteInteger(DayOf(value)); return;
        case ftTime: Store(bytes, MsOfDay(value)); break;
        case ftDateTime: {
            const int32_t day = DayOf(value);
            if (day < kMinDay || day > kMaxDay) {
                RangeError(FormatFloat(value), "1", std::to_string(kMaxDay + 1));
            }
            Store(bytes, static_cast<double>(day) * kMsPerDay + MsOfDay(value));
            break;
        }
        case ftFloat:
        case ftCurrency:
        case ftBCD: SetAsFloat(value); return;
        case ftString: SetAsString(FormatDateTime(value)); return;
        default: AccessError("DateTime");
    }
    SetData(bytes);
}

void TField::SetAsDate(int32_t dayNumber) { SetAsDateTime(dayNumber); }

void TField::SetAsString(const std::string& value) {
    if (m_dataType == ftString) {
        std::vector<uint8_t> bytes(DataSize(), 0);
        std::memcpy(bytes.data(), value.data(), std::min(value.size(), static_cast<std::size_t>(m_size)));
        SetData(bytes.data());
        return;
    }
    if (IsBlob() || m_dataType == ftBytes || m_dataType == ftVarBytes) {
        SetAsBytes({value.begin(), value.end()});
        return;
    }
    if (Trim(value).empty()) {
        Clear();
        return;
    }
    switch (m_dataType) {
        case ftSmallint:
        case ftWord:
        case ftInteger:
        case ftAutoInc: {
            int64_t v = 0;
            if (!ParseInteger(value, v)) ConvertErrorFmt(text::InvalidInteger, {value});
            WriteInteger(v);
            return;
        }
        case ftFloat:
        case ftCurrency:
        case ftBCD: {
            double v = 0;
            if (!ParseFloat(value, v)) ConvertErrorFmt(text::InvalidFloat, {value});
            SetAsFloat(v);
            return;
        }
        case ftBoolean: {
            bool v = false;
            if (!ParseBoolean(value, v)) ConvertErrorFmt(text::InvalidBoolean, {value});
            WriteInteger(v ? 1 : 0);
            return;
        }
        case ftDate: {
            int32_t day = 0;
            if (!TryParseDate(value, day)) ConvertErrorFmt(text::InvalidDate, {value});
            WriteInteger(day);
            return;
        }
        case ftTime: {
            int32_t ms = 0;
            if (!TryParseTime(value, ms)) ConvertErrorFmt(text::InvalidTime, {value});
            uint8_t bytes[4];
            Store(bytes, ms);
            SetData(bytes);
            return;
        }
        case ftDateTime: {
            TDateTime v = 0;
            if (!TryParseDateTime(value, v)) ConvertErrorFmt(text::InvalidDateTime, {value});
            SetAsDateTime(v);
            return;
        }
        default: AccessError("String");
    }
}

void TField::SetAsBytes(const std::vector<uint8_t>& value) {
    if (IsBlob()) {
        WriteBlob(value.data(), value.size());
        return;
    }
    if (m_dataType == ftBytes || m_dataType == ftVarBytes) {
        std::vector<uint8_t> bytes(DataSize(), 0);
        std::memcpy(bytes.data(), value.data(), std::min(value.size(), bytes.size()));
        SetData(bytes.data());
        return;
    }
    if (m_dataType == ftString) {
        SetAsString(std::string(value.begin(), value.end()));
        return;
    }
    AccessError("Bytes");
}

void TField::SetAsVariant(const TFieldValue& value) {
    if (std::holds_alternative<std::monostate>(value)) {
        Clear();
    } else if (const auto* b = std::get_if<bool>(&value)) {
        SetAsBoolean(*b);
    } else if (const auto* i = std::get_if<int64_t>(&value)) {
        WriteInteger(*i);
    } else if (const auto* d = std::get_if<double>(&value)) {
        SetAsFloat(*d);
    } else {
        SetAsString(std::get<std::string>(value));
    }
}

TField& TFields::operator[](int index) const {
    if (index < 0 || index >= Count()) DatabaseError(text::FieldIndexError);
    return *m_items[static_cast<std::size_t>(index)];
}

TField* TFields::FindField(const std::string& name) const {
    for (const auto& field : m_items) {
        if (SameName(field->FieldName(), name)) return field.get();
    }
    return nullptr;
}

TField& TFields::FieldByName(const std::string& name) const {
    TField* field = FindField(name);
    if (field == nullptr) DatabaseErrorFmt(text::FieldNotFound, {name});
    return *field;
}

}  // namespace hollin
