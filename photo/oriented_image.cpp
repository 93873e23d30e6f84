// Turning and mirroring a picture by its EXIF Orientation, pixel for pixel.
#include "photo/oriented_image.h"

#include <QTransform>

namespace hollin {

namespace {

QImage Rotated(const QImage& image, int degrees) { return image.transformed(QTransform().rotate(degrees)); }

}  // namespace

QImage OrientedImage(const QImage& image, TExifOrientation orientation) {
    if (image.isNull()) return image;
    switch (orientation) {
        case TExifOrientation::Normal: return image;
        case TExifOrientation::MirrorHorizontal: return image.mirrored(true, false);
        case TExifOrientation::Rotate180: return Rotated(image, 180);
        case TExifOrientation::MirrorVertical: return image.mirrored(false, true);
        // The diagonal mirrors: a quarter turn clockwise, then mirrored.
        case TExifOrientation::Transpose: return Rotated(image, 90).mirrored(true, false);
        case TExifOrientation::Rotate90: return Rotated(image, 90);
        case TExifOrientation::Transverse: return Rotated(image, 90).mirrored(false, true);
        case TExifOrientation::Rotate270: return Rotated(image, 270);
    }
    return image;
}

QSize OrientedSize(QSize size, TExifOrientation orientation) {
    return static_cast<int>(orientation) >= static_cast<int>(TExifOrientation::Transpose) ? size.transposed() : size;
}

}  // namespace hollin
