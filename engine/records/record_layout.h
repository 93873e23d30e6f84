// Stored widths and record offsets of a table's fields.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/records/field_descriptor.h"

namespace larch {

// Sets every field's stored width, scale copy and record offset in field
// order (AutoInc at 5, the others from 9 on) and returns the record size.
uint32_t AssignRecordLayout(std::vector<FieldDescriptor>& fields);

// Whether the descriptors as stored agree with the layout rule: field numbers
// equal positions, stored widths and offsets as computed, and the record size
// equal to `recordSize`.
bool RecordLayoutMatches(const std::vector<FieldDescriptor>& fields, uint32_t recordSize);

}  // namespace larch
