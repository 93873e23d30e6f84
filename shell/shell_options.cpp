// The larch command line.
#include "shell/shell_options.h"

namespace larch::shell {

ShellOptions ParseShellOptions(const std::vector<std::string>& args) {
    ShellOptions options;
    for (std::size_t i = 0; i < args.size() && options.error.empty(); ++i) {
        std::string arg = args[i];
        if (arg.size() > 2 && arg.rfind("--", 0) == 0) arg.erase(0, 1);
        auto value = [&](std::string& into) {
            if (i + 1 >= args.size()) options.error = "option " + args[i] + " needs a value";
            else into = args[++i];
        };
        auto appended = [&](std::vector<std::string>& into) {
            std::string text;
            value(text);
            if (options.error.empty()) into.push_back(text);
        };
        if (arg == "-c") {
            appended(options.texts);
        } else if (arg == "-cmd") {
            appended(options.commands);
        } else if (arg == "-separator") {
            value(options.output.separator);
        } else if (arg == "-nullvalue") {
            value(options.output.nullValue);
        } else if (arg == "-header" || arg == "-headers") {
            options.output.headers = true;
        } else if (arg == "-noheader" || arg == "-noheaders") {
            options.output.headers = false;
        } else if (arg == "-bail") {
            options.bail = true;
        } else if (arg == "-h" || arg == "-help") {
            options.help = true;
        } else if (arg == "-version") {
            options.version = true;
        } else if (arg.size() > 1 && arg[0] == '-' && ModeByName(arg.substr(1))) {
            options.output.mode = *ModeByName(arg.substr(1));
        } else if (!arg.empty() && arg[0] == '-') {
            options.error = "unknown option " + args[i];
        } else if (options.folder.empty()) {
            options.folder = arg;
        } else {
            options.error = "more than one folder: " + options.folder + ", " + arg;
        }
    }
    return options;
}

std::string ShellUsage() {
    return "usage: larch [OPTIONS] [DIR]\n"
           "\n"
           "The shell of the Larch tables in DIR (default: the current folder). It reads\n"
           "SQL statements ended by \";\" and dot-commands (.help lists them) from standard\n"
           "input; at a terminal with the prompt \"larch> \", line editing and a history\n"
           "in ~/.larch_history ($LARCH_HISTORY names another file, empty for none).\n"
           "\n"
           "  -c TEXT          run the statements or dot-command TEXT instead of reading\n"
           "                   input (may be repeated)\n"
           "  -cmd COMMAND     run COMMAND before reading input (may be repeated)\n"
           "  -csv, -list, -line, -column, -table, -json\n"
           "                   the output mode (csv by default)\n"
           "  -header          print the field names (the default)\n"
           "  -noheader        do not print them\n"
           "  -separator SEP   the separator of list mode (default \"|\")\n"
           "  -nullvalue TEXT  how NULL is printed (default: empty)\n"
           "  -bail            stop at the first command that fails\n"
           "  -version         print the version\n"
           "  -help            print this text\n"
           "\n"
           "Options may also be written with two dashes (--version, --csv).\n"
           "The exit status is 0 when every command succeeded, 1 when one failed,\n"
           "2 for a wrong command line.\n";
}

}  // namespace larch::shell
