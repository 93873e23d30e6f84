// The restructure definition lists and their checks.
#include "engine/tables/restructure_defs.h"

#include "dataset/dataset_errors.h"
#include "dataset/field_defs.h"
#include "engine/records/field_types.h"

namespace larch {

TRestructureFieldDef& TRestructureFieldDefs::Add(const std::string& name, hollin::TFieldType dataType, int size,
                                                 bool required, const std::string& defaultValue,
                                                 const std::string& minValue, const std::string& maxValue,
                                                 const std::string& description, uint16_t fieldNumber) {
    if (name.empty()) hollin::DatabaseError("Field name missing");
    if (IndexOf(name) >= 0) hollin::DatabaseErrorFmt(hollin::text::DuplicateFieldName, {name});
    if (!ValidFieldSize(dataType, size)) hollin::DatabaseError("Invalid field size");
    m_items.push_back(
        TRestructureFieldDef{name, dataType, size, required, defaultValue, minValue, maxValue, description, fieldNumber});
    return m_items.back();
}

const TRestructureFieldDef& TRestructureFieldDefs::operator[](int index) const {
    if (index < 0 || index >= Count()) RaiseListIndexError(index);
    return m_items[static_cast<std::size_t>(index)];
}

int TRestructureFieldDefs::IndexOf(const std::string& name) const {
    for (int i = 0; i < Count(); ++i) {
        if (hollin::SameName(m_items[static_cast<std::size_t>(i)].Name, name)) return i;
    }
    return -1;
}

TRestructureIndexDef& TRestructureIndexDefs::Add(const std::string& name, const std::string& fields,
                                                 TIndexOptions options, uint8_t compression) {
    for (const TRestructureIndexDef& def : m_items) {
        if (hollin::SameName(def.Name, name)) hollin::DatabaseErrorFmt("Duplicate index name '%s'", {name});
    }
    m_items.push_back(TRestructureIndexDef{name, fields, options, compression});
    return m_items.back();
}

const TRestructureIndexDef& TRestructureIndexDefs::operator[](int index) const {
    if (index < 0 || index >= Count()) RaiseListIndexError(index);
    return m_items[static_cast<std::size_t>(index)];
}

}  // namespace larch
