// The started-program fixture and the modal-dialog helper.
#include "tests/app/app_fixture.h"

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QTest>
#include <QTimer>

#include "controls/message_box.h"
#include "data/dm2.h"
#include "dataset/date_time.h"
#include "tests/support/event_cursor.h"

namespace hollin::ui::testing {

void ProgramTest::SetUp() {
    SetClockForTesting(MakeDateTime(EncodeDate(2026, 12, 10), 0));
    TakeShownMessages();
}

void ProgramTest::TearDown() {
    program.reset();
    SetClockForTesting(std::nullopt);
    TakeShownMessages();
}

void ProgramTest::Start() {
    program = StartProgram(folder.path(), folder.path() + "/");
    program->frmMain->show();
    QApplication::setActiveWindow(program->frmMain.get());
    QTest::qWait(20);
}

void ProgramTest::AddRecord(const std::string& first, const std::string& last, const std::string& event,
                            int32_t date) {
    Tdm2::CreateTables(folder.path());
    auto table = larch::testing::EventCursor(folder.path());
    table->Open();
    larch::testing::AddEvent(*table, first, last, event, date);
}

void ProgramTest::ClickNavigator(const char* button) {
    auto* widget = Find<QAbstractButton>(button);
    ASSERT_NE(widget, nullptr);
    ASSERT_TRUE(widget->isEnabled()) << button;
    QTest::mouseClick(widget, Qt::LeftButton);
}

bool HandleNextModal(const std::function<void(QDialog&)>& inspect, const std::function<void()>& trigger,
                     int timeoutMs) {
    bool handled = false;
    auto* poll = new QTimer;
    QElapsedTimer clock;
    clock.start();
    QObject::connect(poll, &QTimer::timeout, [&, poll] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (dialog == nullptr || !dialog->isVisible()) {
            if (clock.elapsed() > timeoutMs) poll->stop();
            return;
        }
        poll->stop();
        handled = true;
        inspect(*dialog);
        // A dialog the inspection accepted keeps its result.
        if (dialog->isVisible()) dialog->reject();
    });
    poll->start(10);
    if (trigger) trigger();
    QElapsedTimer wait;
    wait.start();
    while (poll->isActive() && wait.elapsed() < timeoutMs + 500) QTest::qWait(10);
    delete poll;
    return handled;
}

}  // namespace hollin::ui::testing
