// TBlobBuffer: one open blob of the current record, its whole value in memory.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace larch {

// How a blob is opened. Write starts from an empty value (and counts as a
// change); Read and ReadWrite start from the stored value.
enum class BlobMode { Read, Write, ReadWrite };

// The value of one blob field while it is read or changed. Changes stay here
// until TBlobFile::WriteOpenBlobs writes them at Post.
class TBlobBuffer {
public:
    // `fileName` names the blob file in errors.
    TBlobBuffer(uint16_t fieldNumber, uint32_t owner, uint32_t firstBlock, BlobMode mode,
                std::vector<uint8_t> value, std::string fileName);

    uint16_t FieldNumber() const { return m_fieldNumber; }
    // Record number the blob belongs to (the one its stored chain carries).
    uint32_t Owner() const { return m_owner; }
    // Offset of the stored chain's first block; 0 when nothing is stored.
    uint32_t FirstBlock() const { return m_firstBlock; }
    BlobMode Mode() const { return m_mode; }
    bool Modified() const { return m_modified; }
    uint32_t Size() const { return static_cast<uint32_t>(m_value.size()); }
    const std::vector<uint8_t>& Value() const { return m_value; }

    // Copies up to `count` bytes from `position`; fewer (0 past the end) at
    // the end of the value. Returns the bytes copied.
    uint32_t Read(uint32_t position, void* out, uint32_t count) const;
    // Writes `count` bytes at `position`, growing the value (a gap is zero
    // filled). 10029 when the value would pass 2^32 - 1 bytes.
    void Write(uint32_t position, const void* in, uint32_t count);
    // Cuts or zero-extends the value to `length` bytes.
    void Truncate(uint32_t length);

private:
    friend class TBlobFile;

    uint16_t m_fieldNumber;
    uint32_t m_owner;
    uint32_t m_firstBlock;
    BlobMode m_mode;
    std::vector<uint8_t> m_value;
    std::string m_fileName;
    bool m_modified = false;
};

}  // namespace larch
