// Running the commands of a source of lines.
#include "shell/script_runner.h"

#include <filesystem>
#include <fstream>
#include <stdexcept>

namespace larch::shell {

namespace {

// A file that reads itself would otherwise recurse until the stack ends.
constexpr int kMaxReadDepth = 16;

}  // namespace

void RunLines(ShellContext& context, LineSource& source) {
    StatementSplitter splitter;
    std::string line;
    while (!context.quit && source.ReadLine(line, splitter.Pending())) {
        for (const ShellCommand& command : splitter.AddLine(line)) {
            RunCommand(context, command);
            if (context.quit) return;
        }
    }
    if (context.quit) return;
    for (const ShellCommand& command : splitter.Finish()) RunCommand(context, command);
}

void ReadCommandFile(ShellContext& context, const std::string& file) {
    if (context.readDepth >= kMaxReadDepth) {
        throw std::runtime_error(".read is nested more than " + std::to_string(kMaxReadDepth) + " deep");
    }
    std::error_code error;
    if (std::filesystem::is_directory(file, error)) throw std::runtime_error("\"" + file + "\" is a folder");
    std::ifstream in(file, std::ios::binary);
    if (!in) throw std::runtime_error("cannot open \"" + file + "\"");
    struct Nesting {
        ShellContext& context;
        std::string outer;
        Nesting(ShellContext& c, const std::string& file) : context(c), outer(c.source) {
            context.source = file;
            ++context.readDepth;
        }
        ~Nesting() {
            context.source = outer;
            --context.readDepth;
        }
    } nesting(context, file);
    StreamLineSource source(in);
    RunLines(context, source);
    if (in.bad()) throw std::runtime_error("error reading \"" + file + "\"");
}

}  // namespace larch::shell
