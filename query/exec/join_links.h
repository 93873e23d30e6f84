// Sorting the parts of a typed condition into what each source table can
// filter by itself, the links that join a table to an earlier one, and the
// residual evaluated for each row combination.
#pragma once

#include <memory>
#include <vector>

#include "query/expr/expression_eval.h"
#include "query/expr/expression_node.h"
#include "query/sql/source_data_file.h"

namespace larch {

struct TConditionPlan {
    // Per source table in join order: the parts over that table alone.
    std::vector<std::vector<std::unique_ptr<TExpressionNode>>> tableParts;
    // Per source table: comparisons of one of its columns (on the left) with
    // columns of one earlier table (on the right); empty for the first.
    std::vector<std::vector<std::unique_ptr<TExpressionNode>>> links;
    // Per source table: whether an earlier row without a matching row of it
    // still counts, the table's columns reading NULL (LEFT / RIGHT OUTER).
    std::vector<bool> outer;
    // Everything else: parts over no table or over several tables without
    // being a link comparison (an OR across tables, for one), and the parts
    // over a table that an outer link may leave without a row.
    std::vector<std::unique_ptr<TExpressionNode>> residual;
};

// Checks the comparisons of a typed condition: a side of a comparison must
// not refer to columns of several tables (11949 "The join condition cannot
// contain multiple table correlation names ..."), and a table must not be
// linked from two different earlier tables (11949 "Internal join error -
// table correlation name ...").
void CheckJoinConditions(const TExpressionNode& condition, const std::vector<TSourceDataFile*>& tables);

// Sorts the parts (consumed) of a typed, checked condition.
TConditionPlan PlanCondition(std::unique_ptr<TExpressionNode> condition, const std::vector<TSourceDataFile*>& tables);

// The filter condition of table `k` for the current rows of the earlier
// tables: its link comparisons with their right sides evaluated (values
// taking the left column's type when they fit). Null when a linked value is
// NULL: no row matches then, as NULL never equals anything in a join.
std::unique_ptr<TExpressionNode> BoundLinkCondition(const std::vector<std::unique_ptr<TExpressionNode>>& links,
                                                    const ColumnProvider& provider, const CompareLanguage& language);

}  // namespace larch
