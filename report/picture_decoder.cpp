// JPEG decoding for data-bound pictures and the aspect-ratio fit.
#include "report/picture_decoder.h"

#include <algorithm>
#include <cmath>

#include "dataset/stream.h"
#include "photo/jpeg_stream_decompressor.h"
#include "photo/oriented_image.h"

namespace hollin::report {

TPictureDecoder::TPictureDecoder() : m_codec(std::make_unique<TJPEGStreamDecompressor>()) {
    // Warnings of a damaged photo would otherwise reach a message box once
    // per record; the picture is still drawn.
    m_codec->OnWarning = [](const std::string&) {};
}

TPictureDecoder::~TPictureDecoder() = default;

QImage TPictureDecoder::Decode(const std::vector<uint8_t>& jpeg) {
    if (jpeg.empty()) return {};
    try {
        TMemoryStream stream(jpeg);
        QImage picture = m_codec->DecompressBitmap(stream);
        // Drawn as the photo's EXIF Orientation says (a phone's portrait is
        // stored on its side); the field's bytes stay as they are.
        if (!picture.isNull()) return OrientedImage(picture, ReadExifOrientation(jpeg));
    } catch (...) {
        // Any failure of the codec (bad bytes, too large, out of memory)
        // leaves the box empty.
    }
    ++m_failures;
    return {};
}

TRect FitPicture(QSize picture, const TRect& box) {
    if (picture.isEmpty() || box.width <= 0 || box.height <= 0) return {box.left, box.top, 0, 0};
    const double scale = std::min(static_cast<double>(box.width) / picture.width(),
                                  static_cast<double>(box.height) / picture.height());
    const auto width = static_cast<TMicrons>(std::lround(picture.width() * scale));
    const auto height = static_cast<TMicrons>(std::lround(picture.height() * scale));
    return {box.left + (box.width - width) / 2, box.top + (box.height - height) / 2, width, height};
}

QSize PicturePixels(const TRect& rect, double dpi) {
    return {std::max(1, static_cast<int>(std::lround(ToDevice(rect.width, dpi)))),
            std::max(1, static_cast<int>(std::lround(ToDevice(rect.height, dpi))))};
}

QImage FitPicturePixels(QImage picture, const TRect& rect, double dpi) {
    const QSize needed = PicturePixels(rect, dpi);
    if (picture.width() <= needed.width() && picture.height() <= needed.height()) return picture;
    return picture.scaled(needed, Qt::KeepAspectRatio, Qt::SmoothTransformation);
}

std::string UndecodedPicturesText(int count) {
    return std::to_string(count) + (count == 1 ? " photo" : " photos") + " could not be decoded; " +
           (count == 1 ? "its box is" : "their boxes are") + " left empty.";
}

}  // namespace hollin::report
