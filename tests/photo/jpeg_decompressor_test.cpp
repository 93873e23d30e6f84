// Tests of TJPEGStreamDecompressor: output modes and palettes, row order,
// warnings and trace messages, markers, the input buffer, progress and abort.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <stdexcept>

#include "jpeg_fixtures.h"
#include "photo/jpeg_stream_decompressor.h"
#include "photo/photo_errors.h"
#include "photo/picture.h"
#include "photo/bitmap.h"
#include "dataset/file_stream.h"
#include "photo/warning_box.h"

namespace hollin {
namespace {

using testing::Bytes;
using testing::JpegFixture;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

QRgb TopRedBottomBlue(int, int y)
{
    return y < 12 ? qRgb(255, 0, 0) : qRgb(0, 0, 255);
}

Bytes TruncatedJpeg()
{
    JpegFixture fixture;
    fixture.Width = 64;
    fixture.Height = 64;
    const Bytes whole = testing::MakeJpeg(fixture);
    return Bytes(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(whole.size() / 2));
}

class DecompressorTest : public ::testing::Test {
protected:
    void SetUp() override { TakeRecordedWarningBoxes(); }

    QImage Decode(const Bytes& jpeg)
    {
        TMemoryStream stream(jpeg);
        return decoder.DecompressBitmap(stream);
    }
    TDIB DecodeDIB(const Bytes& jpeg)
    {
        TMemoryStream stream(jpeg);
        return decoder.DecompressToDIB(stream);
    }
    // The text of the EJPEGError decoding `jpeg` fails with.
    std::string FailureOf(const Bytes& jpeg)
    {
        try {
            Decode(jpeg);
        } catch (const EJPEGError& error) {
            return error.what();
        }
        return "(no error)";
    }
    void CollectMessages() { decoder.OnWarning = [this](const std::string& text) { messages.push_back(text); }; }

