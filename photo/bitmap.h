// TBitmap: a graphic holding a QImage, read and written as a Windows bitmap
// (.bmp) file.
#pragma once

#include <QImage>

#include "photo/graphic.h"

namespace hollin {

class TBitmap : public TGraphic {
public:
    TBitmap() = default;
    explicit TBitmap(QImage image) : m_image(std::move(image)) {}

    bool Empty() const override { return m_image.isNull(); }
    int Width() const override { return m_image.width(); }
    int Height() const override { return m_image.height(); }

    const QImage& Image() const { return m_image; }
    // Replaces the pixels and reports the change.
    void SetImage(QImage image);

    // Reads a bitmap file from the position to the end of the stream.
    // Throws EInvalidGraphic ("Bitmap image is not valid").
    void LoadFromStream(TStream& stream) override;
    // Writes the bitmap as a bitmap file; an empty bitmap writes nothing.
    void SaveToStream(TStream& stream) override;

private:
    QImage m_image;
};

}  // namespace hollin
