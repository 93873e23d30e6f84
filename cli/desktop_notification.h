// One notification through the freedesktop notification service
// (org.freedesktop.Notifications on a D-Bus bus).
#pragma once

#include <functional>
#include <string>

#include <QDBusConnection>

#include "cli/notification_text.h"

namespace hollin {

// Asks the service for its capabilities, lets makeText build the text for
// them (markup when "body-markup" is offered) and sends it as app "Hollin".
// Returns an empty string on success, else why it failed ("No desktop
// notification service ...").
std::string SendDesktopNotification(const QDBusConnection& bus,
                                    const std::function<TNotificationText(bool markup)>& makeText);

}  // namespace hollin
