// The program entry: the start-up sequence, then the event loop until the
// main window closes.
#include <QDir>
#include <iostream>

#include "app/frm_main.h"
#include "app/hollin_application.h"
#include "app/program_folder.h"
#include "app/start_up.h"
#include "controls/message_box.h"
#include "photo/warning_box.h"

int main(int argc, char** argv) {
    using namespace hollin;
    using namespace hollin::ui;

    THollinApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Hollin"));
    QApplication::setApplicationVersion(QStringLiteral(HOLLIN_VERSION));
    // A bare name until Help, Contents asks for the file beside the executable.
    app.setProperty("helpFile", QStringLiteral("HN.hlp"));

    std::vector<std::string> args;
    for (const QString& arg : QApplication::arguments().mid(1)) args.push_back(arg.toStdString());
    const TCommandLine line = ParseCommandLine(args);
    if (!line.error.empty()) {
        std::cerr << "hollin: " << line.error << "\n\n" << UsageText();
        return 2;
    }
    if (line.help) {
        std::cout << UsageText();
        return 0;
    }
    if (line.version) {
        std::cout << "Hollin " << HOLLIN_VERSION << "\n";
        return 0;
    }

    const std::string executableFolder = QDir(QApplication::applicationDirPath()).absolutePath().toStdString() + "/";
    std::string folder;
    try {
        folder = ProgramDataFolder(line.dataDir, executableFolder);
    } catch (const std::exception& e) {
        std::cerr << "hollin: " << e.what() << "\n";
        return 1;
    }

    // The codecs' warnings appear as the program's warning boxes.
    SetWarningBoxHandler([](const std::string& text) { ShowMessageBox(TMessageKind::Warning, text); });

    std::unique_ptr<TProgram> program = StartProgram(folder, executableFolder);
    program->frmMain->show();
    const int status = QApplication::exec();
    program.reset();
    SetWarningBoxHandler(nullptr);
    return status;
}
