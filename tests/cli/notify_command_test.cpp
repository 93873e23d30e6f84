// The reminder notification against a private session bus: a service with
// and without body markup, no service, nothing to report, and the program
// run as a process without a display.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <QDBusConnection>
#include <QProcess>
#include <QProcessEnvironment>
#include <sstream>

#include "cli/notify_command.h"
#include "data/dm2.h"
#include "data/upcoming_list.h"
#include "data/upcoming_rules.h"
#include "dataset/date_time.h"
#include "tests/cli/private_bus.h"
#include "tests/engine/test_folder.h"
#include "tests/support/event_cursor.h"

namespace hollin {
namespace {

using larch::testing::AddEvent;
using larch::testing::TestFolder;
using testing::FileText;
using testing::TPrivateBus;

class NotifyCommand : public ::testing::Test {
protected:
    void SetUp() override {
        Tdm2::CreateTables(folder.path());
        record = QString::fromStdString(folder / "notify.txt");
    }
    void TearDown() override { SetClockForTesting(std::nullopt); }

    // The events of the week from Thursday 12/11/2025.
    std::vector<TUpcomingEvent> Week() {
        SetClockForTesting(MakeDateTime(EncodeDate(2025, 12, 11), 0));
        auto table = larch::testing::EventCursor(folder.path());
        table->Open();
        AddEvent(*table, "Dave", "Smith", "Birthday", EncodeDate(1935, 12, 14));
        AddEvent(*table, "Lee & Ann", "Ng", "Anniversary", EncodeDate(2022, 12, 11));
        AddEvent(*table, "Far", "Off", "Birthday", EncodeDate(1990, 12, 25));
        return UpcomingEvents(*table, Today(), 7);
    }

    int Notify(const TPrivateBus& bus, const std::vector<TUpcomingEvent>& events, std::string& err) {
        static int connections = 0;
        const QString name = QStringLiteral("hollin-test-%1").arg(++connections);
        int status = -1;
        {
            QDBusConnection connection = QDBusConnection::connectToBus(bus.Address(), name);
            std::ostringstream errStream;
            status = NotifyUpcoming(events, 7, connection, errStream);
            err = errStream.str();
        }
        QDBusConnection::disconnectFromBus(name);
        return status;
    }

    TestFolder folder;
    QString record;
};

TEST_F(NotifyCommand, HonoursTheServersMarkup) {
    struct Case {
        QStringList capabilities;
        QString body;
    };
    const Case cases[] = {
        {{"body", "body-markup"},
         "Thu 12/11 (today): Lee &amp; Ann Ng: 3rd anniversary\n<b>Sun 12/14 (in 3 days): Dave Smith turns 90</b>"},
        {{"body"}, "Thu 12/11 (today): Lee & Ann Ng: 3rd anniversary\nSun 12/14 (in 3 days): Dave Smith turns 90 *"},
        {{}, "Thu 12/11 (today): Lee & Ann Ng: 3rd anniversary\nSun 12/14 (in 3 days): Dave Smith turns 90 *"},
    };
    const std::vector<TUpcomingEvent> events = Week();
    for (const Case& c : cases) {
        TPrivateBus bus(QString::fromStdString(folder.path()));
        ASSERT_FALSE(bus.Address().isEmpty()) << "dbus-daemon (Debian package dbus-daemon) did not start";
        ASSERT_TRUE(bus.StartNotificationService(c.capabilities, record));
        std::string err;
        EXPECT_EQ(Notify(bus, events, err), kCommandOk) << err;
        ASSERT_TRUE(bus.WaitForServiceEnd());
        // app name, replaces id, icon, actions, hints, timeout, summary, body
        EXPECT_EQ(FileText(record), "Hollin\n0\n\n0\n0\n-1\n2 family events in the next 7 days\n" + c.body);
    }
}

TEST_F(NotifyCommand, NoServiceAndNothingToReport) {
    TPrivateBus bus(QString::fromStdString(folder.path()));
    ASSERT_FALSE(bus.Address().isEmpty()) << "dbus-daemon (Debian package dbus-daemon) did not start";
    std::string err;
    EXPECT_EQ(Notify(bus, {}, err), kCommandOk);
    EXPECT_EQ(err, "");
    EXPECT_EQ(Notify(bus, Week(), err), kCommandFailed);
    EXPECT_NE(err.find("No desktop notification service (org.freedesktop.Notifications) on the session bus"),
              std::string::npos)
        << err;
}

struct ProcessRun {
    int status = -1;
    QString err;
};

ProcessRun RunHollin(const QStringList& args, const QString& busAddress) {
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("DISPLAY"));
    environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
    environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
    environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), busAddress);
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(HOLLIN_EXECUTABLE), args);
    ProcessRun run;
    if (!process.waitForFinished(20000)) return run;
    run.status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
}

TEST_F(NotifyCommand, TheProgramNotifiesWithoutADisplay) {
    {
        auto table = larch::testing::EventCursor(folder.path());
        table->Open();
        // The real clock, as the other process has it; 40 years back keeps a 29 February.
        const TDateParts today = DecodeDate(Today());
        AddEvent(*table, "Dave", "Smith", "Birthday", EncodeDate(today.year - 40, today.month, today.day));
    }
    TPrivateBus bus(QString::fromStdString(folder.path()));
    ASSERT_FALSE(bus.Address().isEmpty()) << "dbus-daemon (Debian package dbus-daemon) did not start";
    const QStringList args = {"--data-dir", QString::fromStdString(folder.path()), "--notify"};

    ProcessRun noService = RunHollin(args, bus.Address());
    EXPECT_EQ(noService.status, kCommandFailed);
    EXPECT_TRUE(noService.err.contains("No desktop notification service")) << noService.err.toStdString();
    ProcessRun noBus = RunHollin(args, "unix:path=" + QString::fromStdString(folder / "no-bus"));
    EXPECT_EQ(noBus.status, kCommandFailed);
    EXPECT_TRUE(noBus.err.contains("No desktop notification service")) << noBus.err.toStdString();

    ASSERT_TRUE(bus.StartNotificationService({"body"}, record));
    ProcessRun sent = RunHollin(args, bus.Address());
    EXPECT_EQ(sent.status, kCommandOk) << sent.err.toStdString();
    ASSERT_TRUE(bus.WaitForServiceEnd());
    const QString weekday = QString::fromStdString(WeekdayAbbreviation(Today()));
    const QString date = QString::fromStdString(FormatDate(Today()).substr(0, 5));
    EXPECT_EQ(FileText(record), "Hollin\n0\n\n0\n0\n-1\n1 family event in the next 7 days\n" + weekday + " " + date +
                                    " (today): Dave Smith turns 40 *");

    EXPECT_EQ(RunHollin({"--notify", "--days", "many"}, bus.Address()).status, kCommandBadUsage);
}

}  // namespace
}  // namespace hollin
