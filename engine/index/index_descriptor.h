// The 120-byte descriptor of one index in the index file's header, and the
// rules for the key length of an index.
//
// Descriptor bytes (little-endian integers):
//   offset width field
//   0      31    name, short string of at most 30 characters; empty for the primary index
//   31     2     key length in bytes, 1 to 1036 for a used slot
//   33     1     descending (1 = ixDescending)
//   34     1     case-insensitive (1 = ixCaseInsensitive)
//   35     1     unique (1 = ixUnique)
//   36     1     compression: 0 none, 1 leading, 2 trailing, 3 both (only 0 is read)
//   37     1     field count, 0 to 16
//   38     16    descending flag of every key field (all 1 in a descending index)
//   54     32    16 field numbers (16-bit, 1-based) in key order; unused ones 0
//   86     4     root page offset; 0 when the index is empty
//   90     4     free page head: the first freed page of this index; 0 when none
//   94     26    reserved, zero
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/records/field_descriptor.h"

namespace larch {

constexpr std::size_t kIndexDescriptorSize = 120;
constexpr int kMaxIndexFields = 16;
constexpr int kMaxSecondaryIndexes = 30;
// Longest key: 16 fields of at most 251 bytes would not fit in a page; the
// format caps keys at 1036 bytes, which still leaves three entries per page.
constexpr uint16_t kMaxKeyLength = 1036;

// Slots of the header's descriptor table: 0 primary, 1..30 secondary indexes
// in creation order, 31 the internal "Sys Deleted" index, 32 unused.
constexpr int kPrimarySlot = 0, kSysDeletedSlot = 31, kIndexSlots = 33;

constexpr const char* kSysDeletedName = "Sys Deleted";
// Status byte plus the record ID in key encoding.
constexpr uint16_t kSysDeletedKeyLength = 5;

struct IndexDescriptor {
    std::string name;  // empty for the primary index
    uint16_t keyLength = 0;
    bool descending = false, caseInsensitive = false, unique = false;
    uint8_t compression = 0;
    uint8_t fieldCount = 0;
    uint8_t fieldDescending[16] = {};
    uint16_t fieldNumbers[16] = {};
    uint32_t rootPage = 0, freePageHead = 0;

    void Encode(uint8_t* out120) const;  // writes kIndexDescriptorSize bytes
    // Reads the bytes as they are; the index file checks the values.
    static IndexDescriptor Decode(const uint8_t* in120);
};

// Key length = sum over the key fields of (stored width + 1), plus 4 for the
// record ID of a non-unique secondary index. Raises 10023 (naming the index)
// for a field number that is not a field of `fields`, and 12292 for a blob
// field in the key.
uint16_t ComputeKeyLength(const IndexDescriptor& index, const std::vector<FieldDescriptor>& fields,
                          bool isPrimary);

// The internal index of every index file: "Sys Deleted", key length 5, no
// fields, no options.
IndexDescriptor MakeSysDeletedDescriptor();

}  // namespace larch
