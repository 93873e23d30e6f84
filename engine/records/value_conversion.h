// Carrying a stored field value over to a field of another type or size, as
// a full restructure copies records into the new table.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/records/field_descriptor.h"

namespace larch {

// Writes the value of field `from` of the record image `source` into field
// `to` of the record image `target`. A blob source passes its bytes in
// `sourceBlob`; a blob target receives its bytes in `targetBlob` (the field
// itself is left for the caller to point at the written chain). A null value
// leaves `to` null.
//
// Returns false, leaving `to` null, when the value has no form in the new
// field: a text longer than the new size or holding a zero byte, a number out
// of the new type's range or with a fraction it cannot keep, a text that does
// not read as a number, date, time or Boolean of the new type, a date-time
// with a time going into a date, bytes longer than the new size, anything
// but the record ID going into an AutoInc field. Conversions between text
// and every other type go through the value's text form ("mm/dd/yyyy" for
// dates, "TRUE"/"FALSE" for Booleans); numbers widen and narrow freely
// within range. A value of the same physical type, width and scale is copied
// as it is.
bool ConvertField(const FieldDescriptor& from, const uint8_t* source, const std::vector<uint8_t>& sourceBlob,
                  const FieldDescriptor& to, uint8_t* target, std::vector<uint8_t>& targetBlob);

}  // namespace larch
