// larch: a command-line shell over one folder of Larch tables.
//
//   larch [DIR] [-c TEXT]...
//
// DIR is the database folder (default: the current folder). Each -c runs its
// statements or dot-command; without -c the commands are read from standard
// input. The exit status is 1 when a command failed, 2 for a bad command line.
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "engine/cursor/larch_session.h"
#include "shell/shell_context.h"
#include "shell/statement_splitter.h"

namespace {

int Usage() {
    std::cerr << "usage: larch [DIR] [-c TEXT]...\n";
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    using namespace larch::shell;
    std::string folder;
    std::vector<std::string> texts;
    bool haveTexts = false;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "-c") {
            if (i + 1 >= argc) return Usage();
            texts.push_back(argv[++i]);
            haveTexts = true;
        } else if (arg == "-h" || arg == "--help") {
            Usage();
            return 0;
        } else if (!arg.empty() && arg[0] == '-' ) {
            return Usage();
        } else if (folder.empty()) {
            folder = arg;
        } else {
            return Usage();
        }
    }

    std::error_code error;
    std::filesystem::path path = std::filesystem::absolute(folder.empty() ? "." : folder, error);
    if (error || !std::filesystem::is_directory(path, error)) {
        std::cerr << "larch: \"" << (folder.empty() ? "." : folder) << "\" is not a folder\n";
        return 1;
    }
    ShellContext context;
    // A path (it holds "/") names the folder itself as the database.
    context.folder = path.lexically_normal().string();
    if (context.folder.empty() || context.folder.back() != '/') context.folder += '/';
    context.out = &std::cout;
    context.err = &std::cerr;
    // Temporary results and INTO tables go to the database folder.
    larch::TLarchSessionList::Instance().DefaultSession().SetPrivateDir(context.folder);

    if (haveTexts) {
        for (const std::string& text : texts) {
            for (const ShellCommand& command : SplitCommands(text)) RunCommand(context, command);
        }
    } else {
        StatementSplitter splitter;
        std::string line;
        while (std::getline(std::cin, line)) {
            for (const ShellCommand& command : splitter.AddLine(line)) RunCommand(context, command);
        }
        for (const ShellCommand& command : splitter.Finish()) RunCommand(context, command);
    }
    return context.failed ? 1 : 0;
}
