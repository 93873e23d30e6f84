// Painting the calendar's pages.
#include "views/calendar_painter.h"

#include <QFile>
#include <QFontMetricsF>
#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>
#include <filesystem>
#include <stdexcept>

#include "data/calendar_layout.h"
#include "dataset/date_time.h"

namespace hollin::ui {

namespace {

const char* const kWeekdays[] = {"Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};
constexpr int kOverflowColumns = 3;

QFont Font(double points, bool bold = false) {
    QFont font(QStringLiteral("Arial"), 1);
    font.setPointSizeF(points);
    font.setBold(bold);
    return font;
}

// One month on the page rectangle `page` (device pixels).
void PaintMonth(QPainter& painter, const QRectF& page, const std::vector<TUpcomingEvent>& yearEvents, int year,
                int month, const std::string& tableName) {
    const QFont title = Font(20, true), heading = Font(9, true), dayNumber = Font(9, true), entry = Font(7.5),
                entryBold = Font(7.5, true), footer = Font(8);
    const double titleHeight = QFontMetricsF(title, painter.device()).height() * 1.6;
    const double headingHeight = QFontMetricsF(heading, painter.device()).height() * 1.4;
    const double entryLine = QFontMetricsF(entry, painter.device()).height();
    const double footerHeight = QFontMetricsF(footer, painter.device()).height() * 1.5;
    const double gridTop = page.top() + titleHeight + headingHeight;
    const double gridHeight = page.height() * 0.72 - titleHeight - headingHeight;
    const double cellWidth = page.width() / 7;

    // Six rows always: every month's cells have the same size.
    const double cellHeight = gridHeight / 6;
    const double dayLine = QFontMetricsF(dayNumber, painter.device()).height() * 1.1;
    const int linesPerCell = std::max(1, static_cast<int>((cellHeight - dayLine) / entryLine));
    const TCalendarMonth layout = CalendarMonth(yearEvents, year, month, linesPerCell);

    painter.setPen(Qt::black);
    painter.setFont(title);
    painter.drawText(QRectF(page.left(), page.top(), page.width(), titleHeight), Qt::AlignCenter,
                     QString::fromStdString(layout.title));
    painter.setFont(heading);
    for (int d = 0; d < 7; ++d) {
        painter.drawText(QRectF(page.left() + d * cellWidth, page.top() + titleHeight, cellWidth, headingHeight),
                         Qt::AlignCenter, QString::fromUtf8(kWeekdays[d]));
    }
    const double pad = cellWidth * 0.03;
    for (std::size_t i = 0; i < layout.cells.size(); ++i) {
        const TCalendarCell& cell = layout.cells[i];
        const QRectF box(page.left() + static_cast<double>(i % 7) * cellWidth,
                         gridTop + static_cast<double>(i / 7) * cellHeight, cellWidth, cellHeight);
        painter.setPen(QPen(Qt::black, 0));
        painter.setBrush(cell.day == 0 ? QColor(235, 235, 235) : QColor(Qt::white));
        painter.drawRect(box);
        if (cell.day == 0) continue;
        painter.setFont(dayNumber);
        painter.drawText(box.adjusted(pad, 0, -pad, 0), Qt::AlignRight | Qt::AlignTop, QString::number(cell.day));
        double y = box.top() + dayLine;
        auto line = [&](const std::string& text, bool bold) {
            painter.setFont(bold ? entryBold : entry);
            const QString shown = QFontMetricsF(painter.font(), painter.device())
                                      .elidedText(QString::fromStdString(text), Qt::ElideRight, cellWidth - 2 * pad);
            painter.drawText(QRectF(box.left() + pad, y, cellWidth - 2 * pad, entryLine), Qt::AlignLeft, shown);
            y += entryLine;
        };
        for (const TCalendarEntry& e : cell.entries) line(e.text, e.round);
        if (cell.more > 0) line("+" + std::to_string(cell.more) + " more", false);
    }

    // The overflow, in columns under the grid, as far as the page holds it.
    double y = gridTop + 6 * cellHeight + entryLine;
    const double bottom = page.bottom() - footerHeight;
    if (!layout.overflow.empty() && y + entryLine < bottom) {
        painter.setFont(heading);
        painter.drawText(QRectF(page.left(), y, page.width(), entryLine * 1.3), Qt::AlignLeft,
                         QStringLiteral("More this month"));
        y += entryLine * 1.4;
        const int rows = std::max(1, static_cast<int>((bottom - y) / entryLine));
        const double columnWidth = page.width() / kOverflowColumns;
        // When even the list is too long, its last place says how many are left out.
        const std::size_t places = static_cast<std::size_t>(rows * kOverflowColumns);
        const std::size_t listed = layout.overflow.size() <= places ? layout.overflow.size() : places - 1;
        for (std::size_t i = 0; i < layout.overflow.size() && i < places; ++i) {
            const TCalendarEntry e = i < listed ? layout.overflow[i]
                                                : TCalendarEntry{"+" + std::to_string(layout.overflow.size() - listed) +
                                                                     " more not listed", false};
            painter.setFont(e.round ? entryBold : entry);
            const QRectF place(page.left() + static_cast<double>(static_cast<int>(i) / rows) * columnWidth,
                               y + static_cast<double>(static_cast<int>(i) % rows) * entryLine, columnWidth, entryLine);
            painter.drawText(place, Qt::AlignLeft,
                             QFontMetricsF(painter.font(), painter.device())
                                 .elidedText(QString::fromStdString(e.text), Qt::ElideRight, columnWidth - pad));
        }
    }
    painter.setFont(footer);
    const QRectF foot(page.left(), page.bottom() - footerHeight, page.width(), footerHeight);
    painter.drawText(foot, Qt::AlignLeft | Qt::AlignBottom, QString::fromStdString(tableName));
    painter.drawText(foot, Qt::AlignRight | Qt::AlignBottom, QStringLiteral("Printed ") + QString::fromStdString(FormatDate(Today())));
}

}  // namespace

void PaintCalendar(QPagedPaintDevice& device, const std::vector<TUpcomingEvent>& yearEvents, int year,
                   const std::string& tableName) {
    QPainter painter(&device);
    const QRectF page(QPointF(0, 0), device.pageLayout().paintRectPixels(device.logicalDpiX()).size());
    for (int month = 1; month <= 12; ++month) {
        if (month > 1) device.newPage();
        PaintMonth(painter, page, yearEvents, year, month, tableName);
    }
}

void WriteCalendarPdf(const std::vector<TUpcomingEvent>& yearEvents, int year, const std::string& tableName,
                      const std::string& output) {
    const QString target = QString::fromStdString(output);
    const QString temporary = target + QStringLiteral(".part");
    {
        QPdfWriter writer(temporary);
        writer.setTitle(QStringLiteral("Calendar %1").arg(year));
        writer.setCreator(QStringLiteral("Hollin"));
        writer.setPageLayout(QPageLayout(QPageSize(QPageSize::Letter), QPageLayout::Portrait,
                                         QMarginsF(12, 12, 12, 12), QPageLayout::Millimeter));
        PaintCalendar(writer, yearEvents, year, tableName);
    }
    QFile written(temporary);
    if (!written.exists() || written.size() == 0) {
        QFile::remove(temporary);
        throw std::runtime_error("Cannot write " + output);
    }
    // rename replaces the old file in one step.
    std::error_code error;
    std::filesystem::rename(temporary.toStdString(), output, error);
    if (error) {
        QFile::remove(temporary);
        throw std::runtime_error("Cannot write " + output + ": " + error.message());
    }
}

}  // namespace hollin::ui
