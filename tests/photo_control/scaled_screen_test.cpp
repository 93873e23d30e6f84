// The photo control on a screen scaled to 200 % (this program runs with
// QT_SCALE_FACTOR=2): the photo is drawn with the screen's pixels, not
// scaled up from the control's logical size.
#include <gtest/gtest.h>

#include <QApplication>

#include "photo/bitmap.h"
#include "photo/db_jpeg_image.h"

namespace hollin::ui {
namespace {

TEST(PhotoControlScaled, APhotoKeepsTheScreensPixels) {
    ASSERT_EQ(qApp->devicePixelRatio(), 2.0) << "run with QT_SCALE_FACTOR=2";
    // Stripes one pixel wide: any scaling through the logical size greys them.
    QImage stripes(200, 100, QImage::Format_RGB32);
    for (int x = 0; x < stripes.width(); ++x) {
        for (int y = 0; y < stripes.height(); ++y) stripes.setPixel(x, y, x % 2 ? qRgb(0, 0, 0) : qRgb(255, 255, 255));
    }
    TDBJPEGImage image;
    image.resize(100, 50);
    image.SetStretch(true);
    image.Picture().SetGraphic(std::make_unique<TBitmap>(stripes));

    const QImage shown = image.grab().toImage();
    ASSERT_EQ(shown.size(), QSize(200, 100));
    for (int x : {0, 1, 98, 99, 150, 151}) {
        EXPECT_EQ(QColor(shown.pixel(x, 50)).lightness(), x % 2 ? 0 : 255) << "column " << x;
    }
}

}  // namespace
}  // namespace hollin::ui
