// Compact prefix printing of expression trees and parse results, for tests
// and diagnostics: "(= (EXTRACT_MONTH EventDate) ?)".
#pragma once

#include <string>

#include "query/expr/expression_node.h"
#include "query/sql/parse_result.h"

namespace larch {

// Operators and functions print as "(label operand ...)": comparisons and
// arithmetic by their word ("=", "<>", "+", "||", "AND", "NOT"), functions
// and predicates by a label (SUM, UPPER, SUBSTRING, TRIM_LEADING,
// EXTRACT_MONTH, LIKE, NOT_LIKE, IN, NOT_IN, BETWEEN, NOT_BETWEEN) followed
// by their arguments in text order (IN values and BETWEEN bounds in a row).
// A comparison carrying a join kind prints as "=:inner", "=:left", "=:right".
// Columns print by name ("t.Name", "*"), parameters as "?", strings as
// 'value', booleans as TRUE/FALSE, NULL as NULL, numbers by value, DATE and
// NOW by name. A missing tree prints as "<none>".
std::string PrintTree(const TExpressionNode* root);

// The statement in a compact SQL-like form with the trees printed as above,
// e.g. "SELECT a, (+ b 1) AS x FROM t WHERE (= a ?) ORDER BY a DESC".
std::string PrintParseResult(const TParseResult& result);

}  // namespace larch
