// Writes a report as plain text, one page after the other, from the same
// display pages the painter draws.
//
// Layout. Every band becomes rows of characters: an item's text starts in
// the column of its left edge at ten characters to the inch (2.54 mm per
// column, column 0 at the left margin) and in the row of its top edge at six
// rows to the inch (4.233 mm per row); a memo puts its lines in consecutive
// rows. When a text would start before the end of the text to its left, it
// starts one blank after it instead. Trailing blanks are dropped. A page is
//
//   the page header's rows
//   an empty line
//   for every record: the detail band's rows (the record's block), then an empty line
//   the page footer's rows
//
// and pages are separated by a line holding only a form feed. Lines end with
// a line feed; the text is UTF-8.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "report/display_list.h"

namespace hollin::report {

// The rows of one placed band, as above.
std::vector<std::string> BandRows(const TPlacedBand& band);

// Writes the report to out; returns the number of pages. Photos are not
// decoded: the text holds none. Throws what generation throws.
int WriteText(TReport& report, std::ostream& out);
// The same into a file, written under a temporary name and replacing one of
// the same name only once it is complete: when anything fails, a file that
// was there keeps its bytes and none is left otherwise. Throws
// std::runtime_error("Cannot create file <path>: why") when the file cannot
// be made, ("Cannot write file <path>: why") when writing or replacing it
// fails, and what generation throws.
int WriteTextFile(TReport& report, const std::string& path);

}  // namespace hollin::report
