// Index keys: building the key of a record for an index, and key order.
//
// A key is, over the index's fields in key order, one presence byte (1 value,
// 0 null) and the field's key bytes (its stored width), then for a
// non-unique secondary index the record ID as 4 more bytes. Key bytes by
// physical type:
//   string               the stored characters and zero padding; a-z upper-cased
//                        in a case-insensitive index
//   date, int32, time,   32-bit value big-endian, top bit inverted
//   record ID (AutoInc)
//   int16                big-endian, top bit inverted
//   Boolean, word        big-endian
//   float, date-time     IEEE double big-endian; top bit set for a value >= 0,
//                        all 64 bits inverted for a negative value
//   BCD                  the 64-bit scaled value big-endian, top bit inverted
//   unsigned 32-bit      big-endian
//   10-byte float        big-endian, with the rule of the double
//   others               the stored bytes
// A null field's key bytes are zero. A field whose descending flag is set has
// its presence byte and key bytes inverted (a string all but its last byte,
// the terminating zero). Keys then compare as plain unsigned bytes: the
// inverted bytes already give the descending order.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "engine/records/field_descriptor.h"
#include "engine/index/index_descriptor.h"

namespace larch {

// `record` is a record image: offset 0 status, 1 own number or free link,
// 5 record ID, then the fields at their descriptor offsets (null-flag byte,
// then the value). The AutoInc field sits at offset 5 with no null-flag byte;
// its presence byte in a key is always 1. Writes index.keyLength bytes to
// `out`. Raises 10023 for a key field number outside `fields` and 10026 when
// the fields do not add up to the descriptor's key length.
void BuildKey(const IndexDescriptor& index, const std::vector<FieldDescriptor>& fields,
              const uint8_t* record, bool appendRecordId, uint8_t* out);

// Key from the first `fieldsGiven` key fields of `record`; every byte after
// them, the record-ID part included, is 0x00 (`high` false: a start or lookup
// key) or 0xFF (`high` true: a range end key).
void BuildPartialKey(const IndexDescriptor& index, const std::vector<FieldDescriptor>& fields,
                     const uint8_t* record, int fieldsGiven, bool high, bool appendRecordId, uint8_t* out);

// The key of the internal index: status byte (0 in use, 1 deleted) and the
// record ID in key encoding.
void BuildSysDeletedKey(uint8_t status, uint32_t recordId, uint8_t* out5);

// <0, 0 or >0 as `a` sorts before, equal to or after `b` over `length` bytes,
// comparing unsigned bytes.
int CompareKeys(const uint8_t* a, const uint8_t* b, size_t length);

// The 4 key bytes of a record ID: big-endian with the top bit inverted.
void PutKeyRecordId(uint8_t* out4, uint32_t recordId);

}  // namespace larch
