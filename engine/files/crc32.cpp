// CRC-32C, reflected polynomial 0x82F63B78: eight bytes per step with the
// SSE 4.2 crc32 instruction when present, else a byte table.
#include "engine/files/crc32.h"

#include <array>
#include <cstring>

#if defined(__x86_64__)
#include <nmmintrin.h>
#endif

namespace larch {
namespace {

constexpr std::array<uint32_t, 256> MakeTable() {
    std::array<uint32_t, 256> table{};
    for (uint32_t n = 0; n < 256; ++n) {
        uint32_t c = n;
        for (int k = 0; k < 8; ++k) c = (c & 1) ? 0x82F63B78u ^ (c >> 1) : c >> 1;
        table[n] = c;
    }
    return table;
}

constexpr std::array<uint32_t, 256> kTable = MakeTable();

uint32_t Software(const uint8_t* p, std::size_t count, uint32_t crc) {
    for (std::size_t i = 0; i < count; ++i) crc = kTable[(crc ^ p[i]) & 0xFF] ^ (crc >> 8);
    return crc;
}

#if defined(__x86_64__)
__attribute__((target("sse4.2"))) uint32_t Hardware(const uint8_t* p, std::size_t count, uint32_t crc) {
    uint64_t c = crc;
    while (count >= 8) {
        uint64_t word;
        std::memcpy(&word, p, 8);
        c = _mm_crc32_u64(c, word);
        p += 8;
        count -= 8;
    }
    uint32_t rest = static_cast<uint32_t>(c);
    while (count-- > 0) rest = _mm_crc32_u8(rest, *p++);
    return rest;
}

const bool kHasSse42 = __builtin_cpu_supports("sse4.2");
#endif

}  // namespace

uint32_t Crc32(const void* data, std::size_t count, uint32_t crc) {
    const auto* p = static_cast<const uint8_t*>(data);
    crc = ~crc;
#if defined(__x86_64__)
    if (kHasSse42) return ~Hardware(p, count, crc);
#endif
    return ~Software(p, count, crc);
}

}  // namespace larch
