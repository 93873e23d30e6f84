// larch: a command-line shell over one folder of Larch tables.
//
//   larch [OPTIONS] [DIR]
//
// DIR is the database folder (default: the current folder). -cmd commands
// run first; then each -c TEXT, or else the lines of standard input (at a
// terminal with prompts, line editing and history). The exit status is 1
// when a command failed (or .exit's CODE), 2 for a bad command line.
#include <unistd.h>

#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "engine/cursor/larch_session.h"
#include "shell/script_runner.h"
#include "shell/shell_context.h"
#include "shell/shell_options.h"
#include "shell/statement_splitter.h"
#include "shell/terminal_line_source.h"

namespace {

using namespace larch::shell;

void RunTexts(ShellContext& context, const std::vector<std::string>& texts) {
    for (const std::string& text : texts) {
        for (const ShellCommand& command : SplitCommands(text)) {
            if (context.quit) return;
            RunCommand(context, command);
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    const ShellOptions options = ParseShellOptions(std::vector<std::string>(argv + 1, argv + argc));
    if (!options.error.empty()) {
        std::cerr << "larch: " << options.error << "\n" << ShellUsage();
        return 2;
    }
    if (options.help) {
        std::cout << ShellUsage();
        return 0;
    }
    if (options.version) {
        std::cout << "larch " << LARCH_VERSION << "\n";
        return 0;
    }

    const std::string& folder = options.folder;
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
    context.output = options.output;
    context.bail = options.bail;
    // Temporary results and INTO tables go to the database folder.
    larch::TLarchSessionList::Instance().DefaultSession().SetPrivateDir(context.folder);

    RunTexts(context, options.commands);
    if (!options.texts.empty()) {
        RunTexts(context, options.texts);
    } else if (::isatty(STDIN_FILENO)) {
        std::cout << "larch " << LARCH_VERSION << " on " << context.folder << "\n"
                  << "Enter \".help\" for the commands; end a statement with \";\".\n";
        TerminalLineSource terminal(HistoryFile());
        RunLines(context, terminal);
        if (!context.quit) std::cout << "\n";  // the end of input (^D) leaves the prompt's line
    } else {
        StreamLineSource input(std::cin);
        RunLines(context, input);
    }
    if (!EndRedirection(context)) context.failed = true;
    if (context.exitStatus) return *context.exitStatus;
    return context.failed ? 1 : 0;
}
