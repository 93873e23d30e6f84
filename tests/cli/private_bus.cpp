// Starting and stopping the private bus and the test service.
#include "tests/cli/private_bus.h"

#include <QFile>
#include <QProcessEnvironment>

namespace hollin::testing {

TPrivateBus::TPrivateBus(const QString& folder) {
    const QString address = "unix:path=" + folder + "/bus";
    m_daemon.start(QStringLiteral("dbus-daemon"),
                   {QStringLiteral("--session"), QStringLiteral("--nofork"), "--address=" + address,
                    QStringLiteral("--print-address=1")});
    if (!m_daemon.waitForStarted(5000) || !m_daemon.waitForReadyRead(5000)) return;
    m_address = QString::fromUtf8(m_daemon.readLine()).trimmed();
}

TPrivateBus::~TPrivateBus() {
    for (QProcess* process : {&m_service, &m_daemon}) {
        if (process->state() == QProcess::NotRunning) continue;
        process->terminate();
        if (!process->waitForFinished(3000)) process->kill();
        process->waitForFinished(1000);
    }
}

bool TPrivateBus::StartNotificationService(const QStringList& capabilities, const QString& file) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), m_address);
    m_service.setProcessEnvironment(environment);
    m_service.start(QStringLiteral(NOTIFICATION_SERVER), {capabilities.join(','), file});
    if (!m_service.waitForStarted(5000) || !m_service.waitForReadyRead(10000)) return false;
    return m_service.readLine().trimmed() == "ready";
}

bool TPrivateBus::WaitForServiceEnd() { return m_service.waitForFinished(10000); }

QString FileText(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    return QString::fromUtf8(file.readAll());
}

}  // namespace hollin::testing
