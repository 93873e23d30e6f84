// The GetCapabilities and Notify calls of org.freedesktop.Notifications.
#include "cli/desktop_notification.h"

#include <QDBusError>
#include <QDBusMessage>
#include <QStringList>
#include <QVariantMap>

namespace hollin {

namespace {

const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
const QString kInterface = QStringLiteral("org.freedesktop.Notifications");
constexpr int kCallTimeoutMs = 10000;

std::string FailureText(const QDBusError& error) {
    if (error.type() == QDBusError::ServiceUnknown) {
        return "No desktop notification service (" + kService.toStdString() + ") on the session bus";
    }
    return "The desktop notification service failed: " + error.message().toStdString();
}

}  // namespace

std::string SendDesktopNotification(const QDBusConnection& bus,
                                    const std::function<TNotificationText(bool markup)>& makeText) {
    if (!bus.isConnected()) {
        return "No desktop notification service: cannot connect to the session bus (" +
               bus.lastError().message().toStdString() + ")";
    }
    QDBusConnection connection = bus;
    const QDBusMessage capabilities =
        connection.call(QDBusMessage::createMethodCall(kService, kPath, kInterface, QStringLiteral("GetCapabilities")),
                        QDBus::Block, kCallTimeoutMs);
    if (capabilities.type() == QDBusMessage::ErrorMessage) return FailureText(QDBusError(capabilities));
    const bool markup = !capabilities.arguments().isEmpty() &&
                        capabilities.arguments().first().toStringList().contains(QStringLiteral("body-markup"));
    const TNotificationText text = makeText(markup);

    QDBusMessage notify = QDBusMessage::createMethodCall(kService, kPath, kInterface, QStringLiteral("Notify"));
    notify << QStringLiteral("Hollin") << 0u << QString() << QString::fromStdString(text.summary)
           << QString::fromStdString(text.body) << QStringList() << QVariantMap() << -1;
    const QDBusMessage reply = connection.call(notify, QDBus::Block, kCallTimeoutMs);
    if (reply.type() == QDBusMessage::ErrorMessage) return FailureText(QDBusError(reply));
    return {};
}

}  // namespace hollin
