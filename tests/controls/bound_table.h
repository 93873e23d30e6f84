// An event table in a temporary folder, open through a cursor and a data
// source with AutoEdit off, as the program binds its controls.
#pragma once

#include <memory>
#include <string>

#include "dataset/data_source.h"
#include "engine/cursor/larch_table.h"
#include "tests/engine/test_folder.h"

namespace hollin::ui::testing {

struct TBoundTable {
    // Creates the table with the given first names (last name "Smith",
    // event "Birthday", date 730000 each), opens it and binds the source.
    explicit TBoundTable(std::initializer_list<std::string> firstNames = {});
    ~TBoundTable();

    // The first names of every record, read through a second cursor on the
    // same table in FirstName order, ';'-separated; with field: that field.
    std::string StoredValues(const std::string& field = "FirstName") const;

    larch::testing::TestFolder folder;
    std::unique_ptr<larch::TLarchTable> table;
    hollin::TDataSource source;
};

}  // namespace hollin::ui::testing
