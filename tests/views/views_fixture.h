// The data module over a temporary program folder and an owner window, for
// the tests of the secondary windows; today is fixed.
#pragma once

#include <gtest/gtest.h>

#include <QDialog>
#include <QWidget>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "data/dm2.h"
#include "tests/engine/test_folder.h"

namespace hollin::ui::testing {

class ViewsTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Adds a record to the open table.
    void Add(const std::string& first, const std::string& last, const std::string& event, int32_t date = 730000);
    // The first names of the visible records in the table's order, ending on
    // the record that was current.
    std::vector<std::string> VisibleFirstNames();
    std::string CurrentFirstName();

    larch::testing::TestFolder folder;
    std::unique_ptr<Tdm2> dm2;
    QWidget owner;
};

// Runs trigger, which opens a modal dialog; inspect sees the dialog once it is
// shown, then the dialog is closed. Returns whether a dialog was shown.
bool WithNextModal(const std::function<void()>& trigger, const std::function<void(QDialog&)>& inspect);

}  // namespace hollin::ui::testing
