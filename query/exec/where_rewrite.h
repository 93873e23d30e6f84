// Preparing conditions for execution: comparisons turned around so that
// columns stand on the left, prefix comparisons from 'x*' and LIKE 'x%',
// constant sides evaluated once, and the split of a condition into the
// parts ANDed at its top.
#pragma once

#include <memory>
#include <set>
#include <vector>

#include "query/expr/expression_eval.h"
#include "query/expr/expression_node.h"

namespace larch {

// A comparison: "=", "<>", "<", ">", "<=", ">=" (plain or with options).
bool IsComparisonNode(const TExpressionNode& n);

// Whether the tree refers to a column (string constants are not columns).
bool HasColumns(const TExpressionNode& n);

// The source tables the tree's columns belong to (set by typing).
void CollectTables(const TExpressionNode& n, std::set<TSourceDataFile*>& tables);

// Every comparison with no column on its left and a column on its right is
// turned around: the sides swapped, "<" and ">" swapped, "<=" and ">="
// swapped.
void TurnComparisonsAround(TExpressionNode& root);

// Rewrites a typed condition in place: "=" and "<>" with a string constant
// ending in "*" on the right, and LIKE / NOT LIKE with a pattern that ends in
// its only "%" and has no "_", become comparisons with options over the
// characters before the "*" or "%". The constant side of a comparison of a
// column side with a constant side, IN values and BETWEEN bounds are
// evaluated once; facing a column they take the column's type when the
// value fits it exactly.
void RewriteCondition(TExpressionNode& root, const CompareLanguage& language);

// The parts ANDed at the top of the tree, in order (the tree is consumed).
std::vector<std::unique_ptr<TExpressionNode>> SplitConjuncts(std::unique_ptr<TExpressionNode> root);

// The parts joined again by AND (null for none).
std::unique_ptr<TExpressionNode> JoinConjuncts(std::vector<std::unique_ptr<TExpressionNode>> parts);

}  // namespace larch
