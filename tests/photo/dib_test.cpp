// Tests of the DIB layout and its conversion to and from QImage.
#include <gtest/gtest.h>

#include "photo/dib.h"
#include "photo/photo_errors.h"

namespace hollin {
namespace {

TEST(DIBTest, RowsArePaddedToWholeWords)
{
    struct Case {
        int width;
        int bits;
        std::size_t bytes;
    };
    for (const Case& c : {Case{1, 24, 4}, Case{3, 24, 12}, Case{5, 24, 16}, Case{5, 8, 8}, Case{7, 4, 4},
                          Case{9, 4, 8}, Case{33, 1, 8}}) {
        EXPECT_EQ(TDIB::RowBytes(c.width, c.bits), c.bytes) << c.width << " x " << c.bits;
    }
}

TEST(DIBTest, ConversionTurnsRowsAroundAndSwapsRedAndBlue)
{
    QImage image(3, 2, QImage::Format_RGB32);
    image.setPixel(0, 0, qRgb(10, 20, 30));   // top left
    image.setPixel(2, 1, qRgb(40, 50, 60));   // bottom right
    const TDIB dib = DIBFromImage(image);
    ASSERT_EQ(dib.BitCount, 24);
    const std::uint8_t* top = dib.Row(1);
    EXPECT_EQ((std::vector<int>{top[0], top[1], top[2]}), (std::vector<int>{30, 20, 10}));
    const std::uint8_t* bottom = dib.Row(0);
    EXPECT_EQ((std::vector<int>{bottom[6], bottom[7], bottom[8]}), (std::vector<int>{60, 50, 40}));

    const QImage back = ImageFromDIB(dib);
    EXPECT_EQ(back.format(), QImage::Format_RGB888);
    EXPECT_EQ(back.pixel(0, 0), qRgb(10, 20, 30));
    EXPECT_EQ(back.pixel(2, 1), qRgb(40, 50, 60));
}

TEST(DIBTest, IndexedAndMonoImagesKeepTheirDepth)
{
    QImage indexed(4, 1, QImage::Format_Indexed8);
    indexed.setColorTable({qRgb(1, 2, 3), qRgb(4, 5, 6)});
    indexed.fill(1);
    const TDIB eight = DIBFromImage(indexed);
    EXPECT_EQ(eight.BitCount, 8);
    EXPECT_EQ(eight.ColourTable.size(), 2u);
    EXPECT_EQ(ImageFromDIB(eight).pixel(3, 0), qRgb(4, 5, 6));

    EXPECT_EQ(DIBFromImage(QImage(4, 4, QImage::Format_MonoLSB)).BitCount, 1);
    EXPECT_EQ(DIBFromImage(QImage(4, 4, QImage::Format_Grayscale8)).ColourTable.size(), 256u);
}

TEST(DIBTest, BadInputIsAnError)
{
    EXPECT_THROW(DIBFromImage(QImage()), EInvalidGraphic);
    TDIB shortRows;
    shortRows.Width = 4;
    shortRows.Height = 4;
    shortRows.BitCount = 24;
    shortRows.Bits.assign(47, 0);
    EXPECT_THROW(ImageFromDIB(shortRows), EInvalidGraphic);
    shortRows.Bits.assign(64, 0);
    shortRows.BitCount = 16;
    EXPECT_THROW(ImageFromDIB(shortRows), EInvalidGraphic);
}

}  // namespace
}  // namespace hollin
