// The data module stores photos as JPEG; turning a PNG, GIF or WebP into a
// JPEG needs an image library the data module does not use, so the caller
// hands in a converter (photo/picture_to_jpeg.h implements it).
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

namespace hollin {

class TPhotoConverter {
public:
    virtual ~TPhotoConverter() = default;
    // The picture as JPEG bytes; nothing when it cannot be decoded.
    virtual std::optional<std::vector<uint8_t>> ToJpeg(const std::vector<uint8_t>& picture) = 0;
};

// Whether the bytes start as a JPEG file does (FF D8 FF).
bool IsJpeg(const std::vector<uint8_t>& bytes);

}  // namespace hollin
