// The device-independent bitmap the JPEG codecs work on, and its conversion to
// and from QImage, which stands for the screen's bitmap everywhere else.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include <QImage>

namespace hollin {

// A device-independent bitmap as the codecs lay it out:
//
//   Bits     Height rows of RowBytes(Width, BitCount) bytes each, every row
//            padded to a multiple of 4 bytes, stored BOTTOM-UP: Row(0) is the
//            bottom row of the picture and Row(Height - 1) its top row. The
//            decoder therefore stores the first row it reads last.
//   24 bits  three bytes per pixel in the order blue, green, red
//   8 bits   one colour-table index per pixel
//   4 bits   two indexes per byte, the left pixel in the high four bits
//   1 bit    eight pixels per byte, the left pixel in the highest bit
//
// QImage rows are top-down (scanLine(0) is the top), so ImageFromDIB and
// DIBFromImage turn the row order around.
struct TDIB {
    int Width = 0;
    int Height = 0;
    int BitCount = 0;
    std::vector<QRgb> ColourTable;  // used by the 1-, 4- and 8-bit layouts
    std::vector<std::uint8_t> Bits;

    // Bytes of one row: Width * BitCount bits rounded up to whole 32-bit words.
    static std::size_t RowBytes(int width, int bitCount);
    std::size_t RowBytes() const { return RowBytes(Width, BitCount); }
    // Row `index` counted from the bottom of the picture.
    std::uint8_t* Row(int index) { return Bits.data() + static_cast<std::size_t>(index) * RowBytes(); }
    const std::uint8_t* Row(int index) const { return Bits.data() + static_cast<std::size_t>(index) * RowBytes(); }
};

// The pixels of `image` as a DIB: Indexed8 keeps its colour table and 8 bits,
// Grayscale8 becomes 8 bits over a 256-step grey table, Mono and MonoLSB 1 bit,
// every other format 24 bits.
// Throws EInvalidGraphic ("Cannot obtain a Device Independent Bitmap") for a
// null image, EOutOfMemory when the copy cannot be allocated.
TDIB DIBFromImage(const QImage& image);

// The bitmap for the screen made from a DIB: 24 bits become Format_RGB888,
// 8 and 4 bits Format_Indexed8 over the DIB's colour table, 1 bit Format_Mono.
// Throws EInvalidGraphic for a DIB of another depth, without pixels or with
// fewer bytes than its rows need; EOutOfMemory when the image cannot be made.
QImage ImageFromDIB(const TDIB& dib);

}  // namespace hollin
