// TMetafile: a graphic of recorded drawing commands (a QPicture), the vector
// picture the compressor renders onto a bitmap before encoding it.
#pragma once

#include <QPicture>
#include <QPoint>
#include <QSize>

#include "photo/graphic.h"

namespace hollin {

class TMetafile : public TGraphic {
public:
    TMetafile() = default;
    // `size` empty: the picture's bounding rectangle gives size and origin.
    explicit TMetafile(QPicture picture, QSize size = QSize());

    bool Empty() const override;
    int Width() const override { return Size().width(); }
    int Height() const override { return Size().height(); }
    QSize Size() const;
    // The point of the recording drawn at the bitmap's top-left corner.
    QPoint Origin() const;
    const QPicture& Picture() const { return m_picture; }
    void SetPicture(QPicture picture, QSize size = QSize());

    // Reads and writes Qt's picture format (the bytes of QPicture::data()).
    void LoadFromStream(TStream& stream) override;
    void SaveToStream(TStream& stream) override;

private:
    QPicture m_picture;
    QSize m_size;
};

}  // namespace hollin
