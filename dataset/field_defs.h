// TFieldDef/TFieldDefs: the fields a dataset's cursor offers (or a new table
// will have): name, type, size, required and read-only flags, field number.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "dataset/dataset_types.h"

namespace hollin {

class TFieldDef {
public:
    TFieldDef(std::string name, TFieldType dataType, int size, bool required, int fieldNo)
        : m_name(std::move(name)), m_dataType(dataType), m_size(size), m_required(required),
          m_fieldNo(fieldNo) {}

    const std::string& Name() const { return m_name; }
    TFieldType DataType() const { return m_dataType; }
    // Characters of a string, bytes of ftBytes/ftVarBytes, decimal places of
    // ftBCD; 0 for the other types.
    int Size() const { return m_size; }
    bool Required() const { return m_required; }
    void SetRequired(bool value) { m_required = value; }
    // A field the cursor can show but not change.
    bool ReadOnly() const { return m_readOnly; }
    void SetReadOnly(bool value) { m_readOnly = value; }
    // 1-based position in the definitions.
    int FieldNo() const { return m_fieldNo; }

private:
    std::string m_name;
    TFieldType m_dataType;
    int m_size;
    bool m_required;
    bool m_readOnly = false;
    int m_fieldNo;
};

class TFieldDefs {
public:
    // Appends a definition with the next field number; a name already present
    // (ignoring letter case) raises "Duplicate field name '%s'".
    TFieldDef& Add(const std::string& name, TFieldType dataType, int size = 0,
                   bool required = false);
    void Clear() { m_items.clear(); }
    int Count() const { return static_cast<int>(m_items.size()); }
    // "Field index out of range" outside 0..Count()-1.
    TFieldDef& operator[](int index) const;
    // -1 when absent; names compare ignoring letter case.
    int IndexOf(const std::string& name) const;
    TFieldDef* Find(const std::string& name) const;

private:
    std::vector<std::unique_ptr<TFieldDef>> m_items;
};

// Names compare ignoring the letter case of a to z.
bool SameName(const std::string& a, const std::string& b);

}  // namespace hollin