    TJPEGFileDecompressor decoder;
    std::vector<std::string> messages;
};

TEST_F(DecompressorTest, GreyPaletteIsAQuarterSineWave)
{
    const std::vector<QRgb>& palette = TJPEGDecompressor::GreyPalette();
    ASSERT_EQ(palette.size(), 64u);
    const std::vector<std::pair<int, int>> expected = {{0, 0}, {1, 6}, {2, 13}, {3, 19}, {32, 183}, {63, 255}};
    for (const auto& [index, level] : expected) {
        EXPECT_EQ(palette[index], qRgb(level, level, level)) << "entry " << index;
    }
}

TEST_F(DecompressorTest, GreyJpegGivesEightBitsOverTheSinePalette)
{
    JpegFixture fixture;
    fixture.Grey = true;
    const Bytes jpeg = testing::MakeJpeg(fixture, [](int, int) { return qRgb(128, 128, 128); });

    const TDIB dib = DecodeDIB(jpeg);
    EXPECT_EQ(dib.BitCount, 8);
    EXPECT_EQ(dib.ColourTable, TJPEGDecompressor::GreyPalette());
    EXPECT_EQ(dib.Row(0)[0], 128 >> 2);

    const QImage image = Decode(jpeg);
    EXPECT_EQ(image.format(), QImage::Format_Indexed8);
    EXPECT_EQ(image.colorCount(), 64);
    EXPECT_EQ(image.pixel(5, 5), qRgb(183, 183, 183));
}

TEST_F(DecompressorTest, GreyScaleOutputTurnsAColourJpegGrey)
{
    decoder.SetGrayScaleOutput(true);
    const QImage image = Decode(testing::MakeJpeg(JpegFixture{}));
    EXPECT_EQ(image.format(), QImage::Format_Indexed8);
    EXPECT_EQ(image.colorCount(), 64);
}

TEST_F(DecompressorTest, OutputModeFollowsGreyFlagsThenTheScreen)
{
    struct Case {
        bool greyOutput;
        bool greyImage;
        TScreenKind screen;
        TJPEGOutputMode mode;
    };
    const Case cases[] = {
        {false, false, TScreenKind::skTrueColour, TJPEGOutputMode::omTrueColour},
        {false, false, TScreenKind::skPalette, TJPEGOutputMode::omPalette},
        {false, false, TScreenKind::skSixteenColours, TJPEGOutputMode::omSixteenColours},
        {true, false, TScreenKind::skPalette, TJPEGOutputMode::omGrey},
        {false, true, TScreenKind::skSixteenColours, TJPEGOutputMode::omGrey},
        {false, true, TScreenKind::skTrueColour, TJPEGOutputMode::omGrey},
    };
    for (const Case& c : cases) {
        decoder.SetGrayScaleOutput(c.greyOutput);
        decoder.SetScreen(c.screen);
        EXPECT_EQ(decoder.ChooseOutputMode(c.greyImage), c.mode);
    }
}

TEST_F(DecompressorTest, TrueColourRowsAreBottomUpBlueGreenRed)
{
    const Bytes jpeg = testing::MakeJpeg(JpegFixture{}, TopRedBottomBlue);
    const TDIB dib = DecodeDIB(jpeg);
    ASSERT_EQ(dib.BitCount, 24);
    ASSERT_EQ(dib.RowBytes(), 96u);
    const std::uint8_t* top = dib.Row(dib.Height - 1);  // the first row decoded
    const std::uint8_t* bottom = dib.Row(0);
    EXPECT_GT(top[2], 200);  // red is the third byte
    EXPECT_LT(top[0], 50);
    EXPECT_GT(bottom[0], 200);  // blue the first
    EXPECT_LT(bottom[2], 50);

    const QImage image = Decode(jpeg);
    EXPECT_EQ(image.format(), QImage::Format_RGB888);
    EXPECT_GT(qRed(image.pixel(3, 0)), 200);
    EXPECT_GT(qBlue(image.pixel(3, 23)), 200);
}

TEST_F(DecompressorTest, PaletteScreenQuantisesToColoursIn8bitMode)
{
    decoder.SetScreen(TScreenKind::skPalette);
    for (bool twoPass : {true, false}) {
        decoder.SetTwoPassQuantize(twoPass);
        decoder.SetColoursIn8bitMode(32);
        const QImage image = Decode(testing::MakeJpeg(JpegFixture{}, TopRedBottomBlue));
        EXPECT_EQ(image.format(), QImage::Format_Indexed8);
        EXPECT_LE(image.colorCount(), 32);
        EXPECT_LT(testing::CompareImages(image, testing::MakeImage(32, 24, TopRedBottomBlue)).Mean, 12.0);
    }
}

TEST_F(DecompressorTest, SixteenColourScreenPacksTwoPixelsPerByteHighNibbleFirst)
{
    decoder.SetScreen(TScreenKind::skSixteenColours);
    // Width 7, columns alternately black and white: a nibble in the wrong
    // half of its byte shows the wrong one.
    auto stripes = [](int x, int) { return x % 2 == 0 ? qRgb(0, 0, 0) : qRgb(255, 255, 255); };
    JpegFixture fixture;
    fixture.Width = 7;
    fixture.Height = 8;
    fixture.Quality = 100;
    const TDIB dib = DecodeDIB(testing::MakeJpeg(fixture, stripes));
    ASSERT_EQ(dib.BitCount, 4);
    EXPECT_EQ(dib.RowBytes(), 4u);
    ASSERT_LE(dib.ColourTable.size(), 16u);
    const std::uint8_t* top = dib.Row(dib.Height - 1);
    for (int x = 0; x < 7; ++x) {
        const unsigned index = x % 2 == 0 ? top[x / 2] >> 4 : top[x / 2] & 0x0F;
        ASSERT_LT(index, dib.ColourTable.size());
        EXPECT_EQ(qGray(dib.ColourTable[index]) > 128, x % 2 == 1) << "pixel " << x;
    }
    EXPECT_EQ(ImageFromDIB(dib).format(), QImage::Format_Indexed8);
}

TEST_F(DecompressorTest, GreyImageInAColourModeIsRefused)
{
    JpegFixture fixture;
    fixture.Grey = true;
    TMemoryStream stream(testing::MakeJpeg(fixture));
    try {
        decoder.DecompressToDIB(stream, TJPEGOutputMode::omTrueColour);
        FAIL() << "no error";
    } catch (const EJPEGError& error) {
        EXPECT_STREQ(error.what(), "Image is Grayscale but colour output requested");
    }
}

TEST_F(DecompressorTest, TruncatedJpegDecodesAfterOneWarning)
{
    CollectMessages();
    const QImage image = Decode(TruncatedJpeg());
    EXPECT_EQ(image.size(), QSize(64, 64));
    EXPECT_THAT(messages, ElementsAre("Premature end of JPEG file"));
    EXPECT_GE(decoder.Warnings(), 1);
}

TEST_F(DecompressorTest, WarningWithoutHandlerGoesToTheWarningBox)
{
    Decode(TruncatedJpeg());
    EXPECT_THAT(TakeRecordedWarningBoxes(), ElementsAre("Premature end of JPEG file"));
}

TEST_F(DecompressorTest, TraceLevelAboveTwoShowsEveryWarning)
{
    CollectMessages();
    decoder.SetTrace_Level(3);
    Decode(TruncatedJpeg());
    EXPECT_GE(decoder.Warnings(), 2);
    EXPECT_THAT(messages, ::testing::Contains("Premature end of JPEG file"));
    EXPECT_THAT(messages, ::testing::Contains("Corrupt JPEG data: premature end of data segment"));
}

TEST_F(DecompressorTest, TraceMessagesUpToTraceLevelAreShown)
{
    CollectMessages();
    Decode(testing::MakeJpeg(JpegFixture{}));
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(decoder.Warnings(), 0);

    decoder.SetTrace_Level(1);
    Decode(testing::MakeJpeg(JpegFixture{}));
    EXPECT_THAT(messages, ::testing::Contains("Start of Image"));
    EXPECT_EQ(decoder.Warnings(), 0);
}

TEST_F(DecompressorTest, HostileBytesFailWithTheirTextAndTheDecoderStaysUsable)
{
    JpegFixture fixture;
    fixture.Markers = {{JPEG_COM, std::string(300, 'c')}};
    const Bytes good = testing::MakeJpeg(fixture);

    Bytes huge = good;
    const std::size_t sof = testing::FindMarker(huge, 0xC0);
    ASSERT_NE(sof, std::string::npos);
    huge[sof + 5] = 0xC3;  // height 50000
    huge[sof + 6] = 0x50;
    huge[sof + 7] = 0xEA;  // width 60000
    huge[sof + 8] = 0x60;

    Bytes badHuffman = good;
    const std::size_t dht = testing::FindMarker(badHuffman, 0xC4);
    ASSERT_NE(dht, std::string::npos);
    for (int i = 0; i < 16; ++i) {
        badHuffman[dht + 5 + i] = 0xFF;  // more codes than any table may hold
    }

    const Bytes cutInComment(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(testing::FindMarker(good, 0xFE) + 100));

    const std::vector<std::pair<Bytes, std::string>> cases = {
        {{}, "Premature end of input file"},
        {{'G', 'I', 'F', '8', '9', 'a', 0, 0}, "Not a JPEG file: starts with 0x47 0x49"},
        {{0xFF, 0xD8}, "JPEG datastream contains no image"},
        {huge, "Image too large to decode: 60000 x 50000 pixels"},
        {badHuffman, "Bogus Huffman table definition"},
        {cutInComment, "Read beyond end of JPEG source"},
    };
    for (const auto& [bytes, text] : cases) {
        EXPECT_EQ(FailureOf(bytes), text);
        EXPECT_FALSE(decoder.Busy());
        EXPECT_EQ(Decode(good).size(), QSize(32, 24)) << "after: " << text;
    }
}

TEST_F(DecompressorTest, LibraryMemoryBeyondItsLimitIsOutOfMemory)
{
    JpegFixture fixture;
    fixture.Width = 256;
    fixture.Height = 256;
    fixture.Progressive = true;  // the library keeps every coefficient: about 200 KB here
    const Bytes jpeg = testing::MakeJpeg(fixture);
    decoder.SetMaxLibraryMemory(100 * 1024);
    EXPECT_THROW(Decode(jpeg), EOutOfMemory);
    decoder.SetMaxLibraryMemory(64L * 1024 * 1024);
    EXPECT_EQ(Decode(jpeg).size(), QSize(256, 256));
}

TEST_F(DecompressorTest, CommentReachesOnJPEGCommentOnceAndEmptyOnesNot)
{
    JpegFixture fixture;
    fixture.Markers = {{JPEG_COM, ""}, {JPEG_COM, "Grandma's 80th"}};
    std::vector<std::string> comments;
    decoder.OnJPEGComment = [&](TJPEGDecompressor& sender, const std::string& text) {
        EXPECT_EQ(&sender, &decoder);
        comments.push_back(text);
    };
    Decode(testing::MakeJpeg(fixture));
    EXPECT_THAT(comments, ElementsAre("Grandma's 80th"));
}

TEST_F(DecompressorTest, ApplicationMarkersReachOnJPEGMarkerAndAreSkippedUnlessRead)
{
    JpegFixture fixture;
    fixture.Markers = {{JPEG_APP0 + 1, "Exif\0\0data"}, {JPEG_APP0 + 14, "Adobe-ish"}, {JPEG_APP0 + 15, "last"}};
    std::vector<int> seen;
    std::vector<std::string> read;
    decoder.OnJPEGMarker = [&](TJPEGDecompressor&, int marker, bool& done) {
        seen.push_back(marker);
        if (marker == 15) {
            read.push_back(decoder.ReadMarkerData());
            done = true;
        }
    };
    EXPECT_EQ(Decode(testing::MakeJpeg(fixture)).size(), QSize(32, 24));
    EXPECT_THAT(seen, ElementsAre(1, 15));  // APP0 (JFIF) and APP14 stay with the library
    EXPECT_THAT(read, ElementsAre("last"));
    EXPECT_THROW(decoder.ReadMarkerData(), EJPEGError);
}

TEST_F(DecompressorTest, AnyInputBufferSizeGivesTheSamePictureAndComment)
{
    JpegFixture fixture;
    fixture.Markers = {{JPEG_COM, std::string(5000, 'x') + "end"}, {JPEG_APP0 + 2, std::string(9000, 'a')}};
    const Bytes jpeg = testing::MakeJpeg(fixture);
    const QImage expected = Decode(jpeg);
    for (std::size_t size : {1u, 3u, 4096u, 100000u}) {
        decoder.SetInputBufferSize(size);
        std::string comment;
        decoder.OnJPEGComment = [&](TJPEGDecompressor&, const std::string& text) { comment = text; };
        EXPECT_EQ(Decode(jpeg), expected) << "buffer " << size;
        EXPECT_EQ(comment.size(), 5003u);
    }
}

TEST_F(DecompressorTest, StreamIsLeftJustAfterTheImage)
{
    JpegFixture small;
    small.Width = 8;
    small.Height = 8;
    Bytes both = testing::MakeJpeg(JpegFixture{});
    const Bytes second = testing::MakeJpeg(small);
    both.insert(both.end(), second.begin(), second.end());
    TMemoryStream stream(both);
    EXPECT_EQ(decoder.DecompressBitmap(stream).size(), QSize(32, 24));
    EXPECT_EQ(stream.Position(), static_cast<std::int64_t>(both.size() - second.size()));
    EXPECT_EQ(decoder.DecompressBitmap(stream).size(), QSize(8, 8));
    EXPECT_EQ(stream.Position(), stream.Size());
}

TEST_F(DecompressorTest, InputBufferCannotChangeWhileItHoldsBytes)
{
    JpegFixture fixture;
    fixture.Markers = {{JPEG_COM, "hello"}};
    decoder.OnJPEGComment = [&](TJPEGDecompressor&, const std::string&) { decoder.SetInputBufferSize(10); };
    EXPECT_EQ(FailureOf(testing::MakeJpeg(fixture)), "Cannot change buffer size while buffer is in use");
    EXPECT_THROW(decoder.SetInputBufferSize(0), EJPEGError);
    decoder.SetInputBufferSize(10);
    EXPECT_EQ(decoder.InputBufferSize(), 10u);
}

TEST_F(DecompressorTest, ProgressRisesToOneHundred)
{
    std::vector<int> reported;
    decoder.OnProgressReport = [&](TJPEGBase& sender) { reported.push_back(sender.PercentDone()); };
    JpegFixture fixture;
    fixture.Progressive = true;
    fixture.Height = 200;
    Decode(testing::MakeJpeg(fixture));
    ASSERT_GE(reported.size(), 3u);
    EXPECT_TRUE(std::is_sorted(reported.begin(), reported.end()));
    EXPECT_EQ(reported.back(), 100);
    EXPECT_LT(reported.front(), 50);
}

TEST_F(DecompressorTest, AbortFromAnEventStopsWithUserInterrupt)
{
    const Bytes jpeg = testing::MakeJpeg(JpegFixture{});
    decoder.OnProgressReport = [&](TJPEGBase& sender) { sender.Abort(); };
    EXPECT_EQ(FailureOf(jpeg), "User Interrupt");
    decoder.OnProgressReport = nullptr;

    decoder.OnWarning = [&](const std::string&) { decoder.Abort(); };
    EXPECT_EQ(FailureOf(TruncatedJpeg()), "User Interrupt");
    decoder.OnWarning = nullptr;

    decoder.Abort();  // at rest: nothing to stop, nothing breaks
    EXPECT_EQ(Decode(jpeg).size(), QSize(32, 24));
}

TEST_F(DecompressorTest, AnExceptionFromAHandlerPassesOn)
{
    JpegFixture fixture;
    fixture.Markers = {{JPEG_COM, "x"}};
    decoder.OnJPEGComment = [](TJPEGDecompressor&, const std::string&) { throw std::logic_error("handler failed"); };
    EXPECT_THROW(
        {
            try {
                Decode(testing::MakeJpeg(fixture));
            } catch (const std::logic_error& error) {
                EXPECT_STREQ(error.what(), "handler failed");
                throw;
            }
        },
        std::logic_error);
    decoder.OnJPEGComment = [&](TJPEGDecompressor&, const std::string&) { Decode(testing::MakeJpeg(JpegFixture{})); };
    EXPECT_EQ(FailureOf(testing::MakeJpeg(fixture)), "JPEG codec is already in use");
}

TEST_F(DecompressorTest, DecodingIntoAPictureNeedsOne)
{
    TMemoryStream stream(testing::MakeJpeg(JpegFixture{}));
    try {
        decoder.DecompressToPicture(stream, nullptr);
        FAIL() << "no error";
    } catch (const EJPEGError& error) {
        EXPECT_STREQ(error.what(), "The Image Property is empty!");
    }
    TPicture picture;
    decoder.DecompressToPicture(stream, &picture);
    ASSERT_NE(dynamic_cast<TBitmap*>(picture.Graphic()), nullptr);
    EXPECT_EQ(picture.Width(), 32);
}

}  // namespace
}  // namespace hollin
