// TField: one field of a dataset's current record with typed access, and
// TFields, the dataset's list of them.
//
// A field holds no value of its own: it reads and writes the dataset's
// current record buffer through the dataset (GetFieldData/SetFieldData of
// the descendant, or the framework's calculated-field area). The value moves
// in its native form:
//
//   type                      bytes     native value
//   ftString                  Size + 1  text, zero-terminated (at most Size characters)
//   ftSmallint                2         int16
//   ftInteger, ftAutoInc      4         int32
//   ftWord                    2         uint16
//   ftBoolean                 2         int16, 0 false, 1 true
//   ftFloat, ftCurrency       8         double
//   ftBCD                     8         int64 scaled by 10^Size (Size = decimal places, 0..8)
//   ftDate                    4         int32 day number (date_time.h)
//   ftTime                    4         int32 milliseconds since midnight
//   ftDateTime                8         double, milliseconds since the start of day 0
//   ftBytes, ftVarBytes       Size      raw bytes
//   ftBlob, ftMemo, ftGraphic,
//   ftFmtMemo, ftTypedBinary  0         content through the dataset's blob stream
//
// Conversions: AsString of a date is "mm/dd/yyyy", of a time "hh:mm:ss", of
// a Boolean "True"/"False"; an empty text written to a non-string field makes
// it null. Texts that do not convert raise EConvertError ("'%s' is not a
// valid date"); numbers outside the type's range raise EDatabaseError ("%s is
// not a valid value for field '%s'. The allowed range is %s to %s"); types
// without a sensible conversion raise "Cannot access field '%s' as type %s".
// Writing outside Edit/Insert raises "Dataset not in edit or insert mode",
// writing a read-only field "Field '%s' cannot be modified".
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "dataset/dataset_types.h"
#include "dataset/date_time.h"

namespace hollin {

class TDataSet;
class TStream;

class TField {
public:
    TField(std::string fieldName, TFieldType dataType, int size = 0, TFieldKind kind = fkData);
    virtual ~TField() = default;
    TField(const TField&) = delete;
    TField& operator=(const TField&) = delete;

    const std::string& FieldName() const { return m_fieldName; }
    TFieldType DataType() const { return m_dataType; }
    int Size() const { return m_size; }
    TFieldKind FieldKind() const { return m_kind; }
    bool Calculated() const { return m_kind == fkCalculated; }
    bool IsBlob() const { return IsBlobType(m_dataType); }
    // Bytes of the native value (table above).
    std::size_t DataSize() const;
    // The field definition's number (1-based); 0 for a calculated field.
    int FieldNo() const { return m_fieldNo; }
    // Position in the dataset's Fields; -1 while the field belongs to none.
    int Index() const { return m_index; }
    TDataSet* DataSet() const { return m_dataSet; }

    bool ReadOnly() const { return m_readOnly; }
    void SetReadOnly(bool value) { m_readOnly = value; }
    // Informational: the framework does not check it (the engine does).
    bool Required() const { return m_required; }
    void SetRequired(bool value) { m_required = value; }
    bool Visible() const { return m_visible; }
    void SetVisible(bool value) { m_visible = value; }
    // The column title; the field name unless set.
    const std::string& DisplayLabel() const { return m_displayLabel.empty() ? m_fieldName : m_displayLabel; }
    void SetDisplayLabel(std::string value) { m_displayLabel = std::move(value); }

    bool IsNull() const;
    // Makes the field null (a blob field empty).
    void Clear();

    std::string AsString() const;
    void SetAsString(const std::string& value);
    int32_t AsInteger() const;
    void SetAsInteger(int32_t value);
    double AsFloat() const;
    void SetAsFloat(double value);
    bool AsBoolean() const;
    void SetAsBoolean(bool value);
    // Day number plus time of day (date_time.h).
    TDateTime AsDateTime() const;
    void SetAsDateTime(TDateTime value);
    // Whole day number.
    int32_t AsDate() const;
    void SetAsDate(int32_t dayNumber);
    // The bytes of a blob, ftBytes or ftVarBytes field (a string's text).
    std::vector<uint8_t> AsBytes() const;
    void SetAsBytes(const std::vector<uint8_t>& value);
    // Null, Boolean, integer (also a date's day number), float (Float,
    // Currency, BCD; TDateTime for Time and DateTime) or text.
    TFieldValue AsVariant() const;
    void SetAsVariant(const TFieldValue& value);

    // What a control shows: AsString, except blob, ftBytes and ftVarBytes
    // fields, which show their kind: "(MEMO)" with a value, "(Memo)" null.
    std::string DisplayText() const;

    // The native value into buffer (DataSize() bytes; may be null to ask for
    // the null state only); false when the field is null.
    bool GetData(void* buffer) const;
    // Writes the native value; nullptr makes the field null.
    void SetData(const void* buffer);

    // Blob fields: replace the content with the whole source stream (read
    // from its start) / append the content to the destination.
    void LoadFromStream(TStream& source);
    void SaveToStream(TStream& destination) const;
    // Reports a change written through a raw blob stream (CreateBlobStream):
    // marks the record modified and tells the data sources.
    void NotifyChanged();

    // Asks the control bound to this field to take the focus.
    void FocusControl();

private:
    friend class TDataSet;

    TDataSet& CheckDataSet() const;
    TFieldValue ReadValue() const;
    void WriteInteger(int64_t value);
    void WriteBlob(const void* data, std::size_t size);
    [[noreturn]] void AccessError(const char* typeName) const;
    [[noreturn]] void RangeError(const std::string& value, const std::string& min,
                                 const std::string& max) const;

    std::string m_fieldName;
    TFieldType m_dataType;
    int m_size;
    TFieldKind m_kind;
    bool m_readOnly = false;
    bool m_required = false;
    bool m_visible = true;
    std::string m_displayLabel;

    // Set while the field belongs to a dataset.
    TDataSet* m_dataSet = nullptr;
    int m_fieldNo = 0;
    int m_index = -1;
    std::size_t m_calcOffset = 0;  // a calculated field's place in the calculated-field area
};

// The fields of a dataset, in order; owned by the dataset.
class TFields {
public:
    int Count() const { return static_cast<int>(m_items.size()); }
    // "Field index out of range" outside 0..Count()-1.
    TField& operator[](int index) const;
    // Names compare ignoring letter case.
    TField* FindField(const std::string& name) const;
    // "Field '%s' not found" when absent.
    TField& FieldByName(const std::string& name) const;

private:
    friend class TDataSet;
    std::vector<std::unique_ptr<TField>> m_items;
};

}  // namespace hollin
