// A decoded photo turned as its EXIF Orientation says, for drawing: the
// stored bytes are never changed, only what is shown of them.
#pragma once

#include <QImage>
#include <QSize>

#include "photo/exif_orientation.h"

namespace hollin {

// The picture as it is to be seen: image turned or mirrored by orientation
// (Normal returns it as it is).
QImage OrientedImage(const QImage& image, TExifOrientation orientation);
// The size of the picture as seen: width and height swap for the turns by a
// quarter and the diagonal mirrors.
QSize OrientedSize(QSize size, TExifOrientation orientation);

}  // namespace hollin
