// A started program over a temporary folder, with today fixed, for the
// window tests.
#pragma once

#include <gtest/gtest.h>

#include <QDialog>
#include <functional>
#include <memory>
#include <string>

#include "app/start_up.h"
#include "tests/engine/test_folder.h"

namespace hollin::ui::testing {

class ProgramTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Starts the program over the folder and shows the main window.
    void Start();
    // Adds a record to the default table (created when missing) before start.
    void AddRecord(const std::string& first, const std::string& last, const std::string& event, int32_t date);

    TfrmMain& Main() { return *program->frmMain; }
    Tdm2& Dm2() { return *program->dm2; }
    template <typename T>
    T* Find(const char* name) {
        T* widget = program->frmMain->findChild<T*>(QString::fromUtf8(name));
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }
    void ClickNavigator(const char* button);

    larch::testing::TestFolder folder;
    std::unique_ptr<TProgram> program;
};

// Runs trigger (which may open a modal dialog and wait in it), runs inspect
// on the next modal dialog once it is shown and closes it (rejected unless
// inspect closed it itself). Returns whether
// one was shown within the time.
bool HandleNextModal(const std::function<void(QDialog&)>& inspect, const std::function<void()>& trigger = {},
                     int timeoutMs = 2000);

}  // namespace hollin::ui::testing
