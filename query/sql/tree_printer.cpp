// Compact prefix printing of expression trees and parse results.
#include "query/sql/tree_printer.h"

#include <cstdio>

namespace larch {

namespace {

std::string FunctionLabel(const TExpressionNode& n) {
    switch (n.opCode) {
        case op::TrimLeading: return "TRIM_LEADING";
        case op::TrimTrailing: return "TRIM_TRAILING";
        case op::TrimBoth: return "TRIM_BOTH";
        case op::ExtractYear: return "EXTRACT_YEAR";
        case op::ExtractMonth: return "EXTRACT_MONTH";
        case op::ExtractDay: return "EXTRACT_DAY";
        case op::NotLike: return "NOT_LIKE";
        case op::NotIn: return "NOT_IN";
        case op::NotBetween: return "NOT_BETWEEN";
        default: return n.name;
    }
}

std::string JoinSuffix(uint8_t kind) {
    switch (kind) {
        case join_kind::Inner: return ":inner";
        case join_kind::LeftOuter: return ":left";
        case join_kind::RightOuter: return ":right";
        default: return "";
    }
}

std::string PrintConstant(const TExpressionNode& n) {
    if (n.isParameter) return "?";
    switch (n.dataType) {
        case dtype::None: return n.isNull ? "NULL" : n.name;
        case dtype::String: return "'" + n.StringValue() + "'";
        case dtype::Boolean: return n.Int16Value() != 0 ? "TRUE" : "FALSE";
        case dtype::Integer: return std::to_string(n.Int32Value());
        case dtype::Float: {
            char text[40];
            std::snprintf(text, sizeof text, "%.17g", n.DoubleValue());
            // The shortest of the usual forms reads better when it is exact.
            char shortText[40];
            std::snprintf(shortText, sizeof shortText, "%g", n.DoubleValue());
            double back = 0;
            std::sscanf(shortText, "%lf", &back);
            return back == n.DoubleValue() ? shortText : text;
        }
        default: return n.name;
    }
}

std::string Print(const TExpressionNode* n) {
    if (!n) return "<none>";
    switch (n->nodeClass) {
        case node::Column: return n->name;
        case node::Constant: return PrintConstant(*n);
        case node::Unary: return "(" + n->name + " " + Print(n->left.get()) + ")";
        case node::Binary:
        case node::CompareWithOptions: {
            std::string label = n->name + JoinSuffix(n->joinKind);
            if (n->caseInsensitive) label += "/nocase";
            if (n->prefixLength) label += "/prefix" + std::to_string(n->prefixLength);
            return "(" + label + " " + Print(n->left.get()) + " " + Print(n->right.get()) + ")";
        }
        case node::Function: {
            std::string out = "(" + FunctionLabel(*n);
            if (n->opCode == op::TrimLeading || n->opCode == op::TrimTrailing || n->opCode == op::TrimBoth) {
                out += " " + Print(n->right.get()) + " " + Print(n->left.get());
            } else if (n->opCode == op::Substring) {
                out += " " + Print(n->left.get()) + " " + Print(n->right.get());
                if (n->right && n->right->right) out += " " + Print(n->right->right.get());
            } else {
                out += " " + Print(n->left.get());
            }
            return out + ")";
        }
        case node::ExtendedPredicate: {
            std::string out = "(" + FunctionLabel(*n) + " " + Print(n->left.get());
            if (n->opCode == op::Like || n->opCode == op::NotLike) return out + " " + Print(n->right.get()) + ")";
            // IN values and BETWEEN bounds are chained through their right children.
            for (const TExpressionNode* item = n->right.get(); item; item = item->right.get()) out += " " + Print(item);
            return out + ")";
        }
        default: return "(?" + std::to_string(n->nodeClass) + " " + n->name + ")";
    }
}

std::string Qualified(const std::string& correlation, const std::string& column) {
    return correlation.empty() ? column : correlation + "." + column;
}

std::string PrintTable(const TSourceDataFile& table) {
    return (table.inMemory ? "MEMORY " : "") + table.correlationName;
}

template <typename Item>
std::string PrintColumnItem(const Item& item) {
    return item.columnName.empty() && item.tableCorrelation.empty() ? std::to_string(item.columnNumber)
                                                                    : Qualified(item.tableCorrelation, item.columnName);
}

template <typename List, typename Fn>
std::string Joined(const List& list, Fn print) {
    std::string out;
    for (const auto& item : list) {
        if (!out.empty()) out += ", ";
        out += print(item);
    }
    return out;
}

std::string PrintWhere(const TParseResult& r) { return r.hasCondition ? " WHERE " + Print(r.condition.get()) : ""; }

std::string PrintTarget(const TParseResult& r) {
    return r.sourceTables.empty() ? std::string("<none>") : PrintTable(*r.sourceTables.front());
}

}  // namespace

std::string PrintTree(const TExpressionNode* root) { return Print(root); }

std::string PrintParseResult(const TParseResult& r) {
    switch (r.kind) {
        case TStatementKind::Select: {
            std::string out = "SELECT ";
            if (r.distinct) out += "DISTINCT ";
            out += Joined(r.resultFields, [](const TResultDataField& f) {
                return Print(f.expression.get()) + (f.alias.empty() ? "" : " AS " + f.alias);
            });
            if (r.hasResultTable) out += std::string(" INTO ") + (r.resultTableInMemory ? "MEMORY " : "") + r.resultTableName;
            out += " FROM " + Joined(r.sourceTables, [](const auto& t) { return PrintTable(*t); });
            out += PrintWhere(r);
            if (!r.groupBy.empty())
                out += " GROUP BY " + Joined(r.groupBy, [](const TGroupByDataField& g) { return PrintColumnItem(g); });
            if (!r.orderBy.empty()) {
                out += " ORDER BY " + Joined(r.orderBy, [](const TOrderByDataField& o) {
                           return PrintColumnItem(o) + (o.descending ? " DESC" : "");
                       });
            }
            if (r.orderNoCase) out += " NOCASE";
            if (r.withLocks) out += " WITH LOCKS";
            if (r.encrypted) out += " ENCRYPTED WITH " + r.password;
            return out;
        }
        case TStatementKind::Insert:
            return "INSERT INTO " + PrintTarget(r) + " (" +
                   Joined(r.updateFields, [](const TUpdateDataField& f) { return Print(f.expression.get()); }) +
                   ") VALUES (" +
                   Joined(r.updateValues, [](const TUpdateDataValue& v) { return Print(v.expression.get()); }) + ")";
        case TStatementKind::Update: {
            std::string sets;
            for (std::size_t i = 0; i < r.updateFields.size(); ++i) {
                if (i) sets += ", ";
                sets += Print(r.updateFields[i].expression.get()) + " = " +
                        (i < r.updateValues.size() ? Print(r.updateValues[i].expression.get()) : "<none>");
            }
            return "UPDATE " + PrintTarget(r) + " SET " + sets + PrintWhere(r);
        }
        case TStatementKind::Delete: return "DELETE FROM " + PrintTarget(r) + PrintWhere(r);
        case TStatementKind::None: break;
    }
    return "<empty>";
}

}  // namespace larch
