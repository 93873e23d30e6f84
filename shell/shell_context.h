// The state of one run of the shell and the running of its commands.
#pragma once

#include <ostream>
#include <string>

#include "shell/statement_splitter.h"

namespace larch::shell {

struct ShellContext {
    std::string folder;  // the database folder, ending with "/"
    bool live = false;   // RequestLive for SELECT
    bool timer = false;  // elapsed time of each command on the error stream
    bool failed = false; // some command failed: the exit status is 1
    std::ostream* out = nullptr;
    std::ostream* err = nullptr;
};

// Runs one statement or dot-command. Errors are reported on the error stream
// and mark the context failed; nothing is thrown.
void RunCommand(ShellContext& context, const ShellCommand& command);

// Runs a SQL statement: a SELECT prints its result as CSV, INSERT, UPDATE
// and DELETE print "rows affected: N". Throws the engine's errors.
void RunStatement(ShellContext& context, const std::string& text);

// Runs a dot-command line (dot_commands.cpp). Throws on failure.
void RunDotCommand(ShellContext& context, const std::string& line);

}  // namespace larch::shell
