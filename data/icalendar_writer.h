// The events of a table as an iCalendar file (RFC 5545): one VEVENT per
// record recurring yearly by the program's occurrence rules, or, with ages,
// one VEVENT per occurrence of the next years named by its milestone.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "data/transfer_record.h"

namespace hollin {

struct TICalendarOptions {
    std::string calendarName;  // X-WR-CALNAME, and the start of every UID (the table's name)
    int ages = 0;              // > 0: single events for that many years from `today`
    int remindDays = -1;       // >= 0: a display alarm that many days before
    int32_t today = 0;         // the first day of the single events
    std::string stamp;         // DTSTAMP, "yyyymmddThhmmssZ"
};

// The whole calendar, lines folded and ended with CRLF.
std::string ICalendarText(const std::vector<TTransferRecord>& records, const TICalendarOptions& options);

// The recurrence of an event dated `eventDate`: "FREQ=YEARLY", or from a 29
// February "FREQ=YEARLY;BYYEARDAY=60", which is 29 February in leap years and
// 1 March in the others, as the occurrence rules have it.
std::string YearlyRule(int32_t eventDate);

// The current moment in UTC as DTSTAMP writes it.
std::string UtcStamp();

}  // namespace hollin
