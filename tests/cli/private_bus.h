// A session bus of the test's own (dbus-daemon --session on a socket in a
// temporary folder) and the test notification service on it.
#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>
#include <memory>

namespace hollin::testing {

class TPrivateBus {
public:
    // Starts dbus-daemon; Address() is empty when it could not start.
    explicit TPrivateBus(const QString& folder);
    ~TPrivateBus();
    TPrivateBus(const TPrivateBus&) = delete;
    TPrivateBus& operator=(const TPrivateBus&) = delete;

    const QString& Address() const { return m_address; }
    // Starts the notification service offering capabilities; it writes the
    // first Notify call to file. False when it did not come up.
    bool StartNotificationService(const QStringList& capabilities, const QString& file);
    // Waits for the service to end (it ends after one notification).
    bool WaitForServiceEnd();

private:
    QString m_address;
    QProcess m_daemon;
    QProcess m_service;
};

// The whole text of a file.
QString FileText(const QString& path);

}  // namespace hollin::testing
