// Summary and body of the reminder.
#include "cli/notification_text.h"

#include "data/upcoming_rules.h"
#include "dataset/date_time.h"

namespace hollin {

namespace {

std::string Escaped(const std::string& text) {
    std::string escaped;
    for (char c : text) {
        switch (c) {
            case '&': escaped += "&amp;"; break;
            case '<': escaped += "&lt;"; break;
            case '>': escaped += "&gt;"; break;
            default: escaped += c;
        }
    }
    return escaped;
}

std::string Plural(int n, const std::string& word) { return std::to_string(n) + " " + word + (n == 1 ? "" : "s"); }

std::string WhenText(int days) {
    if (days == 0) return "today";
    if (days == 1) return "today or tomorrow";
    return "in the next " + Plural(days, "day");
}

std::string Line(const TUpcomingEvent& e) {
    // "mm/dd" of the "mm/dd/yyyy" date.
    return WeekdayAbbreviation(e.date) + " " + FormatDate(e.date).substr(0, 5) + " (" + DaysToGoText(e.daysToGo) +
           "): " + MilestoneSentence(e.event, FullName(e), e.years);
}

}  // namespace

TNotificationText NotificationText(const std::vector<TUpcomingEvent>& events, int days, bool markup) {
    TNotificationText text;
    text.summary = Plural(static_cast<int>(events.size()), "family event") + " " + WhenText(days);
    for (const TUpcomingEvent& e : events) {
        if (!text.body.empty()) text.body += '\n';
        const std::string line = Line(e);
        if (!markup) {
            text.body += e.round ? line + " *" : line;
        } else {
            text.body += e.round ? "<b>" + Escaped(line) + "</b>" : Escaped(line);
        }
    }
    return text;
}

}  // namespace hollin
