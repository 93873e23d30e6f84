// Lines typed at a terminal, through libedit.
#include "shell/terminal_line_source.h"

#include <editline/readline.h>

#include <cstdlib>

namespace larch::shell {

namespace {

constexpr int kHistoryLines = 2000;

}  // namespace

TerminalLineSource::TerminalLineSource(std::string historyFile) : m_historyFile(std::move(historyFile)) {
    // The name lets ~/.editrc hold settings for larch alone ("larch:bind ...").
    rl_readline_name = const_cast<char*>("larch");
    using_history();
    stifle_history(kHistoryLines);
    if (!m_historyFile.empty()) read_history(m_historyFile.c_str());
}

bool TerminalLineSource::ReadLine(std::string& line, bool continued) {
    char* text = readline(continued ? kContinuationPrompt : kPrompt);
    if (text == nullptr) return false;
    line = text;
    std::free(text);
    if (line.find_first_not_of(" \t") != std::string::npos) {
        add_history(line.c_str());
        // Written at once, so that a shell that is killed keeps its history
        // too; a file that cannot be written just keeps none.
        if (!m_historyFile.empty()) write_history(m_historyFile.c_str());
    }
    return true;
}

std::string HistoryFile() {
    if (const char* chosen = std::getenv("LARCH_HISTORY")) return chosen;
    const char* home = std::getenv("HOME");
    if (home == nullptr || *home == '\0') return {};
    std::string file = home;
    if (file.back() != '/') file += '/';
    return file + ".larch_history";
}

}  // namespace larch::shell
