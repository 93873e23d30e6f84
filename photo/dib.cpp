// Conversion between the codecs' device-independent bitmap and QImage.
#include "photo/dib.h"

#include <cstring>
#include <new>

#include "photo/photo_errors.h"

namespace hollin {

namespace {

std::vector<QRgb> TableOf(const QImage& image)
{
    const QList<QRgb> table = image.colorTable();
    return std::vector<QRgb>(table.begin(), table.end());
}

// Allocates the DIB's pixel buffer in one piece.
void AllocateBits(TDIB& dib)
{
    try {
        dib.Bits.assign(dib.RowBytes() * static_cast<std::size_t>(dib.Height), 0);
    } catch (const std::bad_alloc&) {
        throw EOutOfMemory();
    }
}

QImage MakeImage(int width, int height, QImage::Format format)
{
    QImage image(width, height, format);
    if (image.isNull()) {
        throw EOutOfMemory();
    }
    return image;
}

}  // namespace

std::size_t TDIB::RowBytes(int width, int bitCount)
{
    if (width <= 0 || bitCount <= 0) {
        return 0;
    }
    const std::size_t bits = static_cast<std::size_t>(width) * static_cast<std::size_t>(bitCount);
    return (bits + 31) / 32 * 4;
}

TDIB DIBFromImage(const QImage& image)
{
    if (image.isNull()) {
        throw EInvalidGraphic("Cannot obtain a Device Independent Bitmap");
    }
    TDIB dib;
    dib.Width = image.width();
    dib.Height = image.height();
    QImage source = image;
    switch (image.format()) {
    case QImage::Format_Indexed8:
        dib.BitCount = 8;
        dib.ColourTable = TableOf(image);
        break;
    case QImage::Format_Grayscale8:
        dib.BitCount = 8;
        for (int level = 0; level < 256; ++level) {
            dib.ColourTable.push_back(qRgb(level, level, level));
        }
        break;
    case QImage::Format_Mono:
        dib.BitCount = 1;
        dib.ColourTable = TableOf(image);
        break;
    case QImage::Format_MonoLSB:
        dib.BitCount = 1;
        source = image.convertToFormat(QImage::Format_Mono);
        dib.ColourTable = TableOf(source);
        break;
    default:
        dib.BitCount = 24;
        source = image.convertToFormat(QImage::Format_RGB888);
        break;
    }
    if (source.isNull()) {
        throw EOutOfMemory();
    }
    AllocateBits(dib);
    const std::size_t rowBytes = dib.RowBytes();
    for (int y = 0; y < dib.Height; ++y) {
        const std::uint8_t* from = source.constScanLine(y);
        std::uint8_t* to = dib.Row(dib.Height - 1 - y);
        if (dib.BitCount == 24) {
            for (int x = 0; x < dib.Width; ++x) {
                to[3 * x] = from[3 * x + 2];
                to[3 * x + 1] = from[3 * x + 1];
                to[3 * x + 2] = from[3 * x];
            }
        } else {
            const std::size_t used = (static_cast<std::size_t>(dib.Width) * dib.BitCount + 7) / 8;
            std::memcpy(to, from, used < rowBytes ? used : rowBytes);
        }
    }
    return dib;
}

QImage ImageFromDIB(const TDIB& dib)
{
    const bool knownDepth = dib.BitCount == 1 || dib.BitCount == 4 || dib.BitCount == 8 || dib.BitCount == 24;
    if (!knownDepth || dib.Width <= 0 || dib.Height <= 0 ||
        dib.Bits.size() / static_cast<std::size_t>(dib.Height) < dib.RowBytes()) {
        throw EInvalidGraphic("Bitmap image is not valid");
    }
    QImage::Format format = QImage::Format_Indexed8;
    if (dib.BitCount == 24) {
        format = QImage::Format_RGB888;
    } else if (dib.BitCount == 1) {
        format = QImage::Format_Mono;
    }
    QImage image = MakeImage(dib.Width, dib.Height, format);
    if (dib.BitCount != 24) {
        image.setColorTable(QList<QRgb>(dib.ColourTable.begin(), dib.ColourTable.end()));
    }
    for (int y = 0; y < dib.Height; ++y) {
        const std::uint8_t* from = dib.Row(dib.Height - 1 - y);
        std::uint8_t* to = image.scanLine(y);
        switch (dib.BitCount) {
        case 24:
            for (int x = 0; x < dib.Width; ++x) {
                to[3 * x] = from[3 * x + 2];
                to[3 * x + 1] = from[3 * x + 1];
                to[3 * x + 2] = from[3 * x];
            }
            break;
        case 8:
            std::memcpy(to, from, static_cast<std::size_t>(dib.Width));
            break;
        case 4:
            for (int x = 0; x < dib.Width; ++x) {
                const std::uint8_t pair = from[x / 2];
                to[x] = (x % 2 == 0) ? (pair >> 4) : (pair & 0x0F);
            }
            break;
        default:
            std::memcpy(to, from, (static_cast<std::size_t>(dib.Width) + 7) / 8);
            break;
        }
    }
    return image;
}

}  // namespace hollin
