// Decoding with QImage, encoding with TJPEGBitmap.
#include "cli/picture_to_jpeg.h"

#include <QImage>

#include "dataset/stream.h"
#include "photo/jpeg_bitmap.h"

namespace hollin {

std::optional<std::vector<uint8_t>> TPictureToJpeg::ToJpeg(const std::vector<uint8_t>& picture) {
    QImage image = QImage::fromData(reinterpret_cast<const uchar*>(picture.data()), static_cast<int>(picture.size()));
    if (image.isNull()) return std::nullopt;
    // JPEG has no transparency: transparent parts become white, not black.
    if (image.hasAlphaChannel()) {
        QImage opaque(image.size(), QImage::Format_RGB32);
        opaque.fill(Qt::white);
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                const QColor c = image.pixelColor(x, y);
                const double a = c.alphaF();
                opaque.setPixelColor(x, y, QColor::fromRgbF(c.redF() * a + (1 - a), c.greenF() * a + (1 - a),
                                                            c.blueF() * a + (1 - a)));
            }
        }
        image = opaque;
    }
    try {
        TJPEGBitmap bitmap(image.convertToFormat(QImage::Format_RGB32));
        TMemoryStream stream;
        bitmap.SaveToStream(stream);
        return stream.Bytes();
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

}  // namespace hollin
