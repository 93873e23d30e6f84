// The reminder's autostart entry: where it goes, its Exec line for a folder
// with reserved characters, desktop-file-validate's verdict, and removal.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "data/login_reminder.h"
#include "tests/engine/test_folder.h"

namespace hollin {
namespace {

using larch::testing::ReadBytes;
using larch::testing::TestFolder;

// Sets an environment variable for one test and puts the old value back.
class TEnvironmentScope {
public:
    TEnvironmentScope(const char* name, const std::string& value) : m_name(name) {
        if (const char* old = std::getenv(name)) m_old = old;
        ::setenv(name, value.c_str(), 1);
    }
    ~TEnvironmentScope() {
        if (m_old) ::setenv(m_name, m_old->c_str(), 1);
        else ::unsetenv(m_name);
    }

private:
    const char* m_name;
    std::optional<std::string> m_old;
};

// desktop-file-validate's exit status and what it printed.
std::pair<int, std::string> Validate(const std::string& path) {
    std::string output;
    FILE* pipe = ::popen(("desktop-file-validate '" + path + "' 2>&1").c_str(), "r");
    if (pipe == nullptr) return {-1, "cannot run desktop-file-validate"};
    char buffer[512];
    while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) output += buffer;
    const int status = ::pclose(pipe);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, output};
}

TEST(LoginReminder, FolderFollowsXdgConfigHome) {
    TEnvironmentScope home("HOME", "/home/ann");
    {
        TEnvironmentScope xdg("XDG_CONFIG_HOME", "/etc/ann-config");
        EXPECT_EQ(ReminderEntryPath(), "/etc/ann-config/autostart/hollin-reminder.desktop");
    }
    TEnvironmentScope relative("XDG_CONFIG_HOME", "relative/config");
    EXPECT_EQ(ReminderEntryPath(), "/home/ann/.config/autostart/hollin-reminder.desktop");
}

TEST(LoginReminder, WrittenValidAndRemoved) {
    ASSERT_EQ(std::system("command -v desktop-file-validate >/dev/null"), 0)
        << "desktop-file-validate (Debian package desktop-file-utils) is missing";
    TestFolder folder;
    TEnvironmentScope xdg("XDG_CONFIG_HOME", folder / "config");
    EXPECT_FALSE(ReminderEntryExists());
    RemoveReminderEntry();  // nothing to remove is fine

    WriteReminderEntry("/opt/hollin/bin/hollin", "/home/a b/$x%\\y/", "Work.DAT");
    ASSERT_TRUE(ReminderEntryExists());
    const std::string text = ReadBytes(ReminderEntryPath());
    EXPECT_NE(text.find("\nExec=/opt/hollin/bin/hollin --data-dir \"/home/a b/\\\\$x%%\\\\\\\\y/\" --table Work.DAT "
                        "--notify\n"),
              std::string::npos)
        << text;
    const auto [status, output] = Validate(ReminderEntryPath());
    EXPECT_EQ(status, 0) << output;
    EXPECT_EQ(output, "");

    WriteReminderEntry("/usr/bin/hollin", "/home/ann/Hollin/", "Hollin.DAT");  // replaced whole
    EXPECT_NE(ReadBytes(ReminderEntryPath()).find("Exec=/usr/bin/hollin --data-dir /home/ann/Hollin/ --table "
                                                  "Hollin.DAT --notify\n"),
              std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(ReminderEntryPath() + ".new"));
    RemoveReminderEntry();
    EXPECT_FALSE(ReminderEntryExists());

    EXPECT_THROW(ReminderEntryText("/usr/bin/hollin", "/home/a\nb/", "Hollin.DAT"), std::invalid_argument);
}

}  // namespace
}  // namespace hollin
