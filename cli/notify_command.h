// hollin [--data-dir DIR] [--table NAME] --notify [--days N]: one desktop
// notification naming the table's events of the next N days (default 7).
// Needs the session bus, not a display.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include <QDBusConnection>

#include "cli/table_command.h"
#include "data/upcoming_list.h"

namespace hollin {

constexpr int kNotifyDefaultDays = 7;

// Sends the notification of events (nothing when there are none) over bus;
// a failure is written to err. Returns kCommandOk or kCommandFailed.
int NotifyUpcoming(const std::vector<TUpcomingEvent>& events, int days, const QDBusConnection& bus, std::ostream& err);

// Parses the options, reads the table and notifies over the session bus.
// Returns kCommandOk (also when there is nothing to report), kCommandFailed
// (no table, no notification service) or kCommandBadUsage.
int RunNotifyCommand(const std::vector<std::string>& args, const TFolderChooser& chooseFolder, std::ostream& err);

}  // namespace hollin
