// The autostart desktop entry of the reminder.
#include "data/login_reminder.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "data/folder_path.h"

namespace hollin {

namespace {

namespace fs = std::filesystem;

// One Exec argument: quoted when it holds a reserved character, with ", `,
// $ and \ escaped inside the quotes; then the string escape doubles every
// backslash, and % is written %%.
std::string ExecArgument(const std::string& argument) {
    static const std::string kReserved = " \t\n\"'\\><~|&;$*?#()`";
    for (char c : argument) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) {
            throw std::invalid_argument("A desktop entry cannot hold the name " + argument);
        }
    }
    const bool quote = argument.empty() || argument.find_first_of(kReserved) != std::string::npos;
    std::string quoted;
    if (quote) quoted += '"';
    for (char c : argument) {
        if (quote && (c == '"' || c == '`' || c == '$' || c == '\\')) quoted += '\\';
        quoted += c;
    }
    if (quote) quoted += '"';
    std::string escaped;
    for (char c : quoted) {
        if (c == '\\') escaped += "\\\\";
        else if (c == '%') escaped += "%%";
        else escaped += c;
    }
    return escaped;
}

}  // namespace

std::string AutostartFolder() {
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    if (xdg != nullptr && *xdg == '/') return WithSeparator(xdg) + "autostart/";
    const char* home = std::getenv("HOME");
    return WithSeparator(home != nullptr && *home != '\0' ? home : "/tmp") + ".config/autostart/";
}

std::string ReminderEntryPath() { return AutostartFolder() + "hollin-reminder.desktop"; }

std::string ReminderEntryText(const std::string& executable, const std::string& folder, const std::string& table) {
    const std::string exec = ExecArgument(executable) + " --data-dir " + ExecArgument(folder) + " --table " +
                             ExecArgument(table) + " --notify";
    return "[Desktop Entry]\n"
           "Type=Application\n"
           "Version=1.4\n"
           "Name=Hollin Reminder\n"
           "Comment=Family events of the coming week, at login\n"
           "Exec=" + exec + "\n"
           "Terminal=false\n"
           "NoDisplay=true\n";
}

bool ReminderEntryExists() {
    std::error_code error;
    return fs::exists(ReminderEntryPath(), error);
}

void WriteReminderEntry(const std::string& executable, const std::string& folder, const std::string& table) {
    const std::string text = ReminderEntryText(executable, folder, table);
    const std::string path = ReminderEntryPath();
    const std::string temporary = path + ".new";
    std::error_code error;
    fs::create_directories(AutostartFolder(), error);
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out << text;
        out.close();
        if (!out) {
            fs::remove(temporary, error);
            throw std::runtime_error("Cannot write " + path);
        }
    }
    fs::rename(temporary, path, error);
    if (error) {
        std::error_code ignored;
        fs::remove(temporary, ignored);
        throw std::runtime_error("Cannot write " + path + ": " + error.message());
    }
}

void RemoveReminderEntry() {
    std::error_code error;
    fs::remove(ReminderEntryPath(), error);
    if (error) throw std::runtime_error("Cannot remove " + ReminderEntryPath() + ": " + error.message());
}

}  // namespace hollin
