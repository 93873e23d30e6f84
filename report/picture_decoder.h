// Decodes the JPEG photos of data-bound pictures with the project's codec,
// quietly: a photo that cannot be decoded gives a null image and is counted,
// so a report goes on and reports the failures once.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include <QImage>

#include "report/report_geometry.h"

namespace hollin {
class TJPEGStreamDecompressor;
}

namespace hollin::report {

class TPictureDecoder {
public:
    TPictureDecoder();
    ~TPictureDecoder();
    TPictureDecoder(const TPictureDecoder&) = delete;
    TPictureDecoder& operator=(const TPictureDecoder&) = delete;

    // The decoded picture, turned as its EXIF Orientation says; null for no
    // bytes (not a failure) and for bytes that do not decode (counted in
    // Failures).
    QImage Decode(const std::vector<uint8_t>& jpeg);
    int Failures() const { return m_failures; }

private:
    std::unique_ptr<TJPEGStreamDecompressor> m_codec;
    int m_failures = 0;
};

// Where a picture of that size goes in box: as large as fits, its aspect
// ratio kept, centred.
TRect FitPicture(QSize picture, const TRect& box);

// The pixels a picture needs to fill rect at dpi (at least one each way).
QSize PicturePixels(const TRect& rect, double dpi);
// picture scaled down, in one step, to no more than PicturePixels(rect,
// dpi); a picture that is no larger is returned as it is.
QImage FitPicturePixels(QImage picture, const TRect& rect, double dpi);

// The one warning of a run whose photos could not all be decoded: "2 photos
// could not be decoded; their boxes are left empty." (count > 0).
std::string UndecodedPicturesText(int count);

}  // namespace hollin::report
