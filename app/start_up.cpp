// The start-up sequence of the program.
#include "app/start_up.h"

#include <QFont>

#include "app/program_folder.h"
#include "app/repair_offer.h"
#include "controls/error_handler.h"

namespace hollin::ui {

TProgram::~TProgram() {
    if (hollin::frmRB == frmRB.get()) hollin::frmRB = nullptr;
    // The report holder and the window let go of ds1 before the data module.
    frmRB.reset();
    frmMain.reset();
}

void InstallFontSubstitutes() {
    // Arial, Times New Roman and Courier New resolve to their metric twins
    // (Liberation) through fontconfig; the bitmap face MS Sans Serif has no
    // twin, and the nearest in width is the Arial-like face.
    QFont::insertSubstitution(QStringLiteral("MS Sans Serif"), QStringLiteral("Liberation Sans"));
}

std::unique_ptr<TProgram> StartProgram(const std::string& dataFolder, const std::string& executableFolder) {
    InstallFontSubstitutes();
    auto program = std::make_unique<TProgram>();
    program->frmMain = std::make_unique<TfrmMain>(HelpFilePath(executableFolder));
    program->dm2 = std::make_unique<Tdm2>(dataFolder);
    program->frmMain->BindData(*program->dm2);
    Tdm2& dm2 = *program->dm2;
    RunGuarded([&] { OpenWithRepairOffer(dm2, [&] { dm2.dm2Create(); }); });
    program->frmRB = std::make_unique<TfrmRB>(program->dm2->ds1);
    hollin::frmRB = program->frmRB.get();
    return program;
}

}  // namespace hollin::ui
