// The printable calendar's content: for a month, a grid of weeks starting on
// Sunday, each day cell with its occurrences in short form ("Ann 43",
// "Lee & Ann 25th"), and what does not fit a cell listed under the grid.
#pragma once

#include <string>
#include <vector>

#include "data/upcoming_list.h"

namespace hollin {

// An occurrence in a day cell.
struct TCalendarEntry {
    std::string text;
    bool round = false;
};

struct TCalendarCell {
    int day = 0;  // day of the month; 0 for a cell before the first or after the last
    std::vector<TCalendarEntry> entries;  // those that fit
    int more = 0;                         // those that did not: the cell ends with "+n more"
};

struct TCalendarMonth {
    std::string title;                 // "December 2026"
    std::vector<TCalendarCell> cells;  // weeks * 7, Sunday first
    std::vector<TCalendarEntry> overflow;  // "12/14 Dave 90": the entries the cells could not hold
};

// "Ann 43", "Lee & Ann 25th", "Bo passing 7", "Ann Graduation 10";
// year 0: "Ann born", "Ann wedding day", "Bo day of passing", "Ann Graduation".
std::string CalendarEntryText(const TUpcomingEvent& event);

// The occurrences of every day of the year, soonest first (UpcomingEvents
// from 1 January through 31 December).
std::vector<TUpcomingEvent> EventsOfYear(TDataSet& dataSet, int year);

// The month's page from the year's occurrences. A cell shows at most
// linesPerCell lines (at least 1): when its entries need more, it shows
// linesPerCell - 1 of them and "+n more", and the rest go to the overflow.
TCalendarMonth CalendarMonth(const std::vector<TUpcomingEvent>& yearEvents, int year, int month, int linesPerCell);

}  // namespace hollin
