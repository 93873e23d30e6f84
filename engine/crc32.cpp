// Table-driven CRC-32, reflected polynomial 0xEDB88320, eight bytes a step.
#include "engine/crc32.h"

#include <array>

namespace larch {
namespace {

using Tables = std::array<std::array<uint32_t, 256>, 8>;

// Table k gives the CRC of a byte followed by k zero bytes.
constexpr Tables MakeTables() {
    Tables t{};
    for (uint32_t n = 0; n < 256; ++n) {
        uint32_t c = n;
        for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        t[0][n] = c;
    }
    for (uint32_t n = 0; n < 256; ++n) {
        for (int k = 1; k < 8; ++k) t[k][n] = (t[k - 1][n] >> 8) ^ t[0][t[k - 1][n] & 0xFF];
    }
    return t;
}

constexpr Tables kTables = MakeTables();

}  // namespace

uint32_t Crc32(const void* data, std::size_t count, uint32_t crc) {
    const auto* p = static_cast<const uint8_t*>(data);
    crc = ~crc;
    for (; count >= 8; count -= 8, p += 8) {
        const uint32_t low = crc ^ (uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24);
        crc = kTables[7][low & 0xFF] ^ kTables[6][(low >> 8) & 0xFF] ^ kTables[5][(low >> 16) & 0xFF] ^
              kTables[4][low >> 24] ^ kTables[3][p[4]] ^ kTables[2][p[5]] ^ kTables[1][p[6]] ^ kTables[0][p[7]];
    }
    for (; count > 0; --count, ++p) crc = kTables[0][(crc ^ *p) & 0xFF] ^ (crc >> 8);
    return ~crc;
}

}  // namespace larch
