// Converting expression values between node types and storing them into the
// fields of a record image (result columns, INSERT and UPDATE values).
#pragma once

#include <cstdint>
#include <string>

#include "engine/data/data_file.h"
#include "query/expr/expression_node.h"

namespace larch {

// The value's text form: strings as they are, numbers in their shortest
// exact form, BCD with its decimals, dates "mm/dd/yyyy", times "hh:mm:ss",
// timestamps date and time, booleans "TRUE"/"FALSE". Empty for NULL.
std::string NodeValueText(const TExpressionNode& value);

// Converts `value` in place to the node data type `type` (NULL stays NULL
// and only takes the type). Returns false, leaving the value unchanged, when
// it has no form in that type: a number out of range or with a fraction a
// whole type cannot keep, a text that does not read as the type, a
// timestamp with a time going into a date, anything into blob or bytes.
bool ConvertNodeValue(TExpressionNode& value, uint8_t type);

// Writes `value` into `field` of `image`. NULL clears the field; other values
// are converted to the field's type first. A string longer than a string
// field does not fit. A blob field takes a string value through an open blob
// of `file` (written when the record is inserted or updated) for record
// `owner`. An AutoInc field is never written (its value is the record ID).
// Returns false, leaving the field unchanged, when the value does not fit.
bool StoreNodeValue(TDataFile& file, const FieldDescriptor& field, const TExpressionNode& value, uint8_t* image,
                    uint32_t owner);

// The node data type a field of `physType` is read as.
uint8_t NodeTypeOfField(uint8_t physType);

}  // namespace larch
