// The photo converter of the import: a PNG, GIF or WebP decoded with Qt and
// written as JPEG through the program's own codec.
#pragma once

#include "data/photo_conversion.h"

namespace hollin {

class TPictureToJpeg : public TPhotoConverter {
public:
    std::optional<std::vector<uint8_t>> ToJpeg(const std::vector<uint8_t>& picture) override;
};

}  // namespace hollin
