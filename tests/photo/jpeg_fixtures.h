// JPEG bytes and pictures made for the tests. The JPEGs are written and read
// with libjpeg directly, so that the codecs are checked against bytes and
// pixels their own counterpart did not produce.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include <QImage>

namespace hollin::testing {

using Bytes = std::vector<std::uint8_t>;

struct JpegFixture {
    int Width = 32;
    int Height = 24;
    bool Grey = false;  // one component, pixels taken from the red channel
    int Quality = 90;
    bool Progressive = false;
    std::vector<std::pair<int, std::string>> Markers;  // written after the header, in order
};

// The picture a JpegFixture without its own pixels gets: smooth colour ramps.
QRgb RampPixel(int x, int y);

// A JPEG of fixture's size whose pixel (x, y) (y = 0 at the top) is pixel(x, y).
Bytes MakeJpeg(const JpegFixture& fixture, const std::function<QRgb(int x, int y)>& pixel = RampPixel);
// A picture of the given size and format (RGB888 unless told otherwise).
QImage MakeImage(int width, int height, const std::function<QRgb(int x, int y)>& pixel = RampPixel);
// Decodes with libjpeg directly into RGB888 (grey JPEGs come out grey).
QImage DecodeWithLibjpeg(const Bytes& jpeg);

// The largest difference of any channel of any pixel, and the mean absolute
// difference per channel, between two pictures of the same size.
struct PixelError {
    int Max = 0;
    double Mean = 0.0;
};
PixelError CompareImages(const QImage& a, const QImage& b);

// The payload of an APP1 Exif segment (for JpegFixture::Markers, code
// JPEG_APP0 + 1) whose IFD0 holds an ImageWidth entry and the Orientation
// tag with value, in Motorola ("MM") or Intel ("II") byte order.
std::string ExifOrientationSegment(int value, bool bigEndian = true);
// A JPEG of the picture (any size) whose Exif segment says value.
Bytes MakeJpegWithOrientation(const QImage& picture, int value, bool bigEndian = true);

// A phone's portrait, 300 x 400 as seen: an upright figure stored on its
// side as landscape pixels, with the EXIF Orientation that turns it back (6).
Bytes MakePhonePortraitJpeg();

// Whether the bytes contain the two-byte marker 0xFF `code`.
bool HasMarker(const Bytes& jpeg, std::uint8_t code);
// The offset of the first 0xFF `code` marker, or npos.
std::size_t FindMarker(const Bytes& jpeg, std::uint8_t code);

}  // namespace hollin::testing
