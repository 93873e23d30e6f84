// The photo control's painting from its scaled picture cache, and its
// clipboard commands and keys.
#include <QClipboard>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QPainter>

#include "controls/error_handler.h"
#include "photo/bitmap.h"
#include "photo/db_jpeg_image.h"
#include "photo/flag_scope.h"
#include "photo/metafile.h"
#include "photo/oriented_image.h"

namespace hollin::ui {

namespace {

// Draws the graphic into target, scaled to fill it; a bitmap turned as the
// photo's orientation says.
void DrawGraphic(QPainter& painter, const TGraphic& graphic, const QRect& target, TExifOrientation orientation) {
    if (const auto* bitmap = dynamic_cast<const TBitmap*>(&graphic)) {
        const QImage image = OrientedImage(bitmap->Image(), orientation);
        if (image.size() == target.size()) {
            painter.drawImage(target.topLeft(), image);
        } else {
            // Area averaging: a photo many times the control's size stays smooth.
            painter.drawImage(target.topLeft(),
                              image.scaled(target.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
        }
    } else if (const auto* metafile = dynamic_cast<const TMetafile*>(&graphic)) {
        if (metafile->Width() <= 0 || metafile->Height() <= 0) return;
        painter.save();
        painter.translate(target.topLeft());
        painter.scale(double(target.width()) / metafile->Width(), double(target.height()) / metafile->Height());
        painter.translate(-metafile->Origin());
        QPicture picture = metafile->Picture();
        picture.play(&painter);
        painter.restore();
    }
}

}  // namespace

void TDBJPEGImage::SetStretch(bool value) {
    if (m_stretch == value) return;
    m_stretch = value;
    m_cacheValid = false;
    update();
}

void TDBJPEGImage::SetCenter(bool value) {
    if (m_center == value) return;
    m_center = value;
    update();
}

QImage TDBJPEGImage::PictureImage() const {
    const TGraphic* graphic = m_picture.Graphic();
    if (graphic == nullptr || graphic->Empty()) return QImage();
    if (const auto* bitmap = dynamic_cast<const TBitmap*>(graphic)) return OrientedImage(bitmap->Image(), m_orientation);
    QImage image(graphic->Width(), graphic->Height(), QImage::Format_RGB32);
    if (image.isNull()) return image;
    image.fill(Qt::white);
    QPainter painter(&image);
    DrawGraphic(painter, *graphic, image.rect(), m_orientation);
    return image;
}

QRect TDBJPEGImage::DestinationRect(QSize pictureSize) const {
    if (m_stretch) return rect();
    QRect target(QPoint(0, 0), pictureSize);
    if (m_center) target.moveCenter(rect().center());
    return target;
}

void TDBJPEGImage::paintEvent(QPaintEvent*) {
    // The picture is drawn as it is: nothing painting does may count as a
    // change through the control.
    TFlagScope painting(m_painting);

    const TGraphic* graphic = m_picture.Graphic();
    if (graphic == nullptr || graphic->Empty()) return;
    const QRect target = DestinationRect(OrientedSize(QSize(graphic->Width(), graphic->Height()), m_orientation));
    if (target.isEmpty()) return;
    // Scaling a large photo is the slow part: do it once per picture and size.
    // The cache has the screen's pixels (the target times the device pixel
    // ratio), so that a photo stays sharp on a scaled screen.
    const qreal ratio = devicePixelRatioF();
    const QSize pixels = (QSizeF(target.size()) * ratio).toSize();
    if (!m_cacheValid || m_cache.size() != pixels) {
        QImage scaled(pixels, QImage::Format_RGB32);
        scaled.fill(Qt::white);
        {
            QPainter painter(&scaled);
            DrawGraphic(painter, *graphic, scaled.rect(), m_orientation);
        }
        m_cache = QPixmap::fromImage(std::move(scaled));
        m_cache.setDevicePixelRatio(ratio);
        m_cacheValid = true;
    }
    QPainter painter(this);
    painter.drawPixmap(target.topLeft(), m_cache);
}

void TDBJPEGImage::keyPressEvent(QKeyEvent* event) {
    if (event->matches(QKeySequence::Cut)) {
        RunGuarded([this] { CutToClipboard(); });
    } else if (event->matches(QKeySequence::Copy)) {
        RunGuarded([this] { CopyToClipboard(); });
    } else if (event->matches(QKeySequence::Paste)) {
        RunGuarded([this] { PasteFromClipboard(); });
    } else {
        QWidget::keyPressEvent(event);
        return;
    }
    event->accept();
}

void TDBJPEGImage::CopyToClipboard() {
    const QImage image = PictureImage();
    if (!image.isNull()) QGuiApplication::clipboard()->setImage(image);
}

void TDBJPEGImage::CutToClipboard() {
    CopyToClipboard();
    m_picture.SetGraphic(nullptr);
}

void TDBJPEGImage::PasteFromClipboard() {
    QImage image = QGuiApplication::clipboard()->image();
    if (image.isNull()) return;
    m_picture.SetGraphic(std::make_unique<TBitmap>(std::move(image)));
}

}  // namespace hollin::ui
