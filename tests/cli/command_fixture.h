// A folder with a small default table and today fixed (Friday 12/11/2026),
// for the tests of the commands run in the test's own process.
#pragma once

#include <gtest/gtest.h>

#include "cli/table_command.h"
#include "data/dm2.h"
#include "dataset/date_time.h"
#include "tests/engine/test_folder.h"
#include "tests/support/event_cursor.h"

namespace hollin::testing {

class CommandTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetClockForTesting(MakeDateTime(EncodeDate(2026, 12, 11), 0));
        Tdm2::CreateTables(folder.path());
        auto table = larch::testing::EventCursor(folder.path());
        table->Open();
        larch::testing::AddEvent(*table, "Dave", "Smith", "Birthday", EncodeDate(1936, 12, 14));
        larch::testing::AddEvent(*table, "Ann", "Lee", "Anniversary", EncodeDate(2001, 12, 11));
        larch::testing::AddEvent(*table, "Bo", "Ng", "Passing", EncodeDate(2020, 1, 5));
        larch::testing::AddEvent(*table, "Cy", "Far", "Birthday", EncodeDate(1990, 1, 20));
    }
    void TearDown() override { SetClockForTesting(std::nullopt); }

    // --data-dir's folder, or the test's folder without it.
    TFolderChooser Chooser() const {
        return [this](const std::optional<std::string>& dataDir) {
            return dataDir ? *dataDir + "/" : folder.path() + "/";
        };
    }

    larch::testing::TestFolder folder;
};

}  // namespace hollin::testing
