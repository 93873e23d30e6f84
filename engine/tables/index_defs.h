// IndexDefs: the index definitions a table is created with (name, field
// list, options).
#pragma once

#include <string>
#include <vector>

namespace larch {

enum TIndexOption : unsigned { ixPrimary = 1, ixUnique = 2, ixDescending = 4, ixCaseInsensitive = 8 };
using TIndexOptions = unsigned;

struct TIndexDef {
    std::string Name;
    // Field names in key order, separated by semicolons.
    std::string Fields;
    TIndexOptions Options = 0;
};

// The list given to CreateTable. Its first definition is the table's
// primary index; the others are the secondary indexes in list order. Names
// are not checked here: CreateTable validates them (10022, 10027).
class TIndexDefs {
public:
    TIndexDef& Add(const std::string& name, const std::string& fields, TIndexOptions options);
    void Clear() { m_items.clear(); }
    int Count() const { return static_cast<int>(m_items.size()); }
    // "List index out of bounds (%d)" outside 0..Count()-1 (hollin::EDatabaseError).
    const TIndexDef& operator[](int index) const;
    // The definition of that name, ignoring letter case; null when absent.
    const TIndexDef* Find(const std::string& name) const;

private:
    std::vector<TIndexDef> m_items;
};

// Raises "List index out of bounds (%d)" (hollin::EDatabaseError).
[[noreturn]] void RaiseListIndexError(int index);

// The field names of a field list: split at semicolons, blanks around each
// name removed, empty names skipped.
std::vector<std::string> SplitFieldList(const std::string& fields);

}  // namespace larch
