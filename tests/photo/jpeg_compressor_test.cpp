// Tests of TJPEGStreamCompressor: depths and colour tables, row order,
// parameters, comment and markers, the output buffer, pictures, abort.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include <QPainter>

#include "jpeg_fixtures.h"
#include "photo/bitmap.h"
#include "photo/jpeg_stream_compressor.h"
#include "photo/jpeg_stream_decompressor.h"
#include "photo/metafile.h"
#include "photo/photo_errors.h"
#include "photo/picture.h"
#include "dataset/file_stream.h"

namespace hollin {
namespace {

using testing::Bytes;
using ::testing::ElementsAre;

// A smooth picture, as photos mostly are.
QRgb Smooth(int x, int y)
{
    return qRgb(40 + x * 3, 60 + y * 2, 200 - x - y);
}

// Whether the pixel is within 40 of `colour` in every channel (JPEG blurs
// colour edges, so callers look away from them).
bool Near(const QImage& image, int x, int y, QRgb colour)
{
    const QRgb p = image.pixel(x, y);
    return std::abs(qRed(p) - qRed(colour)) <= 40 && std::abs(qGreen(p) - qGreen(colour)) <= 40 &&
           std::abs(qBlue(p) - qBlue(colour)) <= 40;
}

const QRgb kRed = qRgb(255, 0, 0);
const QRgb kBlue = qRgb(0, 0, 255);

// A graphic that is neither a bitmap nor a metafile.
class TIconLike : public TGraphic {
public:
    bool Empty() const override { return false; }
    int Width() const override { return 1; }
    int Height() const override { return 1; }
    void LoadFromStream(TStream&) override {}
    void SaveToStream(TStream&) override {}
};

class CompressorTest : public ::testing::Test {
protected:
    Bytes Compress(const QImage& image)
    {
        TMemoryStream stream;
        encoder.CompressBitmap(image, stream);
        return stream.Bytes();
    }
    Bytes CompressDIB(const TDIB& dib)
    {
        TMemoryStream stream;
        encoder.CompressDIB(dib, stream);
        return stream.Bytes();
    }
    std::string FailureOf(const std::function<void()>& work)
    {
        try {
            work();
        } catch (const std::exception& error) {
            return error.what();
        }
        return "(no error)";
    }

