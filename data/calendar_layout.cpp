// Month grids of the printable calendar.
#include "data/calendar_layout.h"

#include "data/upcoming_rules.h"
#include "dataset/date_time.h"

namespace hollin {

namespace {

const char* const kMonthNames[] = {"January", "February", "March",     "April",   "May",      "June",
                                   "July",    "August",   "September", "October", "November", "December"};

int DaysInMonth(int year, int month) {
    static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

}  // namespace

std::string CalendarEntryText(const TUpcomingEvent& e) {
    const std::string& name = e.firstName.empty() ? std::string("Empty") : e.firstName;
    const std::string years = std::to_string(e.years);
    if (e.event == "Birthday") return e.years == 0 ? name + " born" : name + " " + years;
    if (e.event == "Anniversary") return e.years == 0 ? name + " wedding day" : name + " " + Ordinal(e.years);
    if (e.event == "Passing") return e.years == 0 ? name + " day of passing" : name + " passing " + years;
    const std::string& event = e.event.empty() ? std::string("Empty") : e.event;
    return e.years == 0 ? name + " " + event : name + " " + event + " " + years;
}

std::vector<TUpcomingEvent> EventsOfYear(TDataSet& dataSet, int year) {
    const int32_t first = EncodeDate(year, 1, 1);
    return UpcomingEvents(dataSet, first, EncodeDate(year, 12, 31) - first);
}

TCalendarMonth CalendarMonth(const std::vector<TUpcomingEvent>& yearEvents, int year, int month, int linesPerCell) {
    if (linesPerCell < 1) linesPerCell = 1;
    TCalendarMonth page;
    page.title = std::string(kMonthNames[month - 1]) + " " + std::to_string(year);
    const int32_t first = EncodeDate(year, month, 1);
    const int lead = WeekdayOf(first);
    const int days = DaysInMonth(year, month);
    const int weeks = (lead + days + 6) / 7;
    page.cells.resize(static_cast<std::size_t>(weeks) * 7);
    for (int day = 1; day <= days; ++day) page.cells[static_cast<std::size_t>(lead + day - 1)].day = day;

    // The list is sorted by date, so each day's entries come together.
    for (const TUpcomingEvent& e : yearEvents) {
        if (e.date < first || e.date >= first + days) continue;
        TCalendarCell& cell = page.cells[static_cast<std::size_t>(lead + (e.date - first))];
        cell.entries.push_back({CalendarEntryText(e), e.round});
    }
    for (TCalendarCell& cell : page.cells) {
        if (static_cast<int>(cell.entries.size()) <= linesPerCell) continue;
        const std::size_t shown = static_cast<std::size_t>(linesPerCell - 1);
        const std::string date = FormatDate(first + cell.day - 1).substr(0, 5) + " ";
        for (std::size_t i = shown; i < cell.entries.size(); ++i) {
            page.overflow.push_back({date + cell.entries[i].text, cell.entries[i].round});
        }
        cell.more = static_cast<int>(cell.entries.size() - shown);
        cell.entries.resize(shown);
    }
    return page;
}

}  // namespace hollin
