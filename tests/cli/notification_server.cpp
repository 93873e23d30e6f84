// A small freedesktop notification service for the tests: it owns
// org.freedesktop.Notifications on the bus of DBUS_SESSION_BUS_ADDRESS,
// offers the capabilities named on its command line, writes each Notify
// call to a file and ends after the first.
//   notification_server CAPABILITIES(comma-separated, may be empty) FILE
// It prints "ready" once the name is its own.
#include <QCoreApplication>
#include <QDBusConnection>
#include <QFile>
#include <QStringList>
#include <QTextStream>
#include <QTimer>
#include <QVariantMap>
#include <cstdio>

class TNotificationServer : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

public:
    TNotificationServer(QStringList capabilities, QString file)
        : m_capabilities(std::move(capabilities)), m_file(std::move(file)) {}

public slots:
    QStringList GetCapabilities() { return m_capabilities; }

    // The call as received, one item a line, the body last.
    uint Notify(const QString& appName, uint replacesId, const QString& appIcon, const QString& summary,
                const QString& body, const QStringList& actions, const QVariantMap& hints, int expireTimeout) {
        QFile out(m_file);
        if (out.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
            QTextStream text(&out);
            text << appName << '\n' << replacesId << '\n' << appIcon << '\n' << actions.size() << '\n'
                 << hints.size() << '\n' << expireTimeout << '\n' << summary << '\n' << body;
        }
        QTimer::singleShot(0, qApp, &QCoreApplication::quit);
        return 1;
    }

private:
    QStringList m_capabilities;
    QString m_file;
};

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: notification_server CAPABILITIES FILE\n");
        return 2;
    }
    TNotificationServer server(QString::fromUtf8(argv[1]).split(',', Qt::SkipEmptyParts), QString::fromUtf8(argv[2]));
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.registerObject(QStringLiteral("/org/freedesktop/Notifications"), &server,
                            QDBusConnection::ExportAllSlots) ||
        !bus.registerService(QStringLiteral("org.freedesktop.Notifications"))) {
        std::fprintf(stderr, "cannot own org.freedesktop.Notifications\n");
        return 1;
    }
    std::printf("ready\n");
    std::fflush(stdout);
    QTimer::singleShot(30000, &app, &QCoreApplication::quit);  // never outlive a failed test for long
    return QCoreApplication::exec();
}

#include "notification_server.moc"