    TJPEGFileCompressor encoder;
};

TEST_F(CompressorTest, DefaultsAreThoseOfTheMainWindow)
{
    EXPECT_EQ(encoder.Quality(), 75);
    EXPECT_FALSE(encoder.GrayscaleOutput());
    EXPECT_TRUE(encoder.Comment().empty());
    EXPECT_DOUBLE_EQ(encoder.InputGamma(), 1.0);
    EXPECT_FALSE(encoder.ProgressiveJPEG());
    EXPECT_EQ(encoder.DCTMethod(), JDCT_ISLOW);
    EXPECT_FALSE(encoder.OptimizeCoding());
    EXPECT_EQ(encoder.RestartInterval(), 0u);
    EXPECT_EQ(encoder.RestartInRows(), 0);
    EXPECT_EQ(encoder.SmoothingFactor(), 0);
    EXPECT_TRUE(encoder.WriteJFIFHeader());
    EXPECT_EQ(encoder.DensityUnit(), 0);
    EXPECT_EQ(encoder.X_Density(), 1);
    EXPECT_EQ(encoder.Y_Density(), 1);
    EXPECT_TRUE(encoder.WriteAllTables());
    EXPECT_EQ(encoder.OutputBufferSize(), 4096u);
    EXPECT_EQ(encoder.Trace_Level(), 0);
}

TEST_F(CompressorTest, ColourRoundTripAtQuality75StaysClose)
{
    const QImage original = testing::MakeImage(64, 48, Smooth);
    const Bytes jpeg = Compress(original);
    TJPEGFileDecompressor decoder;
    TMemoryStream stream(jpeg);
    const testing::PixelError error = testing::CompareImages(decoder.DecompressBitmap(stream), original);
    EXPECT_LE(error.Max, 12);
    EXPECT_LT(error.Mean, 2.0);
}

TEST_F(CompressorTest, RowsGoFromTheTopOfThePicture)
{
    const QImage original = testing::MakeImage(16, 32, [](int, int y) { return y < 16 ? kRed : kBlue; });
    const QImage decoded = testing::DecodeWithLibjpeg(Compress(original));
    EXPECT_TRUE(Near(decoded, 8, 4, kRed));
    EXPECT_TRUE(Near(decoded, 8, 28, kBlue));
}

TEST_F(CompressorTest, IndexedPicturesAreExpandedThroughTheirColourTable)
{
    // 8 bits: two colour blocks, plus an index beyond the table (shown black).
    QImage indexed(32, 16, QImage::Format_Indexed8);
    indexed.setColorTable({kRed, kBlue});
    for (int y = 0; y < 16; ++y) {
        for (int x = 0; x < 32; ++x) {
            indexed.scanLine(y)[x] = (x < 16 || y >= 8) ? 0 : 1;
        }
    }
    QImage decoded8 = testing::DecodeWithLibjpeg(Compress(indexed));
    EXPECT_TRUE(Near(decoded8, 4, 4, kRed));
    EXPECT_TRUE(Near(decoded8, 28, 4, kBlue));

    for (int y = 8; y < 16; ++y) {
        for (int x = 0; x < 8; ++x) {
            indexed.scanLine(y)[x] = 7;
        }
    }
    decoded8 = testing::DecodeWithLibjpeg(Compress(indexed));
    EXPECT_TRUE(Near(decoded8, 4, 12, qRgb(0, 0, 0)));

    // 4 bits, odd width: left pixel in the high nibble. Columns alternate
    // between two colours, so a swapped nibble shows the other one.
    TDIB dib;
    dib.Width = 9;
    dib.Height = 8;
    dib.BitCount = 4;
    dib.ColourTable = {qRgb(0, 0, 0), qRgb(255, 255, 255)};
    dib.Bits.assign(dib.RowBytes() * 8, 0);
    for (int row = 0; row < 8; ++row) {
        for (int x = 0; x < 9; ++x) {
            dib.Row(row)[x / 2] |= static_cast<std::uint8_t>((x % 2) << (x % 2 == 0 ? 4 : 0));
        }
    }
    encoder.SetQuality(100);
    const QImage decoded = testing::DecodeWithLibjpeg(CompressDIB(dib));
    const QImage expected4 = testing::MakeImage(9, 8, [](int x, int) { return x % 2 ? qRgb(255, 255, 255) : qRgb(0, 0, 0); });
    EXPECT_LE(testing::CompareImages(decoded, expected4).Max, 60);
}

TEST_F(CompressorTest, OtherDepthsAreRefused)
{
    QImage mono(8, 8, QImage::Format_Mono);
    mono.fill(0);
    EXPECT_EQ(FailureOf([&] { Compress(mono); }), "Unable to compress at 1 bit resolution");
    TDIB dib;
    dib.Width = 2;
    dib.Height = 2;
    dib.BitCount = 32;
    dib.Bits.assign(16, 0);
    EXPECT_EQ(FailureOf([&] { CompressDIB(dib); }), "Unable to compress at 32 bit resolution");
    dib.BitCount = 24;
    dib.Bits.resize(15);
    EXPECT_EQ(FailureOf([&] { CompressDIB(dib); }), "Cannot obtain a Device Independent Bitmap");
    EXPECT_EQ(FailureOf([&] { Compress(QImage()); }), "Cannot obtain a Device Independent Bitmap");
}

TEST_F(CompressorTest, ParametersShapeTheFile)
{
    const QImage image = testing::MakeImage(64, 64);
    const Bytes plain = Compress(image);
    EXPECT_TRUE(testing::HasMarker(plain, 0xC0));

    encoder.SetProgressiveJPEG(true);
    const Bytes progressive = Compress(image);
    EXPECT_TRUE(testing::HasMarker(progressive, 0xC2));
    EXPECT_FALSE(testing::HasMarker(progressive, 0xC0));
    EXPECT_EQ(testing::DecodeWithLibjpeg(progressive).size(), QSize(64, 64));
    encoder.SetProgressiveJPEG(false);

    encoder.SetQuality(20);
    const std::size_t low = Compress(image).size();
    encoder.SetQuality(95);
    EXPECT_LT(low, Compress(image).size());
    encoder.SetQuality(500);
    EXPECT_EQ(encoder.Quality(), 100);

    encoder.SetGrayscaleOutput(true);
    TJPEGFileDecompressor decoder;
    TMemoryStream grey(Compress(image));
    EXPECT_EQ(decoder.DecompressToDIB(grey).ColourTable, TJPEGDecompressor::GreyPalette());
    encoder.SetGrayscaleOutput(false);

    encoder.SetWriteAllTables(false);
    const Bytes abbreviated = Compress(image);
    EXPECT_FALSE(testing::HasMarker(abbreviated, 0xDB));  // no quantisation tables
    EXPECT_FALSE(testing::HasMarker(abbreviated, 0xC4));  // no Huffman tables
}

TEST_F(CompressorTest, CommentAndMarkersAreWritten)
{
    encoder.SetComment("Made by Hollin");
    encoder.OnWriteMarkers = [&](TJPEGBase&) { encoder.WriteMarker(JPEG_APP0 + 5, "extra"); };
    const Bytes jpeg = Compress(testing::MakeImage(16, 16));

    TJPEGFileDecompressor decoder;
    std::vector<std::string> comments;
    std::vector<std::string> markers;
    decoder.OnJPEGComment = [&](TJPEGDecompressor&, const std::string& text) { comments.push_back(text); };
    decoder.OnJPEGMarker = [&](TJPEGDecompressor& sender, int marker, bool&) {
        markers.push_back(std::to_string(marker) + ":" + static_cast<TJPEGStreamDecompressor&>(sender).ReadMarkerData());
    };
    TMemoryStream stream(jpeg);
    decoder.DecompressBitmap(stream);
    EXPECT_THAT(comments, ElementsAre("Made by Hollin"));
    EXPECT_THAT(markers, ElementsAre("5:extra"));
    EXPECT_EQ(FailureOf([&] { encoder.WriteMarker(JPEG_COM, "late"); }),
              "WriteMarker is only possible inside OnWriteMarkers");
}

TEST_F(CompressorTest, OutputBufferSizeDoesNotChangeTheBytes)
{
    const QImage image = testing::MakeImage(40, 30);
    const Bytes expected = Compress(image);
    encoder.SetOutputBufferSize(7);
    EXPECT_EQ(Compress(image), expected);

    encoder.OnWriteMarkers = [&](TJPEGBase&) { encoder.SetOutputBufferSize(100); };
    EXPECT_EQ(FailureOf([&] { Compress(image); }), "Cannot change buffer size while buffer is in use");
    EXPECT_EQ(encoder.OutputBufferSize(), 7u);
}

TEST_F(CompressorTest, OutputIsAppendedAtTheStreamPosition)
{
    TMemoryStream stream;
    stream.Write("ABC", 3);
    encoder.CompressBitmap(testing::MakeImage(8, 8), stream);
    const Bytes& bytes = stream.Bytes();
    ASSERT_GT(bytes.size(), 5u);
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 3), "ABC");
    EXPECT_EQ(bytes[3], 0xFF);
    EXPECT_EQ(bytes[4], 0xD8);
    EXPECT_EQ(bytes[bytes.size() - 1], 0xD9);
}

