// The session's dot-commands: .mode, .headers, .separator, .nullvalue,
// .output, .once, .read, .bail, .quit and .exit.
#include <stdexcept>

#include "dataset/field_defs.h"
#include "shell/command_words.h"
#include "shell/script_runner.h"
#include "shell/shell_context.h"

namespace larch::shell {

using hollin::SameName;

namespace {

// "\t", "\n", "\r" and "\\" in a separator or null text, as typed.
std::string Unescaped(const std::string& text) {
    std::string result;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\' || i + 1 == text.size()) {
            result += text[i];
            continue;
        }
        switch (text[++i]) {
            case 't': result += '\t'; break;
            case 'n': result += '\n'; break;
            case 'r': result += '\r'; break;
            case '\\': result += '\\'; break;
            default: result += '\\', result += text[i];
        }
    }
    return result;
}

int ExitCode(const std::string& text) {
    try {
        std::size_t used = 0;
        int code = std::stoi(text, &used);
        if (used == text.size() && code >= 0 && code <= 255) return code;
    } catch (const std::exception&) {
    }
    throw std::runtime_error("usage: .exit [CODE] (CODE 0 to 255)");
}

}  // namespace

const char* SessionCommandsHelp() {
    return ".mode csv|list|line|column|table|json  how results are printed (csv by default)\n"
           ".headers on|off                  the field names above the rows (csv, list, column)\n"
           ".separator TEXT                  between the values in list mode (\"|\"; \\t for a tab)\n"
           ".nullvalue TEXT                  how NULL is printed (empty by default)\n"
           ".output [FILE]                   print into FILE; without FILE back to the screen\n"
           ".once FILE                       print the next command's output into FILE\n"
           ".read FILE                       run the commands of FILE\n"
           ".bail on|off                     stop at the first command that fails\n"
           ".quit                            end the shell\n"
           ".exit [CODE]                     end the shell with exit status CODE (0 to 255)\n"
           ".help                            this list\n";
}

bool RunSessionCommand(ShellContext& context, const std::string& command, const std::string& rest) {
    if (SameName(command, ".mode")) {
        std::vector<std::string> words = Words(rest);
        std::optional<OutputMode> mode = words.size() == 1 ? ModeByName(words[0]) : std::nullopt;
        if (!mode) throw std::runtime_error(std::string("usage: .mode ") + ModeNames());
        context.output.mode = *mode;
    } else if (SameName(command, ".headers") || SameName(command, ".header")) {
        context.output.headers = OnOff(rest, ".headers on|off");
    } else if (SameName(command, ".separator")) {
        context.output.separator = Unescaped(Arguments(rest, 1, ".separator TEXT")[0]);
    } else if (SameName(command, ".nullvalue")) {
        context.output.nullValue = Unescaped(Arguments(rest, 1, ".nullvalue TEXT")[0]);
    } else if (SameName(command, ".output")) {
        std::vector<std::string> words = Words(rest);
        if (words.size() > 1) throw std::runtime_error("usage: .output [FILE]");
        if (words.empty()) {
            if (!EndRedirection(context)) context.failed = true;
        } else {
            RedirectOutput(context, words[0], false);
        }
    } else if (SameName(command, ".once")) {
        RedirectOutput(context, Arguments(rest, 1, ".once FILE")[0], true);
    } else if (SameName(command, ".read")) {
        ReadCommandFile(context, Arguments(rest, 1, ".read FILE")[0]);
    } else if (SameName(command, ".bail")) {
        context.bail = OnOff(rest, ".bail on|off");
    } else if (SameName(command, ".quit")) {
        if (!rest.empty()) throw std::runtime_error("usage: .quit");
        context.quit = true;
    } else if (SameName(command, ".exit")) {
        std::vector<std::string> words = Words(rest);
        if (words.size() > 1) throw std::runtime_error("usage: .exit [CODE]");
        if (!words.empty()) context.exitStatus = ExitCode(words[0]);
        context.quit = true;
    } else {
        return false;
    }
    return true;
}

}  // namespace larch::shell
