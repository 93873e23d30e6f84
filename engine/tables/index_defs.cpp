// The index definitions of CreateTable.
#include "engine/tables/index_defs.h"

#include "dataset/dataset_errors.h"
#include "dataset/field_defs.h"

namespace larch {

void RaiseListIndexError(int index) {
    hollin::DatabaseErrorFmt("List index out of bounds (%s)", {std::to_string(index)});
}

TIndexDef& TIndexDefs::Add(const std::string& name, const std::string& fields, TIndexOptions options) {
    m_items.push_back(TIndexDef{name, fields, options});
    return m_items.back();
}

const TIndexDef& TIndexDefs::operator[](int index) const {
    if (index < 0 || index >= Count()) RaiseListIndexError(index);
    return m_items[static_cast<std::size_t>(index)];
}

const TIndexDef* TIndexDefs::Find(const std::string& name) const {
    for (const TIndexDef& def : m_items) {
        if (hollin::SameName(def.Name, name)) return &def;
    }
    return nullptr;
}

std::vector<std::string> SplitFieldList(const std::string& fields) {
    std::vector<std::string> names;
    std::size_t start = 0;
    while (start <= fields.size()) {
        std::size_t end = fields.find(';', start);
        if (end == std::string::npos) end = fields.size();
        std::string name = fields.substr(start, end - start);
        std::size_t first = name.find_first_not_of(' ');
        if (first != std::string::npos) names.push_back(name.substr(first, name.find_last_not_of(' ') - first + 1));
        start = end + 1;
    }
    return names;
}

}  // namespace larch
