// QPainter output of the display list.
#include "report/report_painter.h"

#include <algorithm>
#include <stdexcept>

#include <QFont>
#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>
#include <QPrinter>

#include "report/picture_decoder.h"
#include "report/report_file.h"
#include "report/report_generator.h"

namespace hollin::report {

namespace {

// PDF files are written at this resolution; photos in them at kPdfPhotoDpi,
// plenty for a photo box of four centimetres on paper.
constexpr int kPdfDpi = 1200;
constexpr double kPdfPhotoDpi = 150;

// The resolution photos are drawn at on a device of dpi.
double PhotoDpi(double dpi, double photoDpi) { return std::min(dpi, photoDpi); }

Qt::Alignment AlignmentFlags(TAlignment alignment) {
    switch (alignment) {
        case TAlignment::Center: return Qt::AlignHCenter;
        case TAlignment::Right: return Qt::AlignRight;
        case TAlignment::Left: break;
    }
    return Qt::AlignLeft;
}

}  // namespace

QRectF TReportPainter::DeviceRect(const TRect& rect) const {
    return {ToDevice(rect.left, m_dpi), ToDevice(rect.top, m_dpi), ToDevice(rect.width, m_dpi),
            ToDevice(rect.height, m_dpi)};
}

void TReportPainter::UseTextStyle(const TReportItem& item) {
    m_painter.setFont(m_measurer.Font(item.font));
    m_painter.setPen(item.colour);
}

void TReportPainter::DrawPage(const TDisplayPage& page) {
    for (const TPlacedBand& band : page.bands) {
        for (const TPlacedItem& placed : band.items) DrawItem(placed);
    }
}

void TReportPainter::DrawItem(const TPlacedItem& placed) {
    const TReportItem& item = *placed.item;
    const QRectF box = DeviceRect(placed.rect);
    m_painter.save();
    if (item.IsText() && !item.transparent) m_painter.fillRect(box, item.backColour);
    switch (item.kind) {
        case TItemKind::Shape: {
            QPen pen(item.outline);
            pen.setWidthF(item.outlineWeight / 72.0 * m_dpi);
            m_painter.setPen(pen);
            m_painter.setBrush(item.fill);
            m_painter.drawRect(box);
            break;
        }
        case TItemKind::Line: {
            QPen pen(item.outline);
            pen.setWidthF(item.lineWeight / 72.0 * m_dpi);
            pen.setCapStyle(Qt::FlatCap);
            m_painter.setPen(pen);
            const double y = box.top() + pen.widthF() / 2;
            m_painter.drawLine(QPointF(box.left(), y), QPointF(box.right(), y));
            break;
        }
        case TItemKind::Memo:
        case TItemKind::DBMemo: DrawLines(placed); break;
        case TItemKind::DBImage: DrawPicture(placed); break;
        case TItemKind::Label:
        case TItemKind::DBText:
        case TItemKind::SystemVariable: DrawText(placed); break;
    }
    m_painter.restore();
}

void TReportPainter::DrawText(const TPlacedItem& placed) {
    const TReportItem& item = *placed.item;
    UseTextStyle(item);
    const QRectF box = DeviceRect(placed.rect);
    m_painter.drawText(box, static_cast<int>(AlignmentFlags(item.alignment) | Qt::AlignTop) | Qt::TextSingleLine |
                                Qt::TextDontClip,
                       QString::fromStdString(placed.text));
}

void TReportPainter::DrawLines(const TPlacedItem& placed) {
    const TReportItem& item = *placed.item;
    UseTextStyle(item);
    const QRectF box = DeviceRect(placed.rect);
    m_painter.setClipRect(box);
    const double spacing = ToDevice(m_measurer.LineSpacing(item.font), m_dpi);
    double y = box.top();
    for (const std::string& line : placed.lines) {
        m_painter.drawText(QRectF(box.left(), y, box.width(), spacing),
                           static_cast<int>(AlignmentFlags(item.alignment) | Qt::AlignTop) | Qt::TextSingleLine |
                               Qt::TextDontClip,
                           QString::fromStdString(line));
        y += spacing;
    }
}

void TReportPainter::DrawPicture(const TPlacedItem& placed) {
    if (placed.picture.isNull() || placed.pictureRect.width <= 0 || placed.pictureRect.height <= 0) return;
    m_painter.setRenderHint(QPainter::SmoothPixmapTransform);
    // PaintReport's generator kept the photo at this output's resolution, so
    // it is drawn as it is; only a display list laid out for a finer output
    // is scaled down here.
    m_painter.drawImage(DeviceRect(placed.pictureRect),
                        FitPicturePixels(placed.picture, placed.pictureRect, PhotoDpi(m_dpi, m_photoDpi)));
}

void ApplyPageSetup(const TPageSetup& page, QPagedPaintDevice& device) {
    if (auto* printer = dynamic_cast<QPrinter*>(&device)) {
        printer->setFullPage(true);
        printer->setDocName(QString::fromStdString(page.documentName));
    }
    const QPageSize size(QSizeF(page.paperWidth / 1000.0, page.paperHeight / 1000.0), QPageSize::Millimeter,
                         QString::fromStdString(page.paperName), QPageSize::FuzzyMatch);
    const auto orientation =
        page.orientation == TOrientation::Portrait ? QPageLayout::Portrait : QPageLayout::Landscape;
    device.setPageLayout(QPageLayout(size, orientation, QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter));
}

TPaintResult PaintReport(TReport& report, QPagedPaintDevice& device, double photoDpi,
                         const TPageProgress& progress, const TAbortOutput& abort) {
    QPainter painter;
    if (!painter.begin(&device)) throw std::runtime_error("Cannot start printing the report");
    const double dpi = device.logicalDpiX();
    TReportPainter pagePainter(painter, dpi, photoDpi);
    TReportGenerator generator(report);
    generator.SetPictureDpi(PhotoDpi(dpi, photoDpi));
    TPaintResult result;
    try {
        result.pages = generator.Generate([&](TDisplayPage& page) {
            if (page.pageNo > 1) device.newPage();
            pagePainter.DrawPage(page);
            if (progress && !progress(page.pageNo, page.pageCount)) throw TOutputCancelled();
        });
    } catch (const TOutputCancelled&) {
        if (abort) abort();
        painter.end();
        throw;
    } catch (...) {
        painter.end();
        throw;
    }
    painter.end();
    result.undecodedPictures = generator.UndecodedPictures();
    return result;
}

TPaintResult WritePdfFile(TReport& report, const std::string& path) {
    TReportFile file(path);
    TPaintResult result;
    {
        QPdfWriter writer(&file.Device());
        writer.setResolution(kPdfDpi);
        writer.setTitle(QString::fromStdString(report.page.documentName));
        writer.setCreator(QStringLiteral("Hollin"));
        ApplyPageSetup(report.page, writer);
        result = PaintReport(report, writer, kPdfPhotoDpi);
    }
    file.Commit();
    return result;
}

}  // namespace hollin::report
