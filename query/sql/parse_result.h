// The parse result of one SQL statement: its kind, source tables, result
// columns, condition, grouping, ordering, options and parameter markers.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "query/expr/expression_node.h"
#include "query/sql/source_data_file.h"

namespace larch {

enum class TStatementKind { None, Select, Insert, Update, Delete };

enum class TAggregateKind { None, Sum, Min, Max, Avg, Count };

// Join kinds recorded on the comparisons of an ON condition (TExpressionNode::joinKind).
namespace join_kind {
constexpr uint8_t None = 0;
constexpr uint8_t Inner = 1;
constexpr uint8_t LeftOuter = 2;
constexpr uint8_t RightOuter = 3;
}  // namespace join_kind

// One item of the select list.
struct TResultDataField {
    std::unique_ptr<TExpressionNode> expression;
    bool isExpression = false;  // anything but a plain column reference
    std::string sourceText;     // the item as written, without line breaks
    std::string alias;          // empty when none was written
    TAggregateKind aggregate = TAggregateKind::None;
    // For a plain column, and for an aggregate over a single column.
    std::string columnName;
    std::string tableCorrelation;
};

// A GROUP BY item: a 1-based result column number, or a column name.
struct TGroupByDataField {
    int columnNumber = 0;  // 0: named by columnName
    std::string columnName;
    std::string tableCorrelation;
};

// An ORDER BY item.
struct TOrderByDataField {
    int columnNumber = 0;  // 0: named by columnName
    std::string columnName;
    std::string tableCorrelation;
    bool descending = false;
};

// An INSERT or UPDATE target column. Without an INSERT column list there is
// one target, the column reference "*" (all columns in table order).
struct TUpdateDataField {
    std::unique_ptr<TExpressionNode> expression;
    std::string columnName;
    std::string tableCorrelation;
};

// An INSERT or UPDATE value.
struct TUpdateDataValue {
    std::unique_ptr<TExpressionNode> expression;
    std::string sourceText;
};

struct TParseResult {
    TStatementKind kind = TStatementKind::None;
    bool distinct = false;

    std::vector<TResultDataField> resultFields;
    bool hasExpressionColumns = false;
    bool hasAverage = false;

    // INTO [MEMORY] name of a SELECT.
    bool hasResultTable = false;
    std::string resultTableName;  // as written
    std::string resultTablePath;  // resolved against the database directory
    bool resultTableInMemory = false;

    // FROM order (a RIGHT join puts its table first); the target table of
    // INSERT, UPDATE and DELETE is the one source table.
    std::vector<std::unique_ptr<TSourceDataFile>> sourceTables;
    bool severalTables = false;

    // All ON conditions and the WHERE condition, joined by AND in the order written.
    std::unique_ptr<TExpressionNode> condition;
    bool hasCondition = false;

    std::vector<TGroupByDataField> groupBy;
    std::vector<TOrderByDataField> orderBy;
    bool orderNoCase = false;

    bool withLocks = false;
    bool encrypted = false;
    std::string password;

    std::vector<TUpdateDataField> updateFields;
    std::vector<TUpdateDataValue> updateValues;

    // The "?" marker nodes (owned by the trees above) in text order.
    std::vector<TExpressionNode*> parameters;
};

}  // namespace larch
