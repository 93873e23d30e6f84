// The dataset layer's error texts and the helpers that raise them.
#pragma once

#include <initializer_list>
#include <stdexcept>
#include <string>
#include <string_view>

#include "dataset/database_error.h"

namespace hollin {

// A text that cannot be converted to a field's type ("'%s' is not a valid date").
class EConvertError : public std::runtime_error {
public:
    explicit EConvertError(const std::string& message) : std::runtime_error(message) {}
};

// The framework's own texts, exactly as the application shows them. Each %s
// is replaced by FormatText, in order.
namespace text {
inline constexpr const char* NotEditing = "Dataset not in edit or insert mode";
inline constexpr const char* FieldReadOnly = "Field '%s' cannot be modified";
inline constexpr const char* DataSetOpen = "Cannot perform this operation on an open dataset";
inline constexpr const char* DataSetClosed = "Cannot perform this operation on a closed dataset";
inline constexpr const char* DataSetEmpty = "Cannot perform this operation on an empty dataset";
inline constexpr const char* DataSetReadOnly = "Cannot modify a read-only dataset";
inline constexpr const char* FieldNotFound = "Field '%s' not found";
inline constexpr const char* FieldIndexError = "Field index out of range";
inline constexpr const char* CircularDataLink = "Circular datalinks are not allowed";
// Not raised by the framework: the engine checks required fields itself and
// the application raises this one before it posts.
inline constexpr const char* FieldRequired = "Field '%s' must have a value";
inline constexpr const char* RecordNotFound = "Record not found";
inline constexpr const char* DuplicateFieldName = "Duplicate field name '%s'";
inline constexpr const char* FieldTypeMismatch = "Type mismatch for field '%s'";
inline constexpr const char* FieldAccessError = "Cannot access field '%s' as type %s";
inline constexpr const char* FieldRangeError =
    "%s is not a valid value for field '%s'. The allowed range is %s to %s";
inline constexpr const char* FieldWithoutDataSet = "Field '%s' has no dataset";
inline constexpr const char* KeyValueCount = "Wrong number of key values";
inline constexpr const char* RecordIndexError = "Record index out of range";
inline constexpr const char* InvalidInteger = "'%s' is not a valid integer value";
inline constexpr const char* InvalidFloat = "'%s' is not a valid floating point value";
inline constexpr const char* InvalidBoolean = "'%s' is not a valid boolean value";
inline constexpr const char* InvalidDate = "'%s' is not a valid date";
inline constexpr const char* InvalidTime = "'%s' is not a valid time";
inline constexpr const char* InvalidDateTime = "'%s' is not a valid date and time";
}  // namespace text

// The pattern with each %s replaced by the next argument; surplus %s stay.
std::string FormatText(std::string_view pattern, std::initializer_list<std::string_view> args);

// Throws EDatabaseError with the text.
[[noreturn]] void DatabaseError(const std::string& message);
// Throws EDatabaseError with FormatText(pattern, args).
[[noreturn]] void DatabaseErrorFmt(std::string_view pattern,
                                   std::initializer_list<std::string_view> args);
// Throws EConvertError with FormatText(pattern, args).
[[noreturn]] void ConvertErrorFmt(std::string_view pattern,
                                  std::initializer_list<std::string_view> args);

}  // namespace hollin
