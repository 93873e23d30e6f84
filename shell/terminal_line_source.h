// Lines typed at a terminal: the prompts "larch> " and "   ...> " (a
// statement not yet ended by ";"), line editing and a history kept in a
// file, through libedit's readline interface.
#pragma once

#include <string>

#include "shell/line_source.h"

namespace larch::shell {

inline constexpr const char* kPrompt = "larch> ";
inline constexpr const char* kContinuationPrompt = "   ...> ";

class TerminalLineSource : public LineSource {
public:
    // historyFile: where the history is read from and written to; empty
    // keeps none. A missing or unreadable file starts an empty history.
    explicit TerminalLineSource(std::string historyFile);
    bool ReadLine(std::string& line, bool continued) override;

private:
    std::string m_historyFile;
};

// The history file: $LARCH_HISTORY when set (empty: none), else
// ~/.larch_history (none without a home folder).
std::string HistoryFile();

}  // namespace larch::shell
