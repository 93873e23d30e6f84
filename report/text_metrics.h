// Measuring report texts independently of any screen or printer: fonts are
// measured at 1200 dots per inch and the results given in microns, so a
// layout is the same on every output.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include <QFont>

#include "report/report_item.h"

class QFontMetricsF;

namespace hollin::report {

// The Qt font for a report item's font (point sizes follow the device).
QFont MakeFont(const TReportFont& font);

// Measures with one Qt font and one set of font metrics per report font,
// made on first use and kept for the measurer's life (a report run): a
// report has a handful of fonts but thousands of items, and building
// metrics costs far more than measuring with them.
class TTextMeasurer {
public:
    TTextMeasurer();
    ~TTextMeasurer();
    TTextMeasurer(const TTextMeasurer&) = delete;
    TTextMeasurer& operator=(const TTextMeasurer&) = delete;

    // MakeFont(font), kept.
    const QFont& Font(const TReportFont& font);
    // The width of one line of text in the font.
    TMicrons TextWidth(const TReportFont& font, const std::string& text);
    // The distance between the tops of two lines of the font.
    TMicrons LineSpacing(const TReportFont& font);
    // Breaks paragraphs into lines no wider than width, at blanks only: a
    // word longer than the line stands alone on its line, unbroken. Blanks
    // inside a line are kept as they are (two blanks stay two); the blanks
    // where a line breaks are dropped. An empty paragraph gives an empty line.
    std::vector<std::string> WrapLines(const TReportFont& font, const std::vector<std::string>& paragraphs,
                                       TMicrons width);

private:
    struct TEntry;
    TEntry& Entry(const TReportFont& font);

    std::vector<std::unique_ptr<TEntry>> m_entries;  // a few: searched in turn
};

// The same measurements without a kept measurer.
TMicrons TextWidth(const TReportFont& font, const std::string& text);
TMicrons LineSpacing(const TReportFont& font);
std::vector<std::string> WrapLines(const TReportFont& font, const std::vector<std::string>& paragraphs,
                                   TMicrons width);

// Splits a memo field's text into paragraphs at line ends (CR LF, LF or CR).
std::vector<std::string> SplitParagraphs(const std::string& text);

}  // namespace hollin::report
