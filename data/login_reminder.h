// The reminder at login: a desktop entry in the desktop's autostart folder
// ($XDG_CONFIG_HOME/autostart, by default ~/.config/autostart) that runs
// "hollin --data-dir FOLDER --table NAME --notify" when the user logs in.
// The file is the desktop's own start-up list, not a setting of the program.
#pragma once

#include <string>

namespace hollin {

// The autostart folder, ending with "/" (a relative $XDG_CONFIG_HOME is
// ignored, as the base directory rules say).
std::string AutostartFolder();
// AutostartFolder() + "hollin-reminder.desktop".
std::string ReminderEntryPath();

// The entry's text: a hidden application whose Exec runs the executable
// with --data-dir, --table and --notify, each argument quoted and escaped as
// the desktop entry rules want. Throws std::invalid_argument for a text
// that an entry cannot hold (a control character).
std::string ReminderEntryText(const std::string& executable, const std::string& folder, const std::string& table);

bool ReminderEntryExists();
// Writes the entry (creating the folder), replacing an earlier one whole.
// Throws std::runtime_error when it cannot be written.
void WriteReminderEntry(const std::string& executable, const std::string& folder, const std::string& table);
// Removes the entry; a missing entry is fine. Throws std::runtime_error when
// it cannot be removed.
void RemoveReminderEntry();

}  // namespace hollin
