// Measuring report texts independently of any screen or printer: fonts are
// measured at 1200 dots per inch and the results given in microns, so a
// layout is the same on every output.
#pragma once

#include <string>
#include <vector>

#include <QFont>

#include "report/report_item.h"

namespace hollin::report {

// The Qt font for a report item's font (point sizes follow the device).
QFont MakeFont(const TReportFont& font);

// The width of one line of text in the font.
TMicrons TextWidth(const TReportFont& font, const std::string& text);
// The distance between the tops of two lines of the font.
TMicrons LineSpacing(const TReportFont& font);

// Breaks paragraphs into lines no wider than width, at blanks only: a word
// longer than the line stands alone on its line, unbroken. Blanks inside a
// line are kept as they are (two blanks stay two); the blanks where a line
// breaks are dropped. An empty paragraph gives an empty line.
std::vector<std::string> WrapLines(const TReportFont& font, const std::vector<std::string>& paragraphs,
                                   TMicrons width);

// Splits a memo field's text into paragraphs at line ends (CR LF, LF or CR).
std::vector<std::string> SplitParagraphs(const std::string& text);

}  // namespace hollin::report
