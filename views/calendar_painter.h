// The printable calendar drawn: twelve pages, one month each, a grid of
// weeks from Sunday with each day's occurrences (round milestones bold), the
// month and year as title, the entries that did not fit under the grid, the
// table's name and the print date in the footer.
#pragma once

#include <string>
#include <vector>

#include "data/upcoming_list.h"

class QPagedPaintDevice;

namespace hollin::ui {

// Paints the twelve months of year on a printer or PDF writer (new pages
// are started on it); yearEvents as EventsOfYear gives them.
void PaintCalendar(QPagedPaintDevice& device, const std::vector<TUpcomingEvent>& yearEvents, int year,
                   const std::string& tableName);

// Writes the calendar as a PDF file (US Letter, portrait). The file appears
// only once complete: a file of that name keeps its bytes after a failure.
// Throws std::runtime_error when it cannot be written.
void WriteCalendarPdf(const std::vector<TUpcomingEvent>& yearEvents, int year, const std::string& tableName,
                      const std::string& output);

}  // namespace hollin::ui
