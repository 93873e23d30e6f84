// The names of result columns.
#include "query/exec/result_names.h"
#include "dataset/field_defs.h"


namespace larch {

namespace {

const char* AggregatePrefix(TAggregateKind kind) {
    switch (kind) {
        case TAggregateKind::Sum: return "Sum Of ";
        case TAggregateKind::Min: return "Min Of ";
        case TAggregateKind::Max: return "Max Of ";
        case TAggregateKind::Avg: return "Average Of ";
        case TAggregateKind::Count: return "Count Of ";
        default: return "";
    }
}

bool Taken(const std::vector<std::string>& names, const std::string& name) {
    for (const std::string& other : names)
        if (hollin::SameName(other, name)) return true;
    return false;
}

}  // namespace

std::string BaseResultName(const TResultDataField& item) {
    if (!item.alias.empty()) return item.alias;
    if (!item.isExpression) return item.columnName;
    if (item.aggregate == TAggregateKind::None) return "Expression";
    if (!item.columnName.empty()) return AggregatePrefix(item.aggregate) + item.columnName;
    return AggregatePrefix(item.aggregate) + std::string("Expr");
}

std::vector<std::string> AssignResultNames(const std::vector<TResultDataField>& items) {
    std::vector<std::string> names;
    names.reserve(items.size());
    for (const TResultDataField& item : items) {
        std::string base = BaseResultName(item).substr(0, kMaxResultName);
        std::string name = base;
        for (int number = 1; Taken(names, name); ++number) {
            std::string suffix = "_" + std::to_string(number);
            name = base.substr(0, kMaxResultName - suffix.size()) + suffix;
        }
        names.push_back(name);
    }
    return names;
}

}  // namespace larch
