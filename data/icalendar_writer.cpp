// Writing VCALENDAR and its VEVENTs.
#include "data/icalendar_writer.h"

#include <cstdio>
#include <ctime>

#include "data/content_line.h"
#include "data/upcoming_rules.h"
#include "data/date_routines.h"
#include "data/vcard_text.h"
#include "dataset/date_time.h"

namespace hollin {

namespace {

// "Ann Lee's birthday", "Ann Lee: anniversary", "Ann Lee: passing", "Ann Lee: Graduation".
std::string Summary(const TTransferRecord& r) {
    const std::string name = PersonName(r);
    if (r.event == "Birthday") return name + "'s birthday";
    if (r.event == "Anniversary") return name + ": anniversary";
    if (r.event == "Passing") return name + ": passing";
    return name + ": " + r.event;
}

// "born 1984", "married 2001", "passed 2020", "Graduation 2010".
std::string Description(const TTransferRecord& r) {
    const std::string year = std::to_string(DecodeDate(r.eventDate).year);
    if (r.event == "Birthday") return "born " + year;
    if (r.event == "Anniversary") return "married " + year;
    if (r.event == "Passing") return "passed " + year;
    return r.event + " " + year;
}

void AppendEvent(std::string& out, const TICalendarOptions& options, const TTransferRecord& r, const std::string& uid,
                 int32_t start, const std::string& rule, const std::string& summary) {
    AppendContentLine(out, "BEGIN:VEVENT");
    AppendContentLine(out, "UID:" + uid);
    AppendContentLine(out, "DTSTAMP:" + options.stamp);
    AppendContentLine(out, "DTSTART;VALUE=DATE:" + BasicDate(start));
    AppendContentLine(out, "DTEND;VALUE=DATE:" + BasicDate(start + 1));
    if (!rule.empty()) AppendContentLine(out, "RRULE:" + rule);
    AppendContentLine(out, "SUMMARY:" + EscapeVCardText(summary));
    AppendContentLine(out, "DESCRIPTION:" + EscapeVCardText(Description(r)));
    AppendContentLine(out, "CATEGORIES:" + EscapeVCardText(r.event));
    AppendContentLine(out, "TRANSP:TRANSPARENT");
    if (options.remindDays >= 0) {
        AppendContentLine(out, "BEGIN:VALARM");
        AppendContentLine(out, "ACTION:DISPLAY");
        AppendContentLine(out, "DESCRIPTION:" + EscapeVCardText(summary));
        AppendContentLine(out, "TRIGGER:-P" + std::to_string(options.remindDays) + "D");
        AppendContentLine(out, "END:VALARM");
    }
    AppendContentLine(out, "END:VEVENT");
}

// The UID's start: the table name without blanks or '@', so that it stays one token.
std::string UidBase(const TICalendarOptions& options, const TTransferRecord& r) {
    std::string base;
    for (char c : options.calendarName) base += (c == ' ' || c == '@') ? '_' : c;
    return base + "-" + std::to_string(r.indexField);
}

}  // namespace

std::string YearlyRule(int32_t eventDate) {
    const TDateParts parts = DecodeDate(eventDate);
    return parts.month == 2 && parts.day == 29 ? "FREQ=YEARLY;BYYEARDAY=60" : "FREQ=YEARLY";
}

std::string UtcStamp() {
    const std::time_t now = std::time(nullptr);
    std::tm utc{};
    gmtime_r(&now, &utc);
    char text[20];
    std::strftime(text, sizeof text, "%Y%m%dT%H%M%SZ", &utc);
    return text;
}

std::string ICalendarText(const std::vector<TTransferRecord>& records, const TICalendarOptions& options) {
    std::string out;
    out.reserve(records.size() * (options.ages > 0 ? options.ages : 1) * 400 + 200);
    AppendContentLine(out, "BEGIN:VCALENDAR");
    AppendContentLine(out, "VERSION:2.0");
    AppendContentLine(out, "PRODID:-//Hollin//Hollin family events//EN");
    AppendContentLine(out, "CALSCALE:GREGORIAN");
    AppendContentLine(out, "X-WR-CALNAME:" + EscapeVCardText(options.calendarName));
    const TDateParts today = DecodeDate(options.today);
    int32_t end = 0;  // the first day after the single events' span
    if (options.ages > 0 && !TryEncodeDate(today.year + options.ages, today.month, today.day, end)) {
        end = EncodeDate(today.year + options.ages, 3, 1);  // from a 29 February: through 28 February
    }
    for (const TTransferRecord& r : records) {
        const std::string uid = UidBase(options, r);
        if (options.ages <= 0) {
            AppendEvent(out, options, r, uid + "@hollin", r.eventDate, YearlyRule(r.eventDate), Summary(r));
            continue;
        }
        for (std::optional<int32_t> day = NextOccurrence(r.eventDate, options.today); day && *day < end;
             day = NextOccurrence(r.eventDate, *day + 1)) {
            const int years = YearsBetween(r.eventDate, *day);
            AppendEvent(out, options, r, uid + "-" + std::to_string(DecodeDate(*day).year) + "@hollin", *day, "",
                        MilestoneSentence(r.event, PersonName(r), years));
        }
    }
    AppendContentLine(out, "END:VCALENDAR");
    return out;
}

}  // namespace hollin
