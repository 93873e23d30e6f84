// Join links and the sorting of condition parts by the tables they use.
#include "query/exec/join_links.h"

#include <algorithm>
#include <set>

#include "engine/files/engine_error.h"
#include "query/expr/node_store.h"
#include "query/sql/parse_result.h"
#include "query/sql/sql_lexer.h"
#include "query/expr/type_rules.h"
#include "query/exec/where_rewrite.h"
#include "query/expr/expression_node.h"

namespace larch {

namespace {

std::set<TSourceDataFile*> TablesOf(const TExpressionNode* n) {
    std::set<TSourceDataFile*> tables;
    if (n) CollectTables(*n, tables);
    return tables;
}

int PositionOf(const std::vector<TSourceDataFile*>& tables, const TSourceDataFile* table) {
    auto it = std::find(tables.begin(), tables.end(), table);
    return it == tables.end() ? -1 : static_cast<int>(it - tables.begin());
}

// A top-level comparison between one table's columns on one side and
// another table's on the other: the positions of the two tables.
bool IsLink(const TExpressionNode& n, const std::vector<TSourceDataFile*>& tables, int& leftTable, int& rightTable) {
    if (n.nodeClass != node::Binary || !IsComparisonNode(n) || !n.left || !n.right) return false;
    std::set<TSourceDataFile*> l = TablesOf(n.left.get()), r = TablesOf(n.right.get());
    if (l.size() != 1 || r.size() != 1 || *l.begin() == *r.begin()) return false;
    leftTable = PositionOf(tables, *l.begin());
    rightTable = PositionOf(tables, *r.begin());
    return leftTable >= 0 && rightTable >= 0;
}

void CheckSides(const TExpressionNode& n) {
    if (IsComparisonNode(n) && n.left && n.right &&
        (TablesOf(n.left.get()).size() > 1 || TablesOf(n.right.get()).size() > 1))
        TSqlLexer::RaiseError(
            "The join condition cannot contain multiple table correlation names in either the left or right "
            "operand in WHERE or JOIN clause");
    if (n.left) CheckSides(*n.left);
    if (n.right) CheckSides(*n.right);
}

void CollectTopLevel(const TExpressionNode& n, std::vector<const TExpressionNode*>& parts) {
    if (n.nodeClass == node::Binary && n.opCode == op::And && n.left && n.right) {
        CollectTopLevel(*n.left, parts);
        CollectTopLevel(*n.right, parts);
        return;
    }
    parts.push_back(&n);
}

}  // namespace

void CheckJoinConditions(const TExpressionNode& condition, const std::vector<TSourceDataFile*>& tables) {
    CheckSides(condition);
    std::vector<const TExpressionNode*> parts;
    CollectTopLevel(condition, parts);
    std::vector<int> linkedFrom(tables.size(), -1);
    for (const TExpressionNode* part : parts) {
        int a = 0, b = 0;
        if (!IsLink(*part, tables, a, b)) continue;
        const int target = std::max(a, b), source = std::min(a, b);
        if (linkedFrom[target] >= 0 && linkedFrom[target] != source)
            TSqlLexer::RaiseError("Internal join error - table correlation name \"" + tables[target]->correlationName +
                                  "\" is target of multiple join conditions in WHERE or JOIN clause");
        linkedFrom[target] = source;
    }
}

TConditionPlan PlanCondition(std::unique_ptr<TExpressionNode> condition, const std::vector<TSourceDataFile*>& tables) {
    TConditionPlan plan;
    plan.tableParts.resize(tables.size());
    plan.links.resize(tables.size());
    plan.outer.assign(tables.size(), false);
    std::vector<std::unique_ptr<TExpressionNode>> rest;
    for (auto& part : SplitConjuncts(std::move(condition))) {
        int a = 0, b = 0;
        if (!IsLink(*part, tables, a, b)) {
            rest.push_back(std::move(part));
            continue;
        }
        // The later table filters by the link: its column goes to the left.
        if (a < b) {
            std::swap(part->left, part->right);
            part->opCode = MirroredComparison(part->opCode);
        }
        const int target = std::max(a, b);
        if (part->joinKind == join_kind::LeftOuter || part->joinKind == join_kind::RightOuter)
            plan.outer[static_cast<std::size_t>(target)] = true;
        plan.links[static_cast<std::size_t>(target)].push_back(std::move(part));
    }
    for (auto& part : rest) {
        std::set<TSourceDataFile*> used = TablesOf(part.get());
        const int table = used.size() == 1 ? PositionOf(tables, *used.begin()) : -1;
        // A condition on a table an outer link may leave without a row is
        // tested on the joined row, where that table's columns read NULL.
        if (table >= 0 && !plan.outer[static_cast<std::size_t>(table)]) {
            plan.tableParts[static_cast<std::size_t>(table)].push_back(std::move(part));
        } else {
            plan.residual.push_back(std::move(part));
        }
    }
    return plan;
}

std::unique_ptr<TExpressionNode> BoundLinkCondition(const std::vector<std::unique_ptr<TExpressionNode>>& links,
                                                    const ColumnProvider& provider, const CompareLanguage& language) {
    std::vector<std::unique_ptr<TExpressionNode>> bound;
    for (const auto& link : links) {
        TExpressionNode value;
        EvaluateExpression(*link->right, provider, language, value);
        if (value.isNull || value.dataType == dtype::None) return nullptr;
        auto constant = std::make_unique<TExpressionNode>(value.ShallowCopy());
        constant->nodeClass = node::Constant;
        constant->opCode = op::None;
        constant->name = NodeValueText(value);
        constant->sourceTable = nullptr;
        constant->fieldNumber = 0;
        constant->columnName.clear();
        const TExpressionNode& left = *link->left;
        if (left.nodeClass == node::Column && constant->dataType != left.dataType &&
            constant->dataType != dtype::String) {
            TExpressionNode converted = constant->ShallowCopy();
            if (ConvertNodeValue(converted, left.dataType)) *constant = std::move(converted);
        }
        auto comparison = std::make_unique<TExpressionNode>(link->ShallowCopy());
        comparison->joinKind = join_kind::None;
        comparison->left = link->left->Clone();
        comparison->right = std::move(constant);
        bound.push_back(std::move(comparison));
    }
    return JoinConjuncts(std::move(bound));
}

}  // namespace larch
