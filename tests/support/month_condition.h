// The typed condition EXTRACT(MONTH FROM EventDate) = month over the event
// table, built as the month query pushes it down, for tests and benchmarks.
#pragma once

#include <memory>

#include "engine/data/data_file.h"
#include "query/expr/expression_node.h"

namespace larch::testing {

// The condition's tree, typed against the fields of `file` (the event table).
std::unique_ptr<TExpressionNode> MonthCondition(TDataFile& file, int month);

}  // namespace larch::testing
