// The program's date routines: whole years between two dates and the month
// of a date. Dates are day numbers (dataset/date_time.h).
#pragma once

#include <cstdint>

namespace hollin {

// Whole years from earlier to later, counted on the anniversary day itself
// (a 29 February is reached on 1 March in other years); -1 when later is
// before earlier.
int YearsBetween(int32_t earlier, int32_t later);
// YearsBetween(date, today).
int AgeNow(int32_t date);
// 1 to 12.
int MonthOfDate(int32_t date);

}  // namespace hollin
