// The text of the reminder notification: a summary that counts the events
// and days, and one body line per event, soonest first.
#pragma once

#include <string>
#include <vector>

#include "data/upcoming_list.h"

namespace hollin {

struct TNotificationText {
    std::string summary;  // "3 family events in the next 7 days"
    std::string body;     // "Sun 12/14 (in 3 days): Dave Smith turns 90", a line each
};

// With markup (the server offers "body-markup") the text is escaped and a
// round milestone is bold; without it a round milestone ends with " *".
TNotificationText NotificationText(const std::vector<TUpcomingEvent>& events, int days, bool markup);

}  // namespace hollin
