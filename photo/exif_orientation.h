// The EXIF Orientation of a JPEG file: phones store a portrait photo as
// landscape pixels and say in this tag how the picture is to be turned.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace hollin {

// The values of the tag (TIFF tag 0x0112): how the stored rows and columns
// map onto the picture as it is to be seen.
enum class TExifOrientation : int {
    Normal = 1,
    MirrorHorizontal = 2,
    Rotate180 = 3,
    MirrorVertical = 4,
    Transpose = 5,   // mirrored along the top-left to bottom-right diagonal
    Rotate90 = 6,    // to be turned clockwise
    Transverse = 7,  // mirrored along the other diagonal
    Rotate270 = 8,   // to be turned anticlockwise
};

// The orientation in the first APP1 "Exif" segment before the scan. A file
// without one, a damaged segment or a value outside 1 to 8 gives Normal;
// nothing here fails, whatever the bytes.
TExifOrientation ReadExifOrientation(const std::uint8_t* data, std::size_t size) noexcept;
inline TExifOrientation ReadExifOrientation(const std::vector<std::uint8_t>& jpeg) noexcept {
    return ReadExifOrientation(jpeg.data(), jpeg.size());
}

}  // namespace hollin
