// Typing and evaluation of expression trees (SQL conditions, select-list and
// update expressions, and table filters).
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "engine/records/field_descriptor.h"
#include "query/expr/expression_node.h"

namespace larch {

// Asked with a column node during typing: returns whether the column exists
// and, if so, fills in the node's source table, field number and data type,
// subtype, size and decimals.
using ColumnResolver = std::function<bool(TExpressionNode& column)>;

// Asked with a column node during evaluation: copies the column's null flag
// and value of the current record into `into` (a copy of the node).
using ColumnProvider = std::function<void(const TExpressionNode& column, TExpressionNode& into)>;

// The language of string comparison and case mapping; 0 is plain bytes.
struct CompareLanguage {
    uint16_t language = 0;
    uint16_t sort = 0;
};

// Types the tree in place (resolving columns, converting date constants,
// checking operand types); raises engine error 11949 with "SQL - " and the
// typing texts, naming `context` ("WHERE or JOIN clause", ...).
// A non-empty string constant that names a column becomes that column
// (wasConstant set); a boolean column under NOT, AND or OR becomes the
// comparison column = TRUE, so the tree's shape may change. An empty
// resolver takes every column as already bound (filters).
void TypeExpression(TExpressionNode& root, const std::string& context, const ColumnResolver& resolver);

// Evaluates the tree for the current record without changing it; `result`
// receives the root's value, data type and null flag. Never throws for the
// values it meets: a zero divisor gives NULL. An empty provider leaves every
// column with the value it holds. Aggregates give their argument's value;
// COUNT gives the integer 1, NULL when its argument is NULL (never for "*").
void EvaluateExpression(const TExpressionNode& root, const ColumnProvider& provider, const CompareLanguage& language,
                        TExpressionNode& result);

// A condition's result: the boolean value; NULL counts as false.
bool EvaluateCondition(const TExpressionNode& root, const ColumnProvider& provider, const CompareLanguage& language);

// Copies a field's value in a record image into a node in the node value
// format (strings zero-terminated, dates as day numbers, BCD scaled by
// 10 000, ...), with its null flag, data type, size and decimals.
void LoadFieldValue(const FieldDescriptor& field, const uint8_t* image, TExpressionNode& into);

// Fills a column node's type from a field descriptor (for resolvers).
void SetColumnType(const FieldDescriptor& field, TExpressionNode& column);

}  // namespace larch
