// The fixture of the window tests.
#include "tests/views/views_fixture.h"

#include <QApplication>
#include <QTimer>

#include "controls/message_box.h"
#include "dataset/date_time.h"
#include "tests/support/event_cursor.h"

namespace hollin::ui::testing {

void ViewsTest::SetUp() {
    SetClockForTesting(MakeDateTime(EncodeDate(2026, 12, 10), 0));
    dm2 = std::make_unique<Tdm2>(folder.path());
    dm2->dm2Create();
    TakeShownMessages();
}

void ViewsTest::TearDown() {
    dm2.reset();
    SetClockForTesting(std::nullopt);
    TakeShownMessages();
}

void ViewsTest::Add(const std::string& first, const std::string& last, const std::string& event, int32_t date) {
    larch::testing::AddEvent(dm2->Larchtbl, first, last, event, date);
}

std::string ViewsTest::CurrentFirstName() {
    larch::TLarchTable& table = dm2->Larchtbl;
    return table.IsEmpty() ? std::string() : table.FieldByName("FirstName").AsString();
}

std::vector<std::string> ViewsTest::VisibleFirstNames() {
    larch::TLarchTable& table = dm2->Larchtbl;
    const int current = table.RecNo();
    std::vector<std::string> names;
    for (table.First(); !table.Eof(); table.Next()) names.push_back(CurrentFirstName());
    if (current > 0) table.SetRecNo(current);
    return names;
}

bool WithNextModal(const std::function<void()>& trigger, const std::function<void(QDialog&)>& inspect) {
    bool shown = false;
    // Polls from inside the dialog's own event loop.
    QTimer poll;
    poll.setInterval(5);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (dialog == nullptr || !dialog->isVisible()) return;
        poll.stop();
        shown = true;
        inspect(*dialog);
        dialog->reject();
    });
    poll.start();
    trigger();
    poll.stop();
    return shown;
}

}  // namespace hollin::ui::testing
