// Tests of the picture format registry and TPicture's loading by extension.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>

#include <unistd.h>

#include "jpeg_fixtures.h"
#include "photo/jpeg_bitmap.h"
#include "photo/photo_errors.h"
#include "photo/picture.h"
#include "photo/picture_formats.h"
#include "dataset/file_stream.h"

namespace hollin {
namespace {

using ::testing::ElementsAre;

TEST(PictureFormatsTest, JpegIsRegisteredForBothExtensions)
{
    TPictureFormats& formats = TPictureFormats::Instance();
    for (const char* extension : {"jpg", "JPG", ".jpeg", "JpEg"}) {
        const TPictureFormat* format = formats.Find(extension);
        ASSERT_NE(format, nullptr) << extension;
        EXPECT_EQ(format->Description, "JPEG Image");
        EXPECT_NE(dynamic_cast<TJPEGBitmap*>(format->Create().get()), nullptr);
    }
    EXPECT_EQ(formats.Find("bmp")->Description, "Bitmaps");
    EXPECT_EQ(formats.Find("gif"), nullptr);
    EXPECT_THAT(formats.NameFilters(), ElementsAre("All (*.bmp *.jpg *.jpeg)", "Bitmaps (*.bmp)",
                                                   "JPEG Image (*.jpg)", "JPEG Image (*.jpeg)"));
}

TEST(PictureFormatsTest, PictureLoadsByExtensionUntilUnregistered)
{
    std::string pattern = (std::filesystem::temp_directory_path() / "hollin-formats-XXXXXX").string();
    const std::string folder = ::mkdtemp(pattern.data());
    const std::string jpegPath = folder + "/Photo.JPG";
    {
        TFileStream file(jpegPath, TFileMode::fmCreate);
        const testing::Bytes jpeg = testing::MakeJpeg(testing::JpegFixture{});
        file.Write(jpeg.data(), jpeg.size());
    }
    TPicture picture;
    int changes = 0;
    picture.OnChange = [&](TPicture&) { ++changes; };
    picture.LoadFromFile(jpegPath);
    EXPECT_NE(dynamic_cast<TJPEGBitmap*>(picture.Graphic()), nullptr);
    EXPECT_EQ(picture.Width(), 32);
    EXPECT_EQ(changes, 1);

    try {
        picture.LoadFromFile(folder + "/photo.gif");
        FAIL() << "no error";
    } catch (const EInvalidGraphic& error) {
        EXPECT_STREQ(error.what(), "Unknown picture file extension (.gif)");
    }

    TPictureFormats& formats = TPictureFormats::Instance();
    TJPEGBitmap::Unregister(formats);
    EXPECT_EQ(formats.Find("jpeg"), nullptr);
    EXPECT_THROW(picture.LoadFromFile(jpegPath), EInvalidGraphic);
    TJPEGBitmap::Register(formats);
    EXPECT_NE(formats.Find("jpeg"), nullptr);
    EXPECT_EQ(picture.Width(), 32);  // the failed loads kept the picture

    std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace hollin
