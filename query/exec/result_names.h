// The names of result columns: alias, column name or the aggregate and
// expression names, cut to 30 characters and made unique with "_1", "_2", ...
#pragma once

#include <string>
#include <vector>

#include "query/sql/parse_result.h"

namespace larch {

// Longest name of a result column (the field name limit).
constexpr std::size_t kMaxResultName = 30;

// The name a result column asks for: its alias; else its column name for a
// plain column, "Sum Of " (Min, Max, Average, Count) and the column name for
// an aggregate over a column, "Expression" or "Sum Of Expr" (...) for
// expressions. Not yet cut or made unique.
std::string BaseResultName(const TResultDataField& item);

// The final names in select-list order: each base cut to 30 characters; a
// name equal (ignoring case) to an earlier one gets "_" and the smallest
// running number from 1 that makes it unique, the base cut so that the
// whole stays within 30 characters.
std::vector<std::string> AssignResultNames(const std::vector<TResultDataField>& items);

}  // namespace larch
