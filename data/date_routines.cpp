// Whole years between dates and the month of a date.
#include "data/date_routines.h"

#include "dataset/date_time.h"

namespace hollin {

int YearsBetween(int32_t earlier, int32_t later) {
    if (later < earlier) return -1;
    TDateParts from = DecodeDate(earlier);
    TDateParts to = DecodeDate(later);
    int years = to.year - from.year;
    if (to.month < from.month || (to.month == from.month && to.day < from.day)) --years;
    return years;
}

int AgeNow(int32_t date) { return YearsBetween(date, Today()); }

int MonthOfDate(int32_t date) { return DecodeDate(date).month; }

}  // namespace hollin
