// The table a canned SELECT fills: its columns and indexes, creating it,
// choosing a temporary name and deleting its files.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/data/data_file.h"

namespace larch {

// The hidden row number column, always the first column of a result table.
inline constexpr const char* kRowNumberName = "Row___No";

// Columns and indexes of a result table.
struct TResultTableLayout {
    std::vector<FieldDescriptor> fields;  // Row___No, then one per result column
    IndexDescriptor primary;
    std::vector<IndexDescriptor> secondaries;
    int groupSlot = -1;     // the index that finds a group's row (-1: none)
    int distinctSlot = -1;  // the index that finds an equal row (-1: none)
};

// What the layout is built from: one field per result column (name, type,
// size; numbers and widths are assigned here) and the clauses.
struct TResultTableShape {
    std::vector<FieldDescriptor> columns;
    std::vector<int> orderColumns;  // positions in `columns`
    std::vector<bool> orderDescending;
    bool orderNoCase = false;
    std::vector<int> groupColumns;  // GROUP BY positions (empty: no group index)
    bool distinct = false;
};

// The layout: with ORDER BY the primary index runs over the ORDER BY columns
// (their descending flags, case-insensitive with NOCASE) and then Row___No,
// so that equal sort keys keep the order rows were added; without it the
// primary index is the group index, else the DISTINCT index, else Row___No.
// The group index (GROUP BY columns) and the DISTINCT index (every result
// column) are unique, named "GroupBy" and "Distinct" when they are not the
// primary index.
TResultTableLayout BuildResultLayout(const TResultTableShape& shape);

// Creates the table's files (replacing any of that name) with the
// description "Query Result Set" and 512-byte blob blocks; engine errors pass.
// A temporary table is made as TDataFile::SetTemporary describes.
void CreateResultTable(const std::string& path, const TResultTableLayout& layout, bool temporary);

// A data file name in `folder` (the current folder when empty) not used yet:
// the first five digits of the thread identifier and the smallest number
// from 0 up, chosen under a process-wide lock. The caller creates the table
// at once, so that the next statement of the thread takes the next number.
std::string TemporaryResultPath(const std::string& folder);

// Deletes the table's data, index and blob files; missing files are fine.
void DeleteTableFiles(const std::string& path) noexcept;

}  // namespace larch
