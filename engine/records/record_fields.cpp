// Field value access in record images.
#include "engine/records/record_fields.h"

#include <cstring>

#include "engine/files/byte_order.h"

namespace larch {

uint32_t RecordId(const uint8_t* image) { return GetU32(image + kRecordIdOffset); }
void SetRecordId(uint8_t* image, uint32_t id) { PutU32(image + kRecordIdOffset, id); }

bool FieldIsNull(const FieldDescriptor& field, const uint8_t* image) {
    if (field.IsAutoInc()) return false;
    return image[field.offset] == 0;
}

const uint8_t* FieldBytes(const FieldDescriptor& field, const uint8_t* image) {
    return field.IsAutoInc() ? image + kRecordIdOffset : image + field.offset + 1;
}

uint8_t* FieldBytes(const FieldDescriptor& field, uint8_t* image) {
    return field.IsAutoInc() ? image + kRecordIdOffset : image + field.offset + 1;
}

void ClearField(const FieldDescriptor& field, uint8_t* image) {
    if (field.IsAutoInc()) return;
    std::memset(image + field.offset, 0, std::size_t{field.width} + 1);
}

void SetFieldBytes(const FieldDescriptor& field, uint8_t* image, const uint8_t* bytes) {
    if (field.IsAutoInc()) return;
    image[field.offset] = 1;
    std::memcpy(image + field.offset + 1, bytes, field.width);
}

void SetStringField(const FieldDescriptor& field, uint8_t* image, const std::string& text) {
    std::string value = text.substr(0, field.size);
    std::size_t nul = value.find('\0');
    if (nul != std::string::npos) value.erase(nul);
    std::size_t end = value.find_last_not_of(' ');
    value.erase(end == std::string::npos ? 0 : end + 1);
    ClearField(field, image);
    if (value.empty()) return;
    image[field.offset] = 1;
    std::memcpy(image + field.offset + 1, value.data(), value.size());
}

std::string GetStringField(const FieldDescriptor& field, const uint8_t* image) {
    if (FieldIsNull(field, image)) return {};
    const char* bytes = reinterpret_cast<const char*>(image + field.offset + 1);
    std::size_t length = ::strnlen(bytes, field.width);
    return std::string(bytes, length);
}

void SetInt32Field(const FieldDescriptor& field, uint8_t* image, int32_t value) {
    uint8_t bytes[4];
    PutI32(bytes, value);
    SetFieldBytes(field, image, bytes);
}

int32_t GetInt32Field(const FieldDescriptor& field, const uint8_t* image) {
    return GetI32(FieldBytes(field, image));
}

void SetUInt32Field(const FieldDescriptor& field, uint8_t* image, uint32_t value) {
    uint8_t bytes[4];
    PutU32(bytes, value);
    SetFieldBytes(field, image, bytes);
}

uint32_t GetUInt32Field(const FieldDescriptor& field, const uint8_t* image) {
    return GetU32(FieldBytes(field, image));
}

}  // namespace larch
