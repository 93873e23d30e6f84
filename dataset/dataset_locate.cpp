// TDataSet: Locate and Lookup by scanning the cursor's records.
#include "dataset/dataset.h"

#include <charconv>

#include "dataset/dataset_errors.h"

namespace hollin {
namespace {

std::string Upper(std::string s) {
    for (char& c : s) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return s;
}

std::string ValueText(const TFieldValue& value) {
    if (const auto* s = std::get_if<std::string>(&value)) return *s;
    if (const auto* i = std::get_if<int64_t>(&value)) return std::to_string(*i);
    if (const auto* b = std::get_if<bool>(&value)) return *b ? "True" : "False";
    if (const auto* d = std::get_if<double>(&value)) {
        char text[64];
        const auto end = std::to_chars(text, text + sizeof text, *d, std::chars_format::general, 15);
        return std::string(text, end.ptr);
    }
    return {};
}

bool IsTextField(const TField& field) {
    return field.DataType() == ftString || field.DataType() == ftMemo ||
           field.DataType() == ftFmtMemo;
}

// Whether the field's value in the record being looked at equals the key.
bool Matches(const TField& field, const TFieldValue& key, TLocateOptions options) {
    if (std::holds_alternative<std::monostate>(key)) return field.IsNull();
    if (field.IsNull()) return false;
    if (IsTextField(field) || std::holds_alternative<std::string>(key)) {
        std::string value = field.AsString();
        std::string wanted = ValueText(key);
        if (options.caseInsensitive) {
            value = Upper(value);
            wanted = Upper(wanted);
        }
        if (options.partialKey && IsTextField(field)) return value.compare(0, wanted.size(), wanted) == 0;
        return value == wanted;
    }
    if (const auto* b = std::get_if<bool>(&key)) return field.AsBoolean() == *b;
    const double wanted = std::holds_alternative<int64_t>(key)
                              ? static_cast<double>(std::get<int64_t>(key))
                              : std::get<double>(key);
    return field.AsFloat() == wanted;
}

}  // namespace

bool TDataSet::ScanForRecord(const std::vector<TField*>& fields,
                             const std::vector<TFieldValue>& values, TLocateOptions options) {
    if (fields.size() != values.size()) DatabaseError(text::KeyValueCount);
    TRecordBuffer scratch = m_buffers[static_cast<std::size_t>(m_recordCount)].get();
    CursorPosChanged();
    InternalFirst();
    BufferOverride scope(*this, scratch, false);
    while (FetchRecord(scratch, gmNext, true) == grOK) {
        bool all = true;
        for (std::size_t i = 0; i < fields.size() && all; ++i) {
            all = Matches(*fields[i], values[i], options);
        }
        if (all) return true;
    }
    return false;
}

bool TDataSet::Locate(const std::string& keyFields, const std::vector<TFieldValue>& keyValues,
                      TLocateOptions options) {
    CheckBrowseMode();
    const std::vector<TField*> fields = GetFieldList(keyFields);
    DoBeforeScroll();
    if (!ScanForRecord(fields, keyValues, options)) return false;
    Resync(rmExact | rmCenter);
    DoAfterScroll();
    return true;
}

std::vector<TFieldValue> TDataSet::Lookup(const std::string& keyFields,
                                          const std::vector<TFieldValue>& keyValues,
                                          const std::string& resultFields) {
    CheckBrowseMode();
    const std::vector<TField*> fields = GetFieldList(keyFields);
    const std::vector<TField*> results = GetFieldList(resultFields);
    std::vector<TFieldValue> values;
    if (ScanForRecord(fields, keyValues, {})) {
        BufferOverride scope(*this, m_buffers[static_cast<std::size_t>(m_recordCount)].get(), false);
        for (TField* field : results) values.push_back(field->AsVariant());
    }
    CursorPosChanged();
    return values;
}

}  // namespace hollin
