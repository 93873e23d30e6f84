// CRC-32C (Castagnoli) over byte ranges, with the SSE 4.2 instruction where
// the processor has it.
#pragma once

#include <cstddef>
#include <cstdint>

namespace larch {

// Continues `crc` (0 to start) over `count` bytes.
uint32_t Crc32(const void* data, std::size_t count, uint32_t crc = 0);

}  // namespace larch
