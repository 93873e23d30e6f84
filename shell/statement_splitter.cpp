// Splitting the shell's input into SQL statements and dot-commands.
#include "shell/statement_splitter.h"

namespace larch::shell {

namespace {

bool Blank(const std::string& text) { return text.find_first_not_of(" \t\r\n") == std::string::npos; }

}  // namespace

void StatementSplitter::Complete(std::vector<ShellCommand>& out) {
    if (!Blank(m_pending)) out.push_back({false, m_pending, m_pendingLine});
    m_pending.clear();
    m_pendingLine = 0;
}

std::vector<ShellCommand> StatementSplitter::AddLine(const std::string& input) {
    std::vector<ShellCommand> out;
    ++m_line;
    std::string line = input;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (m_quote == 0 && Blank(m_pending) && !line.empty() && line[0] == '.') {
        m_pending.clear();
        out.push_back({true, line, m_line});
        return out;
    }
    if (!m_pending.empty()) m_pending += '\n';
    for (char c : line) {
        if (m_quote == 0 && c == ';') {
            Complete(out);
            continue;
        }
        if (m_pendingLine == 0 && c != ' ' && c != '\t') m_pendingLine = m_line;
        if (c == '\'' || c == '"') {
            if (m_quote == 0) m_quote = c;
            else if (m_quote == c) m_quote = 0;
        }
        m_pending += c;
    }
    return out;
}

std::vector<ShellCommand> StatementSplitter::Finish() {
    std::vector<ShellCommand> out;
    Complete(out);
    m_quote = 0;
    return out;
}

std::vector<ShellCommand> SplitCommands(const std::string& text) {
    StatementSplitter splitter;
    std::vector<ShellCommand> all;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        for (ShellCommand& c : splitter.AddLine(text.substr(start, end - start))) all.push_back(std::move(c));
        start = end + 1;
    }
    for (ShellCommand& c : splitter.Finish()) all.push_back(std::move(c));
    return all;
}

}  // namespace larch::shell
