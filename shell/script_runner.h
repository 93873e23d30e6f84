// Running the commands of a source of lines: standard input, the terminal
// or a file of .read.
#pragma once

#include <string>

#include "shell/line_source.h"
#include "shell/shell_context.h"

namespace larch::shell {

// Splits the lines into commands and runs them until the source ends or the
// context says to quit (.quit, .exit, a failed command under .bail).
void RunLines(ShellContext& context, LineSource& source);

// .read FILE: the file's commands, errors named by the file and line.
// Throws when the file cannot be read (or .read nests too deeply).
void ReadCommandFile(ShellContext& context, const std::string& file);

}  // namespace larch::shell
