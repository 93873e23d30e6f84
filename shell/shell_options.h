// The larch command line, read as sqlite3 reads its own: an option may be
// written with one dash or two.
#pragma once

#include <string>
#include <vector>

#include "shell/output_modes.h"

namespace larch::shell {

struct ShellOptions {
    std::string folder;                  // the database folder; empty: the current one
    std::vector<std::string> texts;      // -c TEXT: run these instead of reading input
    std::vector<std::string> commands;   // -cmd COMMAND: run these before the input
    OutputSettings output;               // -csv, -json, -header, -separator, ...
    bool bail = false;                   // -bail
    bool help = false;                   // -help, -h
    bool version = false;                // -version
    std::string error;                   // why the line is refused; empty when fine
};

ShellOptions ParseShellOptions(const std::vector<std::string>& args);

// The text of --help.
std::string ShellUsage();

}  // namespace larch::shell
