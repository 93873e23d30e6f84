// TRestructureFieldDefs and TRestructureIndexDefs: the definitions a table is
// brought to by RestructureTable, with the checks made as they are added.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "dataset/dataset_types.h"
#include "engine/tables/index_defs.h"

namespace larch {

struct TRestructureFieldDef {
    std::string Name;
    hollin::TFieldType DataType = hollin::ftUnknown;
    int Size = 0;
    bool Required = false;
    // Texts of at most 50 characters; empty for none.
    std::string DefaultValue, MinValue, MaxValue, Description;
    // The number of the existing field whose values this field continues, or
    // a number the table does not use for a new field.
    uint16_t FieldNumber = 0;
};

class TRestructureFieldDefs {
public:
    void Clear() { m_items.clear(); }
    // Raises hollin::EDatabaseError: "Field name missing" for an empty name,
    // "Duplicate field name '%s'" for a name already in the list (ignoring
    // case), "Invalid field size" for a size the type does not allow (1 to 250
    // for strings and bytes, 0 to 8 decimal places for BCD, else 0).
    TRestructureFieldDef& Add(const std::string& name, hollin::TFieldType dataType, int size, bool required,
                              const std::string& defaultValue, const std::string& minValue,
                              const std::string& maxValue, const std::string& description, uint16_t fieldNumber);
    int Count() const { return static_cast<int>(m_items.size()); }
    // "List index out of bounds (%d)" outside 0..Count()-1.
    const TRestructureFieldDef& operator[](int index) const;
    // The position of the definition of that name (ignoring case), or -1.
    int IndexOf(const std::string& name) const;

private:
    std::vector<TRestructureFieldDef> m_items;
};

struct TRestructureIndexDef {
    std::string Name;  // empty for the primary index
    std::string Fields;
    TIndexOptions Options = 0;
    uint8_t Compression = 0;  // 0 none, 1 leading, 2 trailing, 3 both
};

// The first definition is the primary index, the others the secondary
// indexes in list order.
class TRestructureIndexDefs {
public:
    void Clear() { m_items.clear(); }
    // "Duplicate index name '%s'" (hollin::EDatabaseError) for a name already
    // in the list, ignoring case.
    TRestructureIndexDef& Add(const std::string& name, const std::string& fields, TIndexOptions options,
                              uint8_t compression);
    int Count() const { return static_cast<int>(m_items.size()); }
    const TRestructureIndexDef& operator[](int index) const;

private:
    std::vector<TRestructureIndexDef> m_items;
};

}  // namespace larch
