#include "query/expr/expression_node.h"

#include <gtest/gtest.h>

namespace larch {
namespace {

TEST(ExpressionNode, CloneCopiesTheWholeTreeAndValues) {
    auto root = MakeNode(node::Binary, op::Eq, "=");
    root->left = MakeNode(node::Column, op::None, "Event");
    root->right = MakeNode(node::Constant, op::None, "Passing");
    root->right->SetString("Passing");
    root->right->dataType = dtype::String;
    auto copy = root->Clone();
    root->right->SetString("Other");
    ASSERT_TRUE(copy->left && copy->right);
    EXPECT_EQ(copy->left->name, "Event");
    EXPECT_EQ(copy->right->StringValue(), "Passing");
    EXPECT_EQ(copy->opCode, op::Eq);
}

}  // namespace
}  // namespace larch
