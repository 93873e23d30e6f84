// Blob streams over the engine's open blobs.
#include "engine/cursor/larch_blob_stream.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "engine/files/engine_error.h"

namespace larch {
namespace {

// Blob values are at most 4 GB long: a position or an end past that would
// wrap around to the start of the value.
constexpr int64_t kMaxBlobEnd = std::numeric_limits<uint32_t>::max();

}  // namespace

TLarchBlobStream::TLarchBlobStream(std::vector<uint8_t> value) : m_value(std::move(value)) {}

TLarchBlobStream::TLarchBlobStream(TBlobFile& blobFile, uint16_t fieldNumber)
    : m_blobFile(&blobFile), m_fieldNumber(fieldNumber) {}

TLarchBlobStream::~TLarchBlobStream() {
    if (!m_blobFile) return;
    TBlobBuffer* open = m_blobFile->FindOpenBlob(m_fieldNumber);
    if (open && !open->Modified()) {
        try {
            m_blobFile->CloseBlob(m_fieldNumber);
        } catch (...) {
        }
    }
}

TBlobBuffer& TLarchBlobStream::Blob() { return m_blobFile->OpenedBlob(m_fieldNumber); }

std::size_t TLarchBlobStream::Read(void* buffer, std::size_t count) {
    if (!m_blobFile) {
        if (m_position >= static_cast<int64_t>(m_value.size())) return 0;
        std::size_t n = std::min(count, m_value.size() - static_cast<std::size_t>(m_position));
        std::memcpy(buffer, m_value.data() + m_position, n);
        m_position += static_cast<int64_t>(n);
        return n;
    }
    if (m_position >= kMaxBlobEnd) return 0;
    uint32_t n = Blob().Read(static_cast<uint32_t>(m_position), buffer,
                             static_cast<uint32_t>(std::min<std::size_t>(count, kMaxBlobEnd)));
    m_position += n;
    return n;
}

std::size_t TLarchBlobStream::Write(const void* buffer, std::size_t count) {
    if (!m_blobFile) throw hollin::EStreamError("Stream write error");
    if (count > static_cast<uint64_t>(kMaxBlobEnd - std::min(m_position, kMaxBlobEnd))) {
        RaiseEngineError(err::InvalidBlobLength, m_blobFile->FileName());
    }
    Blob().Write(static_cast<uint32_t>(m_position), buffer, static_cast<uint32_t>(count));
    m_position += static_cast<int64_t>(count);
    return count;
}

int64_t TLarchBlobStream::Seek(int64_t offset, hollin::TSeekOrigin origin) {
    int64_t base = origin == hollin::TSeekOrigin::Beginning ? 0
                   : origin == hollin::TSeekOrigin::Current ? m_position
                                                            : Size();
    m_position = std::max<int64_t>(0, base + offset);
    return m_position;
}

int64_t TLarchBlobStream::Size() {
    if (!m_blobFile) return static_cast<int64_t>(m_value.size());
    return Blob().Size();
}

void TLarchBlobStream::Truncate() {
    if (!m_blobFile) {
        if (m_position < static_cast<int64_t>(m_value.size())) m_value.resize(static_cast<std::size_t>(m_position));
        return;
    }
    if (m_position > kMaxBlobEnd) RaiseEngineError(err::InvalidBlobLength, m_blobFile->FileName());
    Blob().Truncate(static_cast<uint32_t>(m_position));
}

}  // namespace larch
