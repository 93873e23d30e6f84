// Button glyphs painted on 16 x 16 pixmaps.
#include "views/glyphs.h"

#include <QPainter>
#include <QPixmap>

namespace hollin {

namespace {

QPixmap Canvas() {
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    return pixmap;
}

}  // namespace

QIcon PrinterGlyph() {
    QPixmap pixmap = Canvas();
    QPainter p(&pixmap);
    p.setPen(Qt::black);
    p.setBrush(Qt::white);
    p.drawRect(4, 1, 7, 5);    // paper coming in
    p.setBrush(QColor(160, 160, 160));
    p.drawRect(1, 6, 13, 6);   // body
    p.setBrush(Qt::white);
    p.drawRect(4, 10, 7, 4);   // paper going out
    p.setPen(QColor(0, 160, 0));
    p.drawPoint(12, 8);        // power light
    return QIcon(pixmap);
}

QIcon ExitGlyph() {
    QPixmap pixmap = Canvas();
    QPainter p(&pixmap);
    p.setPen(Qt::black);
    p.setBrush(QColor(150, 100, 50));
    p.drawRect(2, 1, 7, 13);   // door
    p.setPen(QPen(QColor(200, 0, 0), 2));
    p.drawLine(7, 8, 14, 8);   // arrow shaft
    p.drawLine(11, 5, 14, 8);
    p.drawLine(11, 11, 14, 8);
    return QIcon(pixmap);
}

}  // namespace hollin
