// The month condition tree over the event table's EventDate.
#include "tests/support/month_condition.h"

#include <string>

#include "query/expr/expression_eval.h"

namespace larch::testing {

std::unique_ptr<TExpressionNode> MonthCondition(TDataFile& file, int month) {
    auto column = MakeNode(node::Column, op::None, "EventDate");
    column->columnName = "EventDate";
    auto extract = MakeNode(node::Function, op::ExtractMonth, "EXTRACT");
    extract->left = std::move(column);
    auto constant = MakeNode(node::Constant, op::None, std::to_string(month));
    constant->dataType = dtype::Integer;
    constant->size = 4;
    constant->SetInt32(month);
    auto root = MakeNode(node::Binary, op::Eq, "=");
    root->left = std::move(extract);
    root->right = std::move(constant);
    TypeExpression(*root, "WHERE or JOIN clause", [&](TExpressionNode& c) {
        const FieldDescriptor* field = file.FindField(c.columnName);
        if (field != nullptr) SetColumnType(*field, c);
        return field != nullptr;
    });
    return root;
}

}  // namespace larch::testing
