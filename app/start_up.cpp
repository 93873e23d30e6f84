// The start-up sequence of the program.
#include "app/start_up.h"

#include "controls/error_handler.h"

namespace hollin::ui {

std::unique_ptr<TProgram> StartProgram(const std::string& dataFolder, const std::string& executableFolder) {
    auto program = std::make_unique<TProgram>();
    program->frmMain = std::make_unique<TfrmMain>(executableFolder + "HN.HLP");
    program->dm2 = std::make_unique<Tdm2>(dataFolder);
    program->frmMain->BindData(*program->dm2);
    RunGuarded([&] { program->dm2->dm2Create(); });
    return program;
}

}  // namespace hollin::ui
