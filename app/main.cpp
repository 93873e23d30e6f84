// The program entry: the command line, then the start-up sequence and the
// event loop until the main window closes (or, with --report, --upcoming,
// --notify, --import or --export, one command run without a window).
#include <filesystem>
#include <iostream>

#include "app/desktop_identity.h"
#include "app/hollin_application.h"
#include "app/program_folder.h"
#include "app/start_up.h"
#include "cli/calendar_command.h"
#include "cli/export_command.h"
#include "cli/import_command.h"
#include "cli/notify_command.h"
#include "cli/report_command.h"
#include "cli/upcoming_command.h"
#include "controls/message_box.h"
#include "photo/warning_box.h"

namespace {

// The folder of the running executable, ending with "/".
std::string ExecutableFolder(const char* argv0) {
    std::error_code error;
    std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error) self = std::filesystem::absolute(argv0);
    return self.parent_path().string() + "/";
}

}  // namespace

int main(int argc, char** argv) {
    using namespace hollin;
    using namespace hollin::ui;

    std::vector<std::string> args(argv + 1, argv + argc);
    const std::string executableFolder = ExecutableFolder(argv[0]);
    // The commands over one table read the folder the program would use.
    const TFolderChooser chooseFolder = [&](const std::optional<std::string>& dataDir) {
        return ChosenDataFolder(dataDir, executableFolder);
    };
    if (NamesCommand(args, "--upcoming")) return RunUpcomingCommand(args, chooseFolder, std::cout, std::cerr);
    if (NamesCommand(args, "--notify")) return RunNotifyCommand(args, chooseFolder, std::cerr);
    if (NamesCommand(args, "--import")) return RunImportCommand(args, chooseFolder, std::cout, std::cerr);
    if (NamesCommand(args, "--export")) return RunExportCommand(args, chooseFolder, std::cout, std::cerr);
    if (NamesCalendarCommand(args)) return RunCalendarCommand(args, chooseFolder, std::cerr);
    const TCommandLine line = ParseCommandLine(args);
    if (!line.error.empty()) {
        std::cerr << "hollin: " << line.error << "\n\n" << UsageText();
        return 2;
    }
    if (line.help) {
        std::cout << UsageText() << "\nThe help file: " << HelpFilePath(executableFolder) << "\n";
        return 0;
    }
    if (line.version) {
        std::cout << "Hollin " << HOLLIN_VERSION << "\n";
        return 0;
    }
    if (line.reportKind) {
        // A script's report needs no screen, and never creates a folder.
        return RunReportCommand(ChosenDataFolder(line.dataDir, executableFolder), *line.reportKind,
                                *line.reportOutput, std::cerr);
    }

    std::string folder;
    try {
        folder = ProgramDataFolder(line.dataDir, executableFolder);
    } catch (const std::exception& e) {
        std::cerr << "hollin: " << e.what() << "\n";
        return 1;
    }

    THollinApplication app(argc, argv);
    ApplyDesktopIdentity();
    QApplication::setApplicationVersion(QStringLiteral(HOLLIN_VERSION));
    // A bare name until Help, Contents asks for the file beside the executable.
    app.setProperty("helpFile", QStringLiteral("HN.hlp"));
    // The codecs' warnings appear as the program's warning boxes.
    SetWarningBoxHandler([](const std::string& text) { ShowMessageBox(TMessageKind::Warning, text); });

    std::unique_ptr<TProgram> program = StartProgram(folder, executableFolder);
    program->frmMain->show();
    const int status = QApplication::exec();
    program.reset();
    SetWarningBoxHandler(nullptr);
    return status;
}
