// Where the program keeps its tables, and what its command line asks for.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace hollin {

struct TCommandLine {
    std::optional<std::string> dataDir;  // --data-dir DIR
    bool help = false;                   // --help, -h
    bool version = false;                // --version
    std::optional<std::string> reportKind;    // --report list|detailed
    std::optional<std::string> reportOutput;  // --output FILE
    std::string error;                   // why the command line is refused; empty when fine
};

// Reads the arguments after the program name.
TCommandLine ParseCommandLine(const std::vector<std::string>& args);

// The text --help prints.
std::string UsageText();

// The folder of the tables, List.txt and Backup: dataDir when given; else
// the executable's folder when the program may write there; else the
// user's data folder ($XDG_DATA_HOME/Hollin, by default
// ~/.local/share/Hollin). Ends with "/"; nothing is created or checked (a
// report from the command line reads the folder and never makes one).
std::string ChosenDataFolder(const std::optional<std::string>& dataDir, const std::string& executableFolder);

// ChosenDataFolder, created when missing. Throws std::runtime_error when it
// cannot be created.
std::string ProgramDataFolder(const std::optional<std::string>& dataDir, const std::string& executableFolder);

// The user's data folder for the program (not created).
std::string UserDataFolder();

// The help file "HN.HLP": beside the executable (the build tree, a program
// unpacked into one folder), else in ../share/hollin/ from the executable's
// folder (an installed program: bin/ and share/ under one prefix). When
// neither exists, the place beside the executable, so that the help window
// names the file it looked for.
std::string HelpFilePath(const std::string& executableFolder);

}  // namespace hollin
