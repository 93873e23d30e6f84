// The reminder notification from the command line.
#include "cli/notify_command.h"

#include <optional>

#include <QCoreApplication>

#include "cli/desktop_notification.h"

namespace hollin {

int NotifyUpcoming(const std::vector<TUpcomingEvent>& events, int days, const QDBusConnection& bus,
                   std::ostream& err) {
    if (events.empty()) return kCommandOk;
    const std::string failure =
        SendDesktopNotification(bus, [&](bool markup) { return NotificationText(events, days, markup); });
    if (failure.empty()) return kCommandOk;
    err << "hollin: " << failure << "\n";
    return kCommandFailed;
}

int RunNotifyCommand(const std::vector<std::string>& args, const TFolderChooser& chooseFolder, std::ostream& err) {
    TTableCommandOptions options;
    std::vector<TUpcomingEvent> events;
    if (int status = ReadUpcomingEvents(args, "--notify", kNotifyDefaultDays, chooseFolder, err, options, events);
        status != kCommandOk) {
        return status;
    }
    if (events.empty()) return kCommandOk;
    // The bus wants an application object; no display is needed.
    std::optional<QCoreApplication> app;
    static int argc = 1;
    static char name[] = "hollin";
    static char* argv[] = {name, nullptr};
    if (QCoreApplication::instance() == nullptr) app.emplace(argc, argv);
    return NotifyUpcoming(events, options.days, QDBusConnection::sessionBus(), err);
}

}  // namespace hollin
