// Splitting the shell's input into SQL statements and dot-commands.
#pragma once

#include <string>
#include <vector>

namespace larch::shell {

struct ShellCommand {
    bool dotCommand = false;
    std::string text;  // a statement without its ";", or the dot-command's line
    int line = 0;      // the line the command starts on
};

// Takes the input line by line. A statement ends with ";" outside quotes
// ("'" or a double quote) or at the end of the input; a line that starts with
// "." while no statement is pending is a dot-command ending with the line.
// Statements of blanks only are dropped.
class StatementSplitter {
public:
    // The commands the line completes.
    std::vector<ShellCommand> AddLine(const std::string& line);
    // The statement pending at the end of the input, if any.
    std::vector<ShellCommand> Finish();
    // Whether a statement has begun and not yet ended.
    bool Pending() const { return m_quote != 0 || m_pending.find_first_not_of(" \t\r\n") != std::string::npos; }

private:
    void Complete(std::vector<ShellCommand>& out);

    std::string m_pending;
    int m_pendingLine = 0;
    int m_line = 0;
    char m_quote = 0;  // the open quote character, 0 outside quotes
};

// All commands of a whole text.
std::vector<ShellCommand> SplitCommands(const std::string& text);

}  // namespace larch::shell
