// Reading and writing field values in a record image by their stored types.
//
// Record image:
//   offset width content
//   0      1     status: 0 in use, 1 deleted
//   1      4     in use: the record's own number; deleted: next deleted record
//   5      4     record ID (the value of an AutoInc field)
//   9      ...   every other field in field order: a null-flag byte (1 value,
//                0 null) followed by its stored width of bytes
#pragma once

#include <cstdint>
#include <string>

#include "engine/records/field_descriptor.h"

namespace larch {

constexpr std::size_t kRecordHeaderSize = 9;
constexpr std::size_t kRecordIdOffset = 5;
constexpr uint8_t kRecordInUse = 0;
constexpr uint8_t kRecordDeleted = 1;

// Record IDs run from 1 to kMaxRecordId; after it, the next insert takes 1.
constexpr uint32_t kMaxRecordId = 2147483647;
uint32_t RecordId(const uint8_t* image);
void SetRecordId(uint8_t* image, uint32_t id);

// An AutoInc field is never null.
bool FieldIsNull(const FieldDescriptor& field, const uint8_t* image);
// The field's stored bytes (the record ID for an AutoInc field).
const uint8_t* FieldBytes(const FieldDescriptor& field, const uint8_t* image);
uint8_t* FieldBytes(const FieldDescriptor& field, uint8_t* image);
// Null: flag and bytes zero. Has no effect on an AutoInc field.
void ClearField(const FieldDescriptor& field, uint8_t* image);
// Copies `field.width` bytes and sets the flag (not for AutoInc fields).
void SetFieldBytes(const FieldDescriptor& field, uint8_t* image, const uint8_t* bytes);

// A string is written with at most size characters and without trailing
// blanks; what remains empty is stored as null.
void SetStringField(const FieldDescriptor& field, uint8_t* image, const std::string& text);
std::string GetStringField(const FieldDescriptor& field, const uint8_t* image);
void SetInt32Field(const FieldDescriptor& field, uint8_t* image, int32_t value);
int32_t GetInt32Field(const FieldDescriptor& field, const uint8_t* image);
void SetUInt32Field(const FieldDescriptor& field, uint8_t* image, uint32_t value);
uint32_t GetUInt32Field(const FieldDescriptor& field, const uint8_t* image);

}  // namespace larch
