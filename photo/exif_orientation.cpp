// Finding the Orientation tag in a JPEG's Exif segment. Every offset in the
// segment comes from the file, so each is checked against the segment's end
// before it is read.
#include "photo/exif_orientation.h"

#include <cstring>

namespace hollin {

namespace {

constexpr std::uint8_t kSoi = 0xD8;
constexpr std::uint8_t kEoi = 0xD9;
constexpr std::uint8_t kSos = 0xDA;
constexpr std::uint8_t kApp1 = 0xE1;
constexpr std::uint16_t kOrientationTag = 0x0112;
constexpr std::uint16_t kShortType = 3;
constexpr std::size_t kEntrySize = 12;

// The TIFF block inside the segment, read in its own byte order.
class TTiffBlock {
public:
    TTiffBlock(const std::uint8_t* data, std::size_t size, bool bigEndian)
        : m_data(data), m_size(size), m_bigEndian(bigEndian) {}

    bool Has(std::size_t offset, std::size_t count) const { return offset <= m_size && count <= m_size - offset; }
    std::uint16_t U16(std::size_t offset) const {
        const std::uint8_t* p = m_data + offset;
        return m_bigEndian ? static_cast<std::uint16_t>(p[0] << 8 | p[1]) : static_cast<std::uint16_t>(p[1] << 8 | p[0]);
    }
    std::uint32_t U32(std::size_t offset) const {
        const std::uint32_t high = U16(offset + (m_bigEndian ? 0 : 2));
        const std::uint32_t low = U16(offset + (m_bigEndian ? 2 : 0));
        return high << 16 | low;
    }

private:
    const std::uint8_t* m_data;
    std::size_t m_size;
    bool m_bigEndian;
};

// The tag's value in an APP1 segment's payload; 0 when it holds none.
int OrientationInSegment(const std::uint8_t* payload, std::size_t size) {
    static const char kExifHeader[6] = {'E', 'x', 'i', 'f', 0, 0};
    if (size < sizeof kExifHeader + 8 || std::memcmp(payload, kExifHeader, sizeof kExifHeader) != 0) return 0;
    const std::uint8_t* tiff = payload + sizeof kExifHeader;
    const std::size_t tiffSize = size - sizeof kExifHeader;
    bool bigEndian = false;
    if (tiff[0] == 'M' && tiff[1] == 'M') {
        bigEndian = true;
    } else if (tiff[0] != 'I' || tiff[1] != 'I') {
        return 0;
    }
    const TTiffBlock block(tiff, tiffSize, bigEndian);
    if (block.U16(2) != 42) return 0;
    const std::size_t ifd = block.U32(4);  // the first IFD (IFD0) holds the tag
    if (!block.Has(ifd, 2)) return 0;
    const std::size_t entries = block.U16(ifd);
    for (std::size_t i = 0; i < entries; ++i) {
        const std::size_t entry = ifd + 2 + i * kEntrySize;
        if (!block.Has(entry, kEntrySize)) return 0;
        if (block.U16(entry) != kOrientationTag) continue;
        if (block.U16(entry + 2) != kShortType || block.U32(entry + 4) < 1) return 0;
        const int value = block.U16(entry + 8);  // a short stands first in the value field
        return value >= 1 && value <= 8 ? value : 0;
    }
    return 0;
}

}  // namespace

TExifOrientation ReadExifOrientation(const std::uint8_t* data, std::size_t size) noexcept {
    if (data == nullptr || size < 4 || data[0] != 0xFF || data[1] != kSoi) return TExifOrientation::Normal;
    std::size_t pos = 2;
    while (pos + 4 <= size) {
        if (data[pos] != 0xFF) break;
        const std::uint8_t marker = data[pos + 1];
        if (marker == 0xFF) {  // a fill byte before the marker
            ++pos;
            continue;
        }
        if (marker == kSos || marker == kEoi) break;  // the header markers are over
        if (marker == 0x01 || (marker >= 0xD0 && marker <= kSoi)) {  // markers without a length
            pos += 2;
            continue;
        }
        const std::size_t length = static_cast<std::size_t>(data[pos + 2] << 8 | data[pos + 3]);
        if (length < 2 || length > size - pos - 2) break;
        if (marker == kApp1) {
            if (const int value = OrientationInSegment(data + pos + 4, length - 2)) {
                return static_cast<TExifOrientation>(value);
            }
        }
        pos += 2 + length;
    }
    return TExifOrientation::Normal;
}

}  // namespace hollin