TEST_F(CompressorTest, ProgressOfAProgressiveFileRisesToOneHundredAtTheEnd)
{
    std::vector<int> reported;
    encoder.OnProgressReport = [&](TJPEGBase& sender) { reported.push_back(sender.PercentDone()); };
    encoder.SetProgressiveJPEG(true);
    Compress(testing::MakeImage(64, 128));
    ASSERT_GE(reported.size(), 3u);
    EXPECT_TRUE(std::is_sorted(reported.begin(), reported.end()));
    EXPECT_EQ(reported.back(), 100);
    EXPECT_LT(reported.front(), 50);
}

TEST_F(CompressorTest, AbortFromProgressStopsWithUserInterrupt)
{
    encoder.OnProgressReport = [](TJPEGBase& sender) { sender.Abort(); };
    EXPECT_EQ(FailureOf([&] { Compress(testing::MakeImage(32, 32)); }), "User Interrupt");
    EXPECT_FALSE(encoder.Busy());
    encoder.OnProgressReport = nullptr;
    EXPECT_EQ(testing::DecodeWithLibjpeg(Compress(testing::MakeImage(32, 32))).size(), QSize(32, 32));
}

TEST_F(CompressorTest, PicturesAreBitmapsOrRenderedMetafiles)
{
    TPicture picture;
    TMemoryStream out;
    const std::string refused = "cannot save a picture that is neither a bitmap nor metafile";
    EXPECT_EQ(FailureOf([&] { encoder.CompressPicture(picture, out); }), refused);
    picture.SetGraphic(std::make_unique<TIconLike>());
    EXPECT_EQ(FailureOf([&] { encoder.CompressPicture(picture, out); }), refused);

    picture.SetGraphic(std::make_unique<TBitmap>(testing::MakeImage(10, 6, Smooth)));
    encoder.CompressPicture(picture, out);
    EXPECT_EQ(testing::DecodeWithLibjpeg(out.Bytes()).size(), QSize(10, 6));

    QPicture drawing;
    QPainter painter(&drawing);
    painter.fillRect(QRect(0, 0, 24, 16), Qt::red);
    painter.end();
    picture.SetGraphic(std::make_unique<TMetafile>(drawing));
    TMemoryStream rendered;
    encoder.CompressPicture(picture, rendered);
    const QImage decoded = testing::DecodeWithLibjpeg(rendered.Bytes());
    EXPECT_EQ(decoded.size(), QSize(24, 16));
    EXPECT_GT(qRed(decoded.pixel(12, 8)), 220);
    EXPECT_LT(qGreen(decoded.pixel(12, 8)), 40);

    auto broken = std::make_unique<TMetafile>();
    TMemoryStream garbage(Bytes(64, 0x5A));
    broken->LoadFromStream(garbage);
    broken->SetPicture(broken->Picture(), QSize(8, 8));
    picture.SetGraphic(std::move(broken));
    EXPECT_EQ(FailureOf([&] { encoder.CompressPicture(picture, out); }),
              "Unable to render metafile as a bitmap - PlayEnhMetaFile returned 0");
}

}  // namespace
}  // namespace hollin
