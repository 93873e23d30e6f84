// The main window's Tools items for what is coming: their place after the
// menu's own items, the upcoming-events window, and the reminder at login
// whose check mark follows its autostart entry.
#include <QAction>
#include <QMenu>
#include <cstdlib>
#include <optional>

#include "data/login_reminder.h"
#include "dataset/date_time.h"
#include "tests/app/app_fixture.h"
#include "tests/engine/test_folder.h"

namespace hollin::ui::testing {
namespace {

using larch::testing::ReadBytes;

class UpcomingCommands : public ProgramTest {
protected:
    void SetUp() override {
        ProgramTest::SetUp();
        if (const char* old = std::getenv("XDG_CONFIG_HOME")) m_oldConfig = old;
        ::setenv("XDG_CONFIG_HOME", (config.path() + "/config").c_str(), 1);
        AddRecord("Dave", "Smith", "Birthday", EncodeDate(1936, 12, 14));
        HandleNextModal([](QDialog&) {}, [this] { Start(); });
    }
    void TearDown() override {
        ProgramTest::TearDown();
        if (m_oldConfig) ::setenv("XDG_CONFIG_HOME", m_oldConfig->c_str(), 1);
        else ::unsetenv("XDG_CONFIG_HOME");
    }

    larch::testing::TestFolder config;

private:
    std::optional<std::string> m_oldConfig;
};

TEST_F(UpcomingCommands, ItemsFollowTheToolsMenusOwn) {
    std::vector<std::string> names;
    for (QAction* action : Main().Tools1->actions()) names.push_back(action->objectName().toStdString());
    const std::vector<std::string> tail = {"EmptyTable1", "N3", "UpcomingEvents1", "RemindMeatLogin1"};
    ASSERT_GE(names.size(), tail.size());
    EXPECT_EQ(std::vector<std::string>(names.end() - 4, names.end()), tail);
    EXPECT_EQ(Main().UpcomingEvents1->text(), "Upcoming Events");
    EXPECT_EQ(Main().RemindMeatLogin1->text(), "Remind Me at Login");
    EXPECT_TRUE(Main().RemindMeatLogin1->isCheckable());
}

TEST_F(UpcomingCommands, UpcomingEventsOpensItsWindow) {
    std::string shown;
    EXPECT_TRUE(HandleNextModal([&](QDialog& dialog) { shown = dialog.objectName().toStdString(); },
                                [this] { Main().UpcomingEvents1->trigger(); }));
    EXPECT_EQ(shown, "frmUpcoming");
}

TEST_F(UpcomingCommands, RemindMeAtLoginWritesAndRemovesTheEntry) {
    QAction* item = Main().RemindMeatLogin1;
    EXPECT_FALSE(item->isChecked());
    item->trigger();
    ASSERT_TRUE(ReminderEntryExists());
    EXPECT_TRUE(item->isChecked());
    const std::string text = ReadBytes(ReminderEntryPath());
    EXPECT_NE(text.find(" --data-dir " + Dm2().Folder() + " --table " + Dm2().Larchtbl.TableName() + " --notify\n"),
              std::string::npos)
        << text;
    item->trigger();
    EXPECT_FALSE(ReminderEntryExists());
    EXPECT_FALSE(item->isChecked());

    // An entry made or removed elsewhere shows when the menu opens.
    WriteReminderEntry("/usr/bin/hollin", Dm2().Folder(), "Hollin.DAT");
    emit Main().Tools1->aboutToShow();
    EXPECT_TRUE(item->isChecked());
    RemoveReminderEntry();
}

}  // namespace
}  // namespace hollin::ui::testing
