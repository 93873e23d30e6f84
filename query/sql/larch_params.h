// TLarchParam, one named parameter of a query, and TLarchParams, the query's
// owned list of them.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "dataset/dataset_types.h"
#include "dataset/date_time.h"
#include "engine/records/field_types.h"

namespace hollin {
class TField;
}

namespace larch {

// The parameter kind byte; the scan creates every parameter with kind 0.
inline constexpr uint8_t kParamKindUnknown = 0;

// The largest value the stored form of a parameter list accepts.
inline constexpr std::size_t kMaxParamDataSize = 2048;

// The texts of the parameters' own errors (EDatabaseError; %s the name).
namespace paramtext {
inline constexpr const char* NotFound = "Parameter '%s' not found";
inline constexpr const char* UnknownType = "Field '%s' is of unknown type";
inline constexpr const char* UnsupportedType = "Field '%s' is of an unsupported type";
inline constexpr const char* IndexError = "List index out of bounds (%s)";
}  // namespace paramtext

// One parameter: name, data type, value, null flag, bound flag and kind.
//
// The value is held as a hollin::TFieldValue in the same form a field's
// AsVariant gives it:
//   ftString, ftMemo, ftFmtMemo          text
//   ftBytes, ftVarBytes, other blob types the bytes, as a string
//   ftSmallint, ftInteger, ftWord,
//   ftAutoInc                            integer
//   ftDate                               integer day number
//   ftBoolean                            Boolean
//   ftFloat, ftCurrency, ftBCD           float (BCD rounded to 4 decimals)
//   ftTime, ftDateTime                   float TDateTime (a time is the fraction of a day)
// A null parameter holds no value (std::monostate).
class TLarchParam {
public:
    explicit TLarchParam(std::string name = {}, hollin::TFieldType dataType = hollin::ftUnknown,
                         uint8_t kind = kParamKindUnknown);

    const std::string& Name() const { return m_name; }
    void SetName(std::string name) { m_name = std::move(name); }
    hollin::TFieldType DataType() const { return m_dataType; }
    // Changes the type only; the value stays as it is.
    void SetDataType(hollin::TFieldType dataType) { m_dataType = dataType; }
    uint8_t Kind() const { return m_kind; }
    void SetKind(uint8_t kind) { m_kind = kind; }
    bool IsNull() const { return m_null; }
    // Whether a value was given to the parameter (not taken from a master).
    bool Bound() const { return m_bound; }
    void SetBound(bool bound) { m_bound = bound; }
    const hollin::TFieldValue& Value() const { return m_value; }

    // Setters: each sets the bound flag, clears the null flag, sets the data
    // type named beside it and stores the value.
    void SetAsString(const std::string& value);               // ftString
    void SetAsSmallInt(int16_t value);                        // ftSmallint
    void SetAsInteger(int32_t value);                         // ftInteger
    void SetAsWord(uint16_t value);                           // ftWord
    void SetAsBoolean(bool value);                            // ftBoolean
    void SetAsFloat(double value);                            // ftFloat
    void SetAsCurrency(double value);                         // ftCurrency
    void SetAsBCD(double value);                              // ftBCD, kept to 4 decimals
    void SetAsDate(int32_t dayNumber);                        // ftDate
    void SetAsTime(int32_t msOfDay);                          // ftTime
    void SetAsDateTime(hollin::TDateTime value);              // ftDateTime, kept to whole ms
    void SetAsBytes(const std::vector<uint8_t>& value);       // ftBytes
    void SetAsVarBytes(const std::vector<uint8_t>& value);    // ftVarBytes
    void SetAsMemo(const std::string& value);                 // ftMemo
    void SetAsBlob(const std::vector<uint8_t>& value);        // ftBlob
    // Stores a value of the given type in the form described above; a null
    // value makes the parameter null. Sets the bound flag.
    void SetValue(hollin::TFieldType dataType, const hollin::TFieldValue& value);

    // Makes the parameter null with no value; type, name and bound stay.
    void Clear();

