// Field definitions.
#include "dataset/field_defs.h"

#include "dataset/dataset_errors.h"

namespace hollin {

bool SameName(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'a' && x <= 'z') x = static_cast<char>(x - 'a' + 'A');
        if (y >= 'a' && y <= 'z') y = static_cast<char>(y - 'a' + 'A');
        if (x != y) return false;
    }
    return true;
}

TFieldDef& TFieldDefs::Add(const std::string& name, TFieldType dataType, int size, bool required) {
    if (IndexOf(name) >= 0) DatabaseErrorFmt(text::DuplicateFieldName, {name});
    m_items.push_back(std::make_unique<TFieldDef>(name, dataType, size, required, Count() + 1));
    return *m_items.back();
}

TFieldDef& TFieldDefs::operator[](int index) const {
    if (index < 0 || index >= Count()) DatabaseError(text::FieldIndexError);
    return *m_items[static_cast<std::size_t>(index)];
}

int TFieldDefs::IndexOf(const std::string& name) const {
    for (int i = 0; i < Count(); ++i) {
        if (SameName(m_items[static_cast<std::size_t>(i)]->Name(), name)) return i;
    }
    return -1;
}

TFieldDef* TFieldDefs::Find(const std::string& name) const {
    const int index = IndexOf(name);
    return index < 0 ? nullptr : m_items[static_cast<std::size_t>(index)].get();
}

}  // namespace hollin
