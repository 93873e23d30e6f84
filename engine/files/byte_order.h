// Little-endian integer access for the file formats, and the big-endian forms
// the index keys use.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>

namespace larch {

inline uint16_t GetU16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
inline uint32_t GetU32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}
inline int32_t GetI32(const uint8_t* p) { return static_cast<int32_t>(GetU32(p)); }
inline int16_t GetI16(const uint8_t* p) { return static_cast<int16_t>(GetU16(p)); }
inline double GetF64(const uint8_t* p) {
    uint64_t bits = static_cast<uint64_t>(GetU32(p)) | (static_cast<uint64_t>(GetU32(p + 4)) << 32);
    double value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

inline void PutU16(uint8_t* p, uint16_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}
inline void PutU32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}
inline void PutI32(uint8_t* p, int32_t v) { PutU32(p, static_cast<uint32_t>(v)); }
inline void PutI16(uint8_t* p, int16_t v) { PutU16(p, static_cast<uint16_t>(v)); }
inline void PutF64(uint8_t* p, double value) {
    uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    PutU32(p, static_cast<uint32_t>(bits));
    PutU32(p + 4, static_cast<uint32_t>(bits >> 32));
}

// Short strings: a length byte and at most `maxLength` characters in a field
// of maxLength + 1 bytes; unused bytes are zero.
inline std::string GetShortString(const uint8_t* p, std::size_t maxLength) {
    std::size_t length = p[0] > maxLength ? maxLength : p[0];
    return std::string(reinterpret_cast<const char*>(p + 1), length);
}
inline void PutShortString(uint8_t* p, std::size_t maxLength, const std::string& value) {
    std::size_t length = value.size() > maxLength ? maxLength : value.size();
    std::memset(p, 0, maxLength + 1);
    p[0] = static_cast<uint8_t>(length);
    std::memcpy(p + 1, value.data(), length);
}

}  // namespace larch