    // Getters convert from whatever the value holds; a null parameter gives
    // 0, false, "" or no bytes. A text that does not convert raises
    // EConvertError ("'%s' is not a valid integer value", ... date, time).
    std::string AsString() const;
    int32_t AsInteger() const;
    double AsFloat() const;
    bool AsBoolean() const;
    int32_t AsDate() const;         // day number
    int32_t AsTime() const;         // milliseconds since midnight
    hollin::TDateTime AsDateTime() const;
    std::vector<uint8_t> AsBytes() const;

    // Copies name, data type, value, null flag, bound flag and kind.
    void Assign(const TLarchParam& source);
    // Takes the field's name, data type and current value (null when the
    // field is null). The bound flag is left alone, so a parameter filled
    // from a master's field stays unbound and is filled again next time.
    void AssignField(const hollin::TField& field);

    // The engine type (physical type code and subtype) of the data type;
    // type 0 for ftUnknown.
    PhysicalType EngineType() const { return PhysicalTypeOf(m_dataType); }
    // Bytes of the value in the engine format: text length + 1 for ftString,
    // ftMemo and ftFmtMemo; 2 for ftSmallint, ftWord, ftBoolean; 4 for
    // ftInteger, ftAutoInc, ftDate, ftTime; 8 for ftFloat, ftCurrency, ftBCD,
    // ftDateTime; the byte count for ftBytes, ftVarBytes and the other blob
    // types. Raises EDatabaseError "Field '%s' is of unknown type" for
    // ftUnknown.
    std::size_t DataSize() const;
    // The value in the engine format (DataSize() bytes, little-endian): text
    // zero-terminated, integers two's complement, a Boolean 0/1 in 16 bits,
    // a date its 32-bit day number, a time 32-bit milliseconds, a date-time a
    // double of milliseconds since day 0, BCD a 64-bit integer scaled by
    // 10 000, bytes as they are. All zero for a null parameter. Raises as
    // DataSize, and EConvertError when the value does not convert.
    std::vector<uint8_t> EngineData() const;

    // Same name (case-sensitive), data type, kind, null flag, bound flag and
    // value (same alternative and equal content).
    friend bool operator==(const TLarchParam& a, const TLarchParam& b);

private:
    void Store(hollin::TFieldType dataType, hollin::TFieldValue value);

    std::string m_name;
    hollin::TFieldType m_dataType;
    hollin::TFieldValue m_value;
    bool m_null = true;
    bool m_bound = false;
    uint8_t m_kind;
};

// The owned list of a query's parameters, in text order. Names may repeat
// (one parameter per marker); every indexed access (Items, comparing,
// storing) goes through the entry's name and ParamByName, so parameters of
// one name all act as the first of them.
class TLarchParams {
public:
    TLarchParams() = default;
    TLarchParams(TLarchParams&&) noexcept = default;
    TLarchParams& operator=(TLarchParams&&) noexcept = default;
    TLarchParams(const TLarchParams&) = delete;
    TLarchParams& operator=(const TLarchParams&) = delete;

    int Count() const { return static_cast<int>(m_items.size()); }
    // Appends a new parameter and returns it.
    TLarchParam& Add(const std::string& name, hollin::TFieldType dataType = hollin::ftUnknown,
                     uint8_t kind = kParamKindUnknown);
    void Clear() { m_items.clear(); }

    // The parameter that acts for entry `index`: the first one of the
    // entry's name. Raises EDatabaseError "List index out of bounds (%s)"
    // outside 0..Count()-1.
    TLarchParam& Items(int index) const;
    // The entry itself, for code that fills the list (loading, rebuilding).
    TLarchParam& Entry(int index) const;

    // The first parameter whose name matches ignoring case; nullptr if none.
    TLarchParam* FindParam(const std::string& name) const;
    // As FindParam; raises EDatabaseError "Parameter '%s' not found".
    TLarchParam& ParamByName(const std::string& name) const;

    // Every entry takes name, type, value, null, bound and kind of the first
    // parameter of `source` with exactly the same name (case-sensitive);
    // entries without one keep theirs.
    void AssignValues(const TLarchParams& source);

    // Same count, and Items(i) of both equal for every i.
    friend bool operator==(const TLarchParams& a, const TLarchParams& b);

private:
    std::vector<std::unique_ptr<TLarchParam>> m_items;
};

}  // namespace larch
