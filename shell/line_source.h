// Where the shell's lines come from: a stream (a pipe, a file of .read), or
// the terminal with its prompts (terminal_line_source.h).
#pragma once

#include <istream>
#include <string>

namespace larch::shell {

class LineSource {
public:
    virtual ~LineSource() = default;
    // The next line without its line end; false at the end of the input.
    // `continued`: a statement is pending, so a prompt shows the
    // continuation prompt.
    virtual bool ReadLine(std::string& line, bool continued) = 0;
};

class StreamLineSource : public LineSource {
public:
    explicit StreamLineSource(std::istream& in) : m_in(in) {}
    bool ReadLine(std::string& line, bool) override { return static_cast<bool>(std::getline(m_in, line)); }

private:
    std::istream& m_in;
};

}  // namespace larch::shell
