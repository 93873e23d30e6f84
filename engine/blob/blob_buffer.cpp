// TBlobBuffer: reading, writing and truncating an open blob's value.
#include "engine/blob/blob_buffer.h"

#include <cstring>
#include <limits>

#include "engine/files/engine_error.h"

namespace larch {

TBlobBuffer::TBlobBuffer(uint16_t fieldNumber, uint32_t owner, uint32_t firstBlock, BlobMode mode,
                         std::vector<uint8_t> value, std::string fileName)
    : m_fieldNumber(fieldNumber),
      m_owner(owner),
      m_firstBlock(firstBlock),
      m_mode(mode),
      m_value(std::move(value)),
      m_fileName(std::move(fileName)) {}

uint32_t TBlobBuffer::Read(uint32_t position, void* out, uint32_t count) const {
    if (position >= m_value.size()) return 0;
    std::size_t available = m_value.size() - position;
    std::size_t n = count < available ? count : available;
    if (n > 0) std::memcpy(out, m_value.data() + position, n);
    return static_cast<uint32_t>(n);
}

void TBlobBuffer::Write(uint32_t position, const void* in, uint32_t count) {
    uint64_t end = static_cast<uint64_t>(position) + count;
    if (end > std::numeric_limits<uint32_t>::max()) RaiseEngineError(err::InvalidBlobLength, m_fileName);
    if (end > m_value.size()) m_value.resize(static_cast<std::size_t>(end), 0);
    if (count > 0) std::memcpy(m_value.data() + position, in, count);
    m_modified = true;
}

void TBlobBuffer::Truncate(uint32_t length) {
    m_value.resize(length, 0);
    m_modified = true;
}

}  // namespace larch
