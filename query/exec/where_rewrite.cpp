// Turning comparisons around, rewriting prefix comparisons and folding the
// constant sides of conditions.
#include "query/exec/where_rewrite.h"

#include "query/expr/node_store.h"
#include "query/expr/type_rules.h"
#include "query/expr/expression_node.h"

namespace larch {

namespace {

const char* OperatorWord(int32_t code) {
    switch (code) {
        case op::Eq: return "=";
        case op::Ne: return "<>";
        case op::Lt: return "<";
        case op::Gt: return ">";
        case op::Le: return "<=";
        default: return ">=";
    }
}

bool IsConstantString(const TExpressionNode* n) {
    return n && n->nodeClass == node::Constant && n->dataType == dtype::String && !n->isNull;
}

// Makes `n` a comparison with options over the first `prefix` characters.
void MakePrefixComparison(TExpressionNode& n, int32_t code, const std::string& prefix) {
    n.nodeClass = node::CompareWithOptions;
    n.opCode = code;
    n.name = OperatorWord(code);
    n.caseInsensitive = false;
    n.prefixLength = static_cast<uint8_t>(std::min<std::size_t>(prefix.size(), 255));
    TExpressionNode& constant = *n.right;
    constant.SetString(prefix);
    constant.size = static_cast<uint8_t>(std::min<std::size_t>(prefix.size() + 1, kNodeValueSize));
    constant.isNull = prefix.empty();
}

bool Convertible(uint8_t from, uint8_t to) {
    if (from == to) return false;
    if (IsNumericType(from) && IsNumericType(to)) return true;
    return (from == dtype::Date && to == dtype::Timestamp) || (from == dtype::Timestamp && to == dtype::Date);
}

// Replaces a constant side by its value, in the column's type when it fits.
// A list value (IN, BETWEEN) keeps the link to the next value in its right child.
void Fold(std::unique_ptr<TExpressionNode>& side, const TExpressionNode* column, const CompareLanguage& language,
          bool listValue) {
    if (!side || HasColumns(*side)) return;
    if (side->nodeClass != node::Constant) {
        TExpressionNode value;
        EvaluateExpression(*side, {}, language, value);
        auto constant = std::make_unique<TExpressionNode>(value.ShallowCopy());
        constant->nodeClass = node::Constant;
        constant->opCode = op::None;
        constant->name = NodeValueText(value);
        if (listValue) constant->right = std::move(side->right);
        side = std::move(constant);
    }
    if (column && column->nodeClass == node::Column && !side->isNull && side->dataType != dtype::String &&
        Convertible(side->dataType, column->dataType)) {
        TExpressionNode converted = side->ShallowCopy();
        if (ConvertNodeValue(converted, column->dataType)) {
            std::unique_ptr<TExpressionNode> link = std::move(side->right);
            *side = std::move(converted);
            side->right = std::move(link);
        }
    }
}

}  // namespace

bool IsComparisonNode(const TExpressionNode& n) {
    return (n.nodeClass == node::Binary || n.nodeClass == node::CompareWithOptions) && n.opCode >= op::Eq &&
           n.opCode <= op::Le;
}

bool HasColumns(const TExpressionNode& n) {
    if (n.nodeClass == node::Column) return true;
    return (n.left && HasColumns(*n.left)) || (n.right && HasColumns(*n.right));
}

void CollectTables(const TExpressionNode& n, std::set<TSourceDataFile*>& tables) {
    if (n.nodeClass == node::Column && n.sourceTable) tables.insert(n.sourceTable);
    if (n.left) CollectTables(*n.left, tables);
    if (n.right) CollectTables(*n.right, tables);
}

void TurnComparisonsAround(TExpressionNode& root) {
    if (IsComparisonNode(root) && root.left && root.right && !HasColumns(*root.left) && HasColumns(*root.right)) {
        std::swap(root.left, root.right);
        root.opCode = MirroredComparison(root.opCode);
        root.name = OperatorWord(root.opCode);
    }
    if (root.left) TurnComparisonsAround(*root.left);
    if (root.right) TurnComparisonsAround(*root.right);
}

void RewriteCondition(TExpressionNode& n, const CompareLanguage& language) {
    if (n.nodeClass == node::Binary && (n.opCode == op::And || n.opCode == op::Or)) {
        if (n.left) RewriteCondition(*n.left, language);
        if (n.right) RewriteCondition(*n.right, language);
        return;
    }
    if (n.nodeClass == node::Unary && n.opCode == op::Not) {
        if (n.left) RewriteCondition(*n.left, language);
        return;
    }
    if (IsComparisonNode(n) && n.left && n.right) {
        if (HasColumns(*n.left)) Fold(n.right, n.left.get(), language, false);
        if (n.nodeClass == node::Binary && (n.opCode == op::Eq || n.opCode == op::Ne) &&
            IsConstantString(n.right.get())) {
            std::string text = n.right->StringValue();
            if (text.size() >= 2 && text.back() == '*')
                MakePrefixComparison(n, n.opCode, text.substr(0, text.size() - 1));
        }
        return;
    }
    if (n.nodeClass != node::ExtendedPredicate || !n.left) return;
    if (n.opCode == op::Like || n.opCode == op::NotLike) {
        if (!IsConstantString(n.right.get())) return;
        std::string pattern = n.right->StringValue();
        const std::size_t percent = pattern.find('%');
        if (pattern.size() < 2 || pattern.find('_') != std::string::npos || percent != pattern.size() - 1) return;
        MakePrefixComparison(n, n.opCode == op::Like ? op::Eq : op::Ne, pattern.substr(0, percent));
        return;
    }
    if (!HasColumns(*n.left)) return;
    const bool between = n.opCode == op::Between || n.opCode == op::NotBetween;
    int count = 0;
    for (std::unique_ptr<TExpressionNode>* value = &n.right; *value; value = &(*value)->right) {
        Fold(*value, n.left.get(), language, true);
        if (between && ++count == 2) break;
    }
}

std::vector<std::unique_ptr<TExpressionNode>> SplitConjuncts(std::unique_ptr<TExpressionNode> root) {
    std::vector<std::unique_ptr<TExpressionNode>> parts;
    if (!root) return parts;
    if (root->nodeClass == node::Binary && root->opCode == op::And && root->left && root->right) {
        parts = SplitConjuncts(std::move(root->left));
        for (auto& part : SplitConjuncts(std::move(root->right))) parts.push_back(std::move(part));
        return parts;
    }
    parts.push_back(std::move(root));
    return parts;
}

std::unique_ptr<TExpressionNode> JoinConjuncts(std::vector<std::unique_ptr<TExpressionNode>> parts) {
    std::unique_ptr<TExpressionNode> result;
    for (auto& part : parts) {
        if (!result) {
            result = std::move(part);
            continue;
        }
        auto both = MakeNode(node::Binary, op::And, "AND");
        both->dataType = dtype::Boolean;
        both->size = 2;
        both->left = std::move(result);
        both->right = std::move(part);
        result = std::move(both);
    }
    return result;
}

}  // namespace larch
