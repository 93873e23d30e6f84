// The EXIF Orientation read from a JPEG's bytes, and the picture turned by it.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "jpeg_fixtures.h"
#include "photo/exif_orientation.h"
#include "photo/oriented_image.h"

namespace hollin {
namespace {

using testing::Bytes;
using testing::ExifOrientationSegment;
using testing::JpegFixture;
using testing::MakeJpeg;

Bytes JpegWithSegments(const std::vector<std::pair<int, std::string>>& markers) {
    JpegFixture fixture;
    fixture.Width = 8;
    fixture.Height = 8;
    fixture.Markers = markers;
    return MakeJpeg(fixture);
}

constexpr int kApp1 = 0xE1;

TEST(ExifOrientation, EachValueIsReadInEitherByteOrder) {
    for (const bool bigEndian : {true, false}) {
        for (int value = 1; value <= 8; ++value) {
            SCOPED_TRACE((bigEndian ? "MM " : "II ") + std::to_string(value));
            const Bytes jpeg = JpegWithSegments({{kApp1, ExifOrientationSegment(value, bigEndian)}});
            EXPECT_EQ(ReadExifOrientation(jpeg), static_cast<TExifOrientation>(value));
        }
    }
}

// An Exif block that is missing or damaged means no turn, never a failure.
TEST(ExifOrientation, MissingOrDamagedBlocksMeanNormal) {
    const std::string good = ExifOrientationSegment(6);
    auto changed = [&good](std::size_t at, const std::string& bytes, std::size_t at2 = 0, const std::string& bytes2 = {}) {
        std::string segment = good;
        segment.replace(at, bytes.size(), bytes);
        segment.replace(at2, bytes2.size(), bytes2);
        return segment;
    };
    // Offsets in the segment: 6 "Exif\0\0", then the TIFF header (byte order
    // at 6, 42 at 8, IFD0 offset at 10), IFD0's count at 14, its entries at
    // 16 and 28 (tag, type, count, value at +8).
    const struct {
        const char* name;
        std::vector<std::pair<int, std::string>> markers;
    } cases[] = {
        {"no APP1", {}},
        {"APP1 of XMP", {{kApp1, "http://ns.adobe.com/xap/1.0/\0<x:xmpmeta/>"}}},
        {"only the Exif header", {{kApp1, std::string("Exif\0\0", 6)}}},
        {"TIFF header cut short", {{kApp1, good.substr(0, 12)}}},
        {"IFD cut in its entries", {{kApp1, good.substr(0, 34)}}},
        {"unknown byte order", {{kApp1, changed(6, "XX")}}},
        {"not 42", {{kApp1, changed(8, std::string("\0\x2B", 2))}}},
        {"IFD0 beyond the segment", {{kApp1, changed(10, std::string("\x7F\xFF\xFF\xF0", 4))}}},
        {"IFD0 at the segment's end", {{kApp1, changed(10, std::string("\0\0\0\x26", 4))}}},
        {"entry count far too large", {{kApp1, changed(14, "\xFF\xFF", 28, "\x01\x13")}}},
        {"orientation of type LONG", {{kApp1, changed(30, std::string("\0\x04", 2))}}},
        {"orientation with count 0", {{kApp1, changed(32, std::string("\0\0\0\0", 4))}}},
        {"value 0", {{kApp1, changed(36, std::string("\0\0", 2))}}},
        {"value 9", {{kApp1, changed(36, std::string("\0\x09", 2))}}},
        {"value 65535", {{kApp1, changed(36, "\xFF\xFF")}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(ReadExifOrientation(JpegWithSegments(c.markers)), TExifOrientation::Normal);
    }
}

TEST(ExifOrientation, BytesThatAreNoJpegOrCutAnywhereNeverFail) {
    EXPECT_EQ(ReadExifOrientation(nullptr, 0), TExifOrientation::Normal);
    EXPECT_EQ(ReadExifOrientation(Bytes{'h', 'e', 'l', 'l', 'o'}), TExifOrientation::Normal);
    // A segment length running past the end of the bytes.
    EXPECT_EQ(ReadExifOrientation(Bytes{0xFF, 0xD8, 0xFF, 0xE1, 0xFF, 0xFF, 'E', 'x'}), TExifOrientation::Normal);
    // A segment length below its own two bytes.
    EXPECT_EQ(ReadExifOrientation(Bytes{0xFF, 0xD8, 0xFF, 0xE1, 0x00, 0x01, 0xFF, 0xD9}), TExifOrientation::Normal);
    const Bytes whole = JpegWithSegments({{kApp1, ExifOrientationSegment(8)}});
    for (std::size_t size = 0; size <= whole.size(); ++size) {
        const TExifOrientation read = ReadExifOrientation(whole.data(), size);
        EXPECT_TRUE(read == TExifOrientation::Normal || read == TExifOrientation::Rotate270) << size;
    }
}

// A picture of three by two pixels, each its own colour, so every turn and
// mirror gives a picture of its own.
QImage Asymmetric() {
    QImage image(3, 2, QImage::Format_RGB32);
    for (int y = 0; y < 2; ++y) {
        for (int x = 0; x < 3; ++x) image.setPixel(x, y, qRgb(40 * x + 10, 100 * y + 10, 7));
    }
    return image;
}

TEST(OrientedImage, EachOrientationTurnsOrMirrorsThePixels) {
    const QImage stored = Asymmetric();
    const int w = stored.width(), h = stored.height();
    // For each value: the stored pixel shown at (x, y).
    const struct {
        TExifOrientation orientation;
        bool turned;  // width and height swap
        std::function<QPoint(int x, int y)> source;
    } cases[] = {
        {TExifOrientation::Normal, false, [](int x, int y) { return QPoint(x, y); }},
        {TExifOrientation::MirrorHorizontal, false, [w](int x, int y) { return QPoint(w - 1 - x, y); }},
        {TExifOrientation::Rotate180, false, [w, h](int x, int y) { return QPoint(w - 1 - x, h - 1 - y); }},
        {TExifOrientation::MirrorVertical, false, [h](int x, int y) { return QPoint(x, h - 1 - y); }},
        {TExifOrientation::Transpose, true, [](int x, int y) { return QPoint(y, x); }},
        {TExifOrientation::Rotate90, true, [h](int x, int y) { return QPoint(y, h - 1 - x); }},
        {TExifOrientation::Transverse, true, [w, h](int x, int y) { return QPoint(w - 1 - y, h - 1 - x); }},
        {TExifOrientation::Rotate270, true, [w](int x, int y) { return QPoint(w - 1 - y, x); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.orientation));
        const QImage shown = OrientedImage(stored, c.orientation);
        const QSize size = c.turned ? QSize(h, w) : QSize(w, h);
        ASSERT_EQ(shown.size(), size);
        EXPECT_EQ(OrientedSize(stored.size(), c.orientation), size);
        for (int y = 0; y < shown.height(); ++y) {
            for (int x = 0; x < shown.width(); ++x) {
                const QPoint from = c.source(x, y);
                EXPECT_EQ(shown.pixel(x, y), stored.pixel(from)) << x << "," << y;
            }
        }
    }
}

}  // namespace
}  // namespace hollin
