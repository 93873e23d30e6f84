// The field data link of bound controls.
#include "dataset/field_data_link.h"

#include "dataset/dataset.h"

namespace hollin {

void TFieldDataLink::SetFieldName(const std::string& name) {
    if (m_fieldName == name) return;
    m_fieldName = name;
    UpdateField();
}

bool TFieldDataLink::CanModify() const {
    return !ReadOnly() && m_field != nullptr && !m_field->ReadOnly() && DataSet() != nullptr &&
           DataSet()->CanModify();
}

void TFieldDataLink::Reset() { RecordChanged(nullptr); }

void TFieldDataLink::UpdateField() {
    m_field = nullptr;
    if (Active() && !m_fieldName.empty()) m_field = DataSet()->FindField(m_fieldName);
    m_modified = false;
    if (OnDataChange) OnDataChange();
}

void TFieldDataLink::ActiveChanged() {
    UpdateField();
    if (OnActiveChange) OnActiveChange();
}

void TFieldDataLink::LayoutChanged() { UpdateField(); }

void TFieldDataLink::RecordChanged(TField* field) {
    if (field != nullptr && field != m_field) return;
    m_modified = false;
    if (OnDataChange) OnDataChange();
}

void TFieldDataLink::EditingChanged() {
    if (OnEditingChange) OnEditingChange();
}

void TFieldDataLink::UpdateData() {
    if (!m_modified) return;
    if (m_field != nullptr && OnUpdateData) OnUpdateData();
    m_modified = false;
}

void TFieldDataLink::FocusControl(TField* field) {
    if (field != nullptr && field == m_field && OnFocusControl) OnFocusControl();
}

}  // namespace hollin
