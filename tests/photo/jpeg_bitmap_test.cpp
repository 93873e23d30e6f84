// Tests of TJPEGBitmap and the shared default codecs.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include <unistd.h>

#include "jpeg_fixtures.h"
#include "photo/jpeg_bitmap.h"
#include "photo/jpeg_stream_compressor.h"
#include "photo/jpeg_stream_decompressor.h"
#include "photo/photo_errors.h"
#include "dataset/file_stream.h"

namespace hollin {
namespace {

using testing::Bytes;

// A temporary folder, removed with its files afterwards.
class TempFolder {
public:
    TempFolder()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "hollin-photo-XXXXXX").string();
        m_path = ::mkdtemp(pattern.data());
    }
    ~TempFolder()
    {
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }
    std::string operator/(const std::string& name) const { return m_path + "/" + name; }

private:
    std::string m_path;
};

Bytes FileBytes(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(file), {});
}

struct Step {
    TProgressStage stage;
    int percent;
    std::string text;
};

class JPEGBitmapTest : public ::testing::Test {
protected:
    void SetUp() override { TJPEGBitmap::FreeOwnerlessCodecs(); }
    void TearDown() override { TJPEGBitmap::FreeOwnerlessCodecs(); }

    void Record(TJPEGBitmap& bitmap)
    {
        bitmap.OnProgress = [this](TGraphic&, TProgressStage stage, int percent, const std::string& text) {
            steps.push_back({stage, percent, text});
        };
    }

    std::vector<Step> steps;
};

TEST_F(JPEGBitmapTest, SavingChoosesTheFormatByExtension)
{
    TempFolder folder;
    TJPEGBitmap bitmap(testing::MakeImage(20, 10));
    const std::vector<std::pair<std::string, std::uint8_t>> cases = {
        {"photo.BMP", 'B'}, {"photo.JPEG", 0xFF}, {"photo.jpg", 0xFF}, {"photo.png", 'B'}};
    for (const auto& [name, first] : cases) {
        bitmap.SaveToFile(folder / name);
        const Bytes bytes = FileBytes(folder / name);
        ASSERT_GE(bytes.size(), 2u) << name;
        EXPECT_EQ(bytes[0], first) << name;
        EXPECT_EQ(bytes[1], first == 'B' ? 'M' : 0xD8) << name;
    }
    TBitmap reread;
    reread.LoadFromFile(folder / "photo.BMP");
    EXPECT_EQ(reread.Image().size(), QSize(20, 10));
    TJPEGBitmap decoded;
    decoded.LoadFromFile(folder / "photo.JPEG");
    EXPECT_EQ(decoded.Image().size(), QSize(20, 10));
}

TEST_F(JPEGBitmapTest, LoadingReportsItsProgressTexts)
{
    TJPEGBitmap bitmap;
    Record(bitmap);
    TMemoryStream stream(testing::MakeJpeg(testing::JpegFixture{}));
    bitmap.LoadFromStream(stream);
    EXPECT_EQ(bitmap.Image().size(), QSize(32, 24));
    ASSERT_GE(steps.size(), 3u);
    EXPECT_EQ(steps.front().stage, TProgressStage::psStarting);
    EXPECT_EQ(steps.front().text, "Opening JPEG Image");
    EXPECT_EQ(steps.back().stage, TProgressStage::psEnding);
    EXPECT_EQ(steps.back().percent, 100);
    EXPECT_EQ(steps.back().text, "Decompression completed");
    for (std::size_t i = 1; i + 1 < steps.size(); ++i) {
        EXPECT_EQ(steps[i].stage, TProgressStage::psRunning);
        EXPECT_EQ(steps[i].text, "Decompressing Image");
    }
}

TEST_F(JPEGBitmapTest, SavingReportsCompressingImage)
{
    TJPEGBitmap bitmap(testing::MakeImage(16, 16));
    Record(bitmap);
    TMemoryStream stream;
    bitmap.SaveToStream(stream);
    EXPECT_EQ(testing::DecodeWithLibjpeg(stream.Bytes()).size(), QSize(16, 16));
    ASSERT_GE(steps.size(), 3u);
    for (std::size_t i = 0; i + 1 < steps.size(); ++i) {
        EXPECT_EQ(steps[i].text, "Compressing Image");
    }
    EXPECT_EQ(steps.back().stage, TProgressStage::psEnding);
}

TEST_F(JPEGBitmapTest, TheFirstStreamCodecIsTheSharedDefaultUntilDestroyed)
{
    ASSERT_EQ(TJPEGStreamDecompressor::DefaultDecompressor(), nullptr);
    ASSERT_EQ(TJPEGStreamCompressor::DefaultCompressor(), nullptr);
    {
        auto first = std::make_unique<TJPEGFileDecompressor>();
        TJPEGFileDecompressor second;
        TJPEGFileCompressor encoder;
        EXPECT_EQ(TJPEGStreamDecompressor::DefaultDecompressor(), first.get());
        EXPECT_EQ(TJPEGStreamCompressor::DefaultCompressor(), &encoder);
        first.reset();
        EXPECT_EQ(TJPEGStreamDecompressor::DefaultDecompressor(), nullptr);
    }
    EXPECT_EQ(TJPEGStreamCompressor::DefaultCompressor(), nullptr);

    // Without one, the bitmap makes an ownerless default and keeps using it.
    TJPEGBitmap bitmap;
    TMemoryStream stream(testing::MakeJpeg(testing::JpegFixture{}));
    bitmap.LoadFromStream(stream);
    TJPEGStreamDecompressor* made = TJPEGStreamDecompressor::DefaultDecompressor();
    ASSERT_NE(made, nullptr);
    EXPECT_EQ(made->parent(), nullptr);
    EXPECT_EQ(&TJPEGBitmap::SharedDecompressor(), made);
}

TEST_F(JPEGBitmapTest, LoadingUsesTheDefaultDecompressorAndRestoresItsHandler)
{
    TJPEGFileDecompressor codec;
    int ownReports = 0;
    codec.OnProgressReport = [&](TJPEGBase&) { ++ownReports; };
    std::string comment;
    codec.OnJPEGComment = [&](TJPEGDecompressor&, const std::string& text) { comment = text; };

    testing::JpegFixture fixture;
    fixture.Markers = {{JPEG_COM, "seen by the default"}};
    TJPEGBitmap bitmap;
    TMemoryStream stream(testing::MakeJpeg(fixture));
    bitmap.LoadFromStream(stream);
    EXPECT_EQ(comment, "seen by the default");
    EXPECT_GT(ownReports, 0);

    const int during = ownReports;
    TMemoryStream again(testing::MakeJpeg(fixture));
    codec.DecompressBitmap(again);
    EXPECT_GT(ownReports, during);  // its own handler is back
}

TEST_F(JPEGBitmapTest, AFailedLoadKeepsThePixelsAndASaveKeepsTheCompressor)
{
    TJPEGBitmap bitmap(testing::MakeImage(5, 5));
    TMemoryStream garbage(Bytes{'n', 'o', 'p', 'e'});
    EXPECT_THROW(bitmap.LoadFromStream(garbage), EJPEGError);
    EXPECT_EQ(bitmap.Image().size(), QSize(5, 5));

    TJPEGFileCompressor encoder;
    TMemoryStream out;
    bitmap.SaveToStream(out);
    EXPECT_EQ(TJPEGStreamCompressor::DefaultCompressor(), &encoder);
    EXPECT_FALSE(encoder.Busy());
}

}  // namespace
}  // namespace hollin
