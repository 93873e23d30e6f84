// The state of one run of the shell and the running of its commands.
#pragma once

#include <fstream>
#include <memory>
#include <optional>
#include <ostream>
#include <string>

#include "shell/output_modes.h"
#include "shell/statement_splitter.h"

namespace larch::shell {

struct ShellContext {
    std::string folder;  // the database folder, ending with "/"
    bool live = false;   // RequestLive for SELECT
    bool timer = false;  // elapsed time of each command on the error stream
    bool failed = false; // some command failed: the exit status is 1
    bool bail = false;   // .bail on, -bail: a failed command ends the run
    bool quit = false;   // read no further command (.quit, .exit, a bail)
    std::optional<int> exitStatus;  // .exit CODE
    OutputSettings output;
    std::ostream* out = nullptr;
    std::ostream* err = nullptr;

    // .output and .once: the file that stands in for `out`, and the stream
    // it replaced; `once` returns to it after the next command.
    std::unique_ptr<std::ofstream> outputFile;
    std::string outputName;
    std::ostream* savedOut = nullptr;
    bool once = false;

    std::string source;  // the file .read is reading; errors name its lines
    int readDepth = 0;   // nested .read files
};

// Runs one statement or dot-command. Errors are reported on the error stream
// (as "FILE:LINE: " and the message while .read reads FILE) and mark the
// context failed; nothing is thrown. Returns whether the command succeeded.
bool RunCommand(ShellContext& context, const ShellCommand& command);

// Runs a SQL statement: a SELECT prints its result in the output mode,
// INSERT, UPDATE and DELETE print "rows affected: N". Throws the engine's
// errors.
void RunStatement(ShellContext& context, const std::string& text);

// Runs a dot-command line (dot_commands.cpp). Throws on failure.
void RunDotCommand(ShellContext& context, const std::string& line);

// The dot-commands of the session (session_commands.cpp): output modes and
// files, .read, .bail, .quit and .exit. Returns false for a command it does
// not know; throws on failure.
bool RunSessionCommand(ShellContext& context, const std::string& command, const std::string& rest);
const char* SessionCommandsHelp();

// Sends the output to `file` (created or emptied) instead of where it goes
// now; `once`: for the next command only. Throws when it cannot be written.
void RedirectOutput(ShellContext& context, const std::string& file, bool once);
// Back to the stream the redirection replaced. Returns false (and says so on
// the error stream) when the file could not be written completely.
bool EndRedirection(ShellContext& context);

}  // namespace larch::shell
