// Painting display pages onto a paged device (QPrinter, QPdfWriter, the
// preview's printer). Photos are drawn at the device's resolution for their
// box, but never finer than photoDpi, so a long report of large photos stays
// small in a PDF file and in the printer's spool; PaintReport has the
// generator scale them to that once, and the painter draws them as they come.
#pragma once

#include <functional>
#include <stdexcept>
#include <string>

#include <QRectF>

#include "report/display_list.h"
#include "report/text_metrics.h"

class QPainter;
class QPagedPaintDevice;

namespace hollin::report {

constexpr double kDefaultPhotoDpi = 300;

class TReportPainter {
public:
    TReportPainter(QPainter& painter, double deviceDpi, double photoDpi = kDefaultPhotoDpi)
        : m_painter(painter), m_dpi(deviceDpi), m_photoDpi(photoDpi) {}

    // Draws one page; the painter's origin is the paper's top-left corner.
    void DrawPage(const TDisplayPage& page);

private:
    QRectF DeviceRect(const TRect& rect) const;
    void UseTextStyle(const TReportItem& item);
    void DrawItem(const TPlacedItem& placed);
    void DrawText(const TPlacedItem& placed);
    void DrawLines(const TPlacedItem& placed);
    void DrawPicture(const TPlacedItem& placed);

    QPainter& m_painter;
    double m_dpi;
    double m_photoDpi;
    TTextMeasurer m_measurer;  // fonts and line spacings, one per font
};

// Paper size and orientation of the page setup, no device margins (the
// report's margins are its own), the job name.
void ApplyPageSetup(const TPageSetup& page, QPagedPaintDevice& device);

struct TPaintResult {
    int pages = 0;
    int undecodedPictures = 0;
};

// Told of each page painted (from 1) and the page count; returning false
// stops the output (PaintReport then throws TOutputCancelled).
using TPageProgress = std::function<bool(int pageNo, int pageCount)>;
// Called when progress stopped the output, while the painter is still
// active on the device: a printer is aborted here (QPrinter::abort), before
// ending the painter could send the pages painted so far.
using TAbortOutput = std::function<void()>;

class TOutputCancelled : public std::runtime_error {
public:
    TOutputCancelled() : std::runtime_error("Printing cancelled") {}
};

// Generates the report and paints its pages onto device, whose page setup
// the caller has applied. Throws std::runtime_error when the painter cannot
// start on the device, and what generation throws.
TPaintResult PaintReport(TReport& report, QPagedPaintDevice& device, double photoDpi = kDefaultPhotoDpi,
                         const TPageProgress& progress = {}, const TAbortOutput& abort = {});

// Writes the report as a PDF file (photos at 150 dpi). The file is written
// under a temporary name and replaces one of the same name only once it is
// complete: when anything fails, a file that was there keeps its bytes and
// none is left otherwise. Throws std::runtime_error("Cannot create file
// <path>: why") when the file cannot be made, ("Cannot write file <path>:
// why") when writing or replacing it fails, and what generation throws.
TPaintResult WritePdfFile(TReport& report, const std::string& path);

}  // namespace hollin::report
