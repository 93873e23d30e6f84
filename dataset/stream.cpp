// The stream helpers and the memory stream.
#include "dataset/stream.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace hollin {

void TStream::ReadBuffer(void* buffer, std::size_t count) {
    if (count != 0 && Read(buffer, count) != count) throw EStreamError("Stream read error");
}

void TStream::WriteBuffer(const void* buffer, std::size_t count) {
    if (count != 0 && Write(buffer, count) != count) throw EStreamError("Stream write error");
}

int64_t TStream::CopyFrom(TStream& source, int64_t count) {
    if (count <= 0) {
        source.SetPosition(0);
        count = source.Size();
    }
    std::vector<uint8_t> chunk(64 * 1024);
    int64_t copied = 0;
    while (copied < count) {
        const auto n = static_cast<std::size_t>(
            std::min<int64_t>(count - copied, static_cast<int64_t>(chunk.size())));
        source.ReadBuffer(chunk.data(), n);
        WriteBuffer(chunk.data(), n);
        copied += static_cast<int64_t>(n);
    }
    return copied;
}

std::vector<uint8_t> TStream::ReadRest() {
    const int64_t rest = Size() - Position();
    std::vector<uint8_t> bytes(rest > 0 ? static_cast<std::size_t>(rest) : 0);
    bytes.resize(Read(bytes.data(), bytes.size()));
    return bytes;
}

std::size_t TMemoryStream::Read(void* buffer, std::size_t count) {
    const auto size = static_cast<int64_t>(m_bytes.size());
    if (m_position >= size) return 0;
    const auto n = static_cast<std::size_t>(std::min<int64_t>(size - m_position,
                                                              static_cast<int64_t>(count)));
    std::memcpy(buffer, m_bytes.data() + m_position, n);
    m_position += static_cast<int64_t>(n);
    return n;
}

std::size_t TMemoryStream::Write(const void* buffer, std::size_t count) {
    if (count == 0) return 0;
    const auto end = static_cast<std::size_t>(m_position) + count;
    if (end > m_bytes.size()) m_bytes.resize(end);
    std::memcpy(m_bytes.data() + m_position, buffer, count);
    m_position = static_cast<int64_t>(end);
    return count;
}

int64_t TMemoryStream::Seek(int64_t offset, TSeekOrigin origin) {
    int64_t base = 0;
    if (origin == TSeekOrigin::Current) base = m_position;
    if (origin == TSeekOrigin::End) base = Size();
    // Positions stay within what a vector can hold, so a later write cannot overflow.
    constexpr int64_t kLimit = std::numeric_limits<int32_t>::max();
    int64_t target = base;
    if (offset > 0) target = offset > kLimit - base ? kLimit : base + offset;
    if (offset < 0) target = -offset > base ? 0 : base + offset;
    m_position = target;
    return m_position;
}

void TMemoryStream::Truncate() {
    if (static_cast<std::size_t>(m_position) < m_bytes.size()) {
        m_bytes.resize(static_cast<std::size_t>(m_position));
    }
}

void TMemoryStream::Clear() {
    m_bytes.clear();
    m_position = 0;
}

}  // namespace hollin
