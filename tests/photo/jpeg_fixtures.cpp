// Test JPEGs written and read with libjpeg directly.
#include "jpeg_fixtures.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <jpeglib.h>

#include <QTransform>

namespace hollin::testing {

QRgb RampPixel(int x, int y)
{
    return qRgb((x * 7) % 256, (y * 9) % 256, ((x + y) * 5) % 256);
}

Bytes MakeJpeg(const JpegFixture& fixture, const std::function<QRgb(int x, int y)>& pixel)
{
    jpeg_compress_struct info{};
    jpeg_error_mgr errors{};
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = static_cast<JDIMENSION>(fixture.Width);
    info.image_height = static_cast<JDIMENSION>(fixture.Height);
    info.input_components = fixture.Grey ? 1 : 3;
    info.in_color_space = fixture.Grey ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, fixture.Quality, TRUE);
    if (fixture.Progressive) {
        jpeg_simple_progression(&info);
    }
    jpeg_start_compress(&info, TRUE);
    for (const auto& [marker, data] : fixture.Markers) {
        jpeg_write_marker(&info, marker, reinterpret_cast<const JOCTET*>(data.data()),
                          static_cast<unsigned>(data.size()));
    }
    std::vector<JSAMPLE> row(static_cast<std::size_t>(fixture.Width) * 3);
    while (info.next_scanline < info.image_height) {
        const int y = static_cast<int>(info.next_scanline);
        for (int x = 0; x < fixture.Width; ++x) {
            const QRgb colour = pixel(x, y);
            if (fixture.Grey) {
                row[x] = static_cast<JSAMPLE>(qRed(colour));
            } else {
                row[3 * x] = static_cast<JSAMPLE>(qRed(colour));
                row[3 * x + 1] = static_cast<JSAMPLE>(qGreen(colour));
                row[3 * x + 2] = static_cast<JSAMPLE>(qBlue(colour));
            }
        }
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&info, rows, 1);
    }
    jpeg_finish_compress(&info);
    Bytes jpeg(buffer, buffer + size);
    jpeg_destroy_compress(&info);
    std::free(buffer);
    return jpeg;
}

QImage MakeImage(int width, int height, const std::function<QRgb(int x, int y)>& pixel)
{
    QImage image(width, height, QImage::Format_RGB888);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            image.setPixel(x, y, pixel(x, y));
        }
    }
    return image;
}

QImage DecodeWithLibjpeg(const Bytes& jpeg)
{
    jpeg_decompress_struct info{};
    jpeg_error_mgr errors{};
    info.err = jpeg_std_error(&errors);
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, jpeg.data(), static_cast<unsigned long>(jpeg.size()));
    jpeg_read_header(&info, TRUE);
    info.out_color_space = JCS_RGB;
    jpeg_start_decompress(&info);
    QImage image(static_cast<int>(info.output_width), static_cast<int>(info.output_height), QImage::Format_RGB888);
    while (info.output_scanline < info.output_height) {
        JSAMPROW rows[1] = {image.scanLine(static_cast<int>(info.output_scanline))};
        jpeg_read_scanlines(&info, rows, 1);
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    return image;
}

PixelError CompareImages(const QImage& a, const QImage& b)
{
    PixelError error;
    if (a.size() != b.size()) {
        error.Max = 256;
        return error;
    }
    long total = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y);
            const QRgb q = b.pixel(x, y);
            for (int d : {std::abs(qRed(p) - qRed(q)), std::abs(qGreen(p) - qGreen(q)), std::abs(qBlue(p) - qBlue(q))}) {
                error.Max = std::max(error.Max, d);
                total += d;
            }
        }
    }
    error.Mean = static_cast<double>(total) / (3.0 * a.width() * a.height());
    return error;
}

std::size_t FindMarker(const Bytes& jpeg, std::uint8_t code)
{
    for (std::size_t i = 0; i + 1 < jpeg.size(); ++i) {
        if (jpeg[i] == 0xFF && jpeg[i + 1] == code) {
            return i;
        }
    }
    return std::string::npos;
}

bool HasMarker(const Bytes& jpeg, std::uint8_t code)
{
    return FindMarker(jpeg, code) != std::string::npos;
}

std::string ExifOrientationSegment(int value, bool bigEndian) {
    std::string segment("Exif\0\0", 6);
    auto u16 = [&](int v) {
        const char high = static_cast<char>(v >> 8 & 0xFF), low = static_cast<char>(v & 0xFF);
        segment += bigEndian ? std::string{high, low} : std::string{low, high};
    };
    auto u32 = [&](long v) {
        if (bigEndian) {
            u16(static_cast<int>(v >> 16));
            u16(static_cast<int>(v & 0xFFFF));
        } else {
            u16(static_cast<int>(v & 0xFFFF));
            u16(static_cast<int>(v >> 16));
        }
    };
    segment += bigEndian ? "MM" : "II";
    u16(42);
    u32(8);  // IFD0 right after the header
    u16(2);  // two entries: ImageWidth (LONG), then Orientation (SHORT)
    u16(0x0100);
    u16(4);
    u32(1);
    u32(640);
    u16(0x0112);
    u16(3);
    u32(1);
    u16(value);
    u16(0);
    u32(0);  // no next IFD
    return segment;
}

Bytes MakeJpegWithOrientation(const QImage& picture, int value, bool bigEndian) {
    JpegFixture fixture;
    fixture.Width = picture.width();
    fixture.Height = picture.height();
    fixture.Quality = 100;
    fixture.Markers = {{JPEG_APP0 + 1, ExifOrientationSegment(value, bigEndian)}};
    return MakeJpeg(fixture, [&picture](int x, int y) { return picture.pixel(x, y); });
}

Bytes MakePhonePortraitJpeg() {
    QImage upright(300, 400, QImage::Format_RGB32);
    for (int y = 0; y < 400; ++y) {
        for (int x = 0; x < 300; ++x) {
            const bool head = std::hypot(x - 150.0, y - 110.0) < 50;
            const bool body = y > 170 && y < 360 && std::abs(x - 150) < 60 - (360 - y) / 10;
            upright.setPixel(x, y, head ? qRgb(230, 180, 150) : body ? qRgb(60, 90, 170) : qRgb(150, 200, 240 - y / 4));
        }
    }
    return MakeJpegWithOrientation(upright.transformed(QTransform().rotate(270)), 6);
}

}  // namespace hollin::testing
