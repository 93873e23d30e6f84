// Draws the navigator's glyphs: arrows with bars, plus, minus, a triangle
// for edit, a check, a cross and a circular arrow.
#include "controls/navigator_glyphs.h"

#include <QPainter>
#include <QPainterPath>
#include <QPalette>
#include <QPixmap>

namespace hollin::ui {
namespace {

constexpr int kSize = 16;

void DrawTriangle(QPainter& p, bool left, qreal x) {
    QPolygonF t;
    if (left) {
        t << QPointF(x + 5, 3) << QPointF(x, 8) << QPointF(x + 5, 13);
    } else {
        t << QPointF(x, 3) << QPointF(x + 5, 8) << QPointF(x, 13);
    }
    p.drawPolygon(t);
}

void DrawGlyph(QPainter& p, TNavigateBtn button, const QColor& color) {
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(color, 1.0));
    p.setBrush(color);
    switch (button) {
        case TNavigateBtn::nbFirst:
            p.drawRect(QRectF(4, 3, 1.5, 10));
            DrawTriangle(p, true, 6.5);
            break;
        case TNavigateBtn::nbPrior: DrawTriangle(p, true, 5.5); break;
        case TNavigateBtn::nbNext: DrawTriangle(p, false, 5.5); break;
        case TNavigateBtn::nbLast:
            DrawTriangle(p, false, 4.5);
            p.drawRect(QRectF(10.5, 3, 1.5, 10));
            break;
        case TNavigateBtn::nbInsert:
            p.drawRect(QRectF(3, 7, 10, 2));
            p.drawRect(QRectF(7, 3, 2, 10));
            break;
        case TNavigateBtn::nbDelete: p.drawRect(QRectF(3, 7, 10, 2)); break;
        case TNavigateBtn::nbEdit: {
            QPolygonF t;
            t << QPointF(8, 3) << QPointF(13, 12) << QPointF(3, 12);
            p.drawPolygon(t);
            break;
        }
        case TNavigateBtn::nbPost:
            p.setBrush(Qt::NoBrush);
            p.setPen(QPen(color, 2.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
            p.drawPolyline(QPolygonF({QPointF(3, 8), QPointF(6.5, 12), QPointF(13, 4)}));
            break;
        case TNavigateBtn::nbCancel:
            p.setPen(QPen(color, 2.0, Qt::SolidLine, Qt::RoundCap));
            p.drawLine(QPointF(4, 4), QPointF(12, 12));
            p.drawLine(QPointF(12, 4), QPointF(4, 12));
            break;
        case TNavigateBtn::nbRefresh: {
            p.setBrush(Qt::NoBrush);
            p.setPen(QPen(color, 1.6, Qt::SolidLine, Qt::FlatCap));
            p.drawArc(QRectF(3, 3, 10, 10), 60 * 16, 300 * 16);
            p.setPen(QPen(color, 1.0));
            p.setBrush(color);
            QPolygonF head;
            head << QPointF(9, 1.5) << QPointF(13, 4) << QPointF(9, 6.5);
            p.drawPolygon(head);
            break;
        }
    }
}

// The glyph drawn `scale` times the 16 pixels, so that a scaled screen gets
// a sharp glyph rather than the 16-pixel one enlarged.
QPixmap GlyphPixmap(TNavigateBtn button, const QColor& color, int scale) {
    QPixmap pixmap(kSize * scale, kSize * scale);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.scale(scale, scale);
    DrawGlyph(painter, button, color);
    return pixmap;
}

}  // namespace

QIcon NavigatorGlyph(TNavigateBtn button, const QPalette& palette) {
    QIcon icon;
    for (int scale : {1, 2, 3}) {
        icon.addPixmap(GlyphPixmap(button, palette.color(QPalette::Active, QPalette::ButtonText), scale), QIcon::Normal);
        icon.addPixmap(GlyphPixmap(button, palette.color(QPalette::Disabled, QPalette::ButtonText), scale),
                       QIcon::Disabled);
    }
    return icon;
}

}  // namespace hollin::ui
