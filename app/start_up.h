// The program's long-lived objects, made in the start-up order: the main
// window, the data module (which creates and opens the default table), and
// the report holder.
#pragma once

#include <memory>
#include <string>

#include "app/frm_main.h"
#include "data/dm2.h"
#include "views/frm_rb.h"

namespace hollin::ui {

struct TProgram {
    // Declared so that the window goes before the data it shows.
    std::unique_ptr<Tdm2> dm2;
    std::unique_ptr<TfrmMain> frmMain;
    std::unique_ptr<TfrmRB> frmRB;  // the hidden report holder
    ~TProgram();
};

// Maps the window fonts that Linux lacks to faces of the same widths.
void InstallFontSubstitutes();

// Runs the start-up sequence over dataFolder; the help file is looked for in
// executableFolder. An error of the data module is shown and the program
// starts with the table closed. The main window is not shown yet.
std::unique_ptr<TProgram> StartProgram(const std::string& dataFolder, const std::string& executableFolder);

}  // namespace hollin::ui
