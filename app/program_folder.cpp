// The command line and the program's data folder.
#include "app/program_folder.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <stdexcept>

#include "data/folder_path.h"

namespace hollin {
namespace {

bool MayWriteInto(const std::string& folder) { return ::access(folder.c_str(), W_OK | X_OK) == 0; }

}  // namespace

TCommandLine ParseCommandLine(const std::vector<std::string>& args) {
    TCommandLine line;
    auto valueOf = [&](std::size_t& i, const std::string& option) -> std::optional<std::string> {
        if (i + 1 >= args.size() || args[i + 1].empty()) {
            line.error = "Option " + option + " needs a value";
            return std::nullopt;
        }
        return args[++i];
    };
    for (std::size_t i = 0; i < args.size() && line.error.empty(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--help" || arg == "-h") {
            line.help = true;
        } else if (arg == "--version") {
            line.version = true;
        } else if (arg == "--data-dir") {
            line.dataDir = valueOf(i, arg);
        } else if (arg.rfind("--data-dir=", 0) == 0) {
            line.dataDir = arg.substr(11);
        } else if (arg == "--report") {
            line.reportKind = valueOf(i, arg);
        } else if (arg == "--output") {
            line.reportOutput = valueOf(i, arg);
        } else {
            line.error = "Unknown argument: " + arg;
        }
    }
    if (!line.error.empty()) return line;
    if (line.reportKind && *line.reportKind != "list" && *line.reportKind != "detailed") {
        line.error = "--report takes list or detailed";
    } else if (line.reportKind.has_value() != line.reportOutput.has_value()) {
        line.error = "--report and --output go together";
    }
    return line;
}

std::string UsageText() {
    return "Usage: hollin [--data-dir DIR] [--report list|detailed --output FILE]\n"
           "       hollin [--data-dir DIR] [--table NAME] --upcoming [--days N]\n"
           "       hollin [--data-dir DIR] [--table NAME] --notify [--days N]\n"
           "       hollin [--data-dir DIR] [--table NAME] --report calendar [--year Y] --output FILE.pdf\n"
           "       hollin [--data-dir DIR] [--table NAME] --import FILE.vcf|FILE.csv\n"
           "       hollin [--data-dir DIR] [--table NAME] --export FILE.ics|FILE.vcf|FILE.csv\n"
           "              [--ages YEARS] [--remind DAYS]\n"
           "\n"
           "Hollin keeps a small database of family events.\n"
           "\n"
           "  --data-dir DIR   keep the tables, List.txt and the Backup folder in DIR\n"
           "                   (created when missing). Without it they live beside the\n"
           "                   executable, or, when that folder is not writable (an\n"
           "                   installed program), in $XDG_DATA_HOME/Hollin\n"
           "                   (by default ~/.local/share/Hollin).\n"
           "  --report KIND    write the list or detailed report of the default table\n"
           "  --output FILE    to FILE (.pdf; .txt for the list) without a window;\n"
           "                   --report calendar writes the year's calendar (this year\n"
           "                   unless --year Y), a page a month, as PDF\n"
           "  --upcoming       print the events of the next N days (default 30, 0 for\n"
           "                   today only) of the table NAME (default Hollin.DAT) as\n"
           "                   tab-separated lines, without a window\n"
           "  --notify         show one desktop notification naming the events of the\n"
           "                   next N days (default 7); needs the session bus only\n"
           "  --import FILE    add the records of a vCard or CSV file to the table as\n"
           "                   one batch and print what was added and skipped\n"
           "  --export FILE    write the table as iCalendar, vCard or CSV; for .ics,\n"
           "                   --ages YEARS writes one event per occurrence with the\n"
           "                   age for YEARS years, --remind DAYS adds a reminder\n"
           "  --help           show this text\n"
           "  --version        show the program's version\n";
}

std::string UserDataFolder() {
    const char* xdg = std::getenv("XDG_DATA_HOME");
    if (xdg != nullptr && *xdg == '/') return WithSeparator(xdg) + "Hollin/";
    const char* home = std::getenv("HOME");
    return WithSeparator(home != nullptr && *home != '\0' ? home : "/tmp") + ".local/share/Hollin/";
}

std::string HelpFilePath(const std::string& executableFolder) {
    const std::string beside = WithSeparator(executableFolder) + "HN.HLP";
    const std::string installed = WithSeparator(executableFolder) + "../share/hollin/HN.HLP";
    std::error_code error;
    if (!std::filesystem::is_regular_file(beside, error) && std::filesystem::is_regular_file(installed, error)) {
        return std::filesystem::path(installed).lexically_normal().string();
    }
    return beside;
}

std::string ChosenDataFolder(const std::optional<std::string>& dataDir, const std::string& executableFolder) {
    if (dataDir) return WithSeparator(std::filesystem::absolute(*dataDir).lexically_normal().string());
    if (MayWriteInto(executableFolder)) return WithSeparator(executableFolder);
    return UserDataFolder();
}

std::string ProgramDataFolder(const std::optional<std::string>& dataDir, const std::string& executableFolder) {
    const std::string folder = ChosenDataFolder(dataDir, executableFolder);
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (!std::filesystem::is_directory(folder)) {
        throw std::runtime_error("Cannot use the data folder " + folder +
                                 (error ? ": " + error.message() : std::string()));
    }
    return folder;
}

}  // namespace hollin
