// TFieldDataLink: the data link of a control bound to one field by name.
// It finds the field whenever the dataset opens or its fields change, and
// reports to the control through callbacks.
#pragma once

#include <functional>
#include <string>

#include "dataset/data_link.h"

namespace hollin {

class TFieldDataLink : public TDataLink {
public:
    TFieldDataLink() = default;

    const std::string& FieldName() const { return m_fieldName; }
    void SetFieldName(const std::string& name);
    // The bound field while the dataset is open and has it; null otherwise.
    TField* Field() const { return m_field; }
    // Whether the control may change the field now: a field that is not
    // read-only in a dataset that can be modified, and a link not read-only.
    bool CanModify() const;
    // The control has a value the record does not have yet.
    void Modified() { m_modified = true; }
    // Drops the control's pending value and has it show the field again.
    void Reset();

    // The field's value changed or the record changed (show it again).
    std::function<void()> OnDataChange;
    std::function<void()> OnEditingChange;
    // Write the pending value into the field (only when Modified()).
    std::function<void()> OnUpdateData;
    std::function<void()> OnActiveChange;
    std::function<void()> OnFocusControl;

protected:
    void ActiveChanged() override;
    void LayoutChanged() override;
    void RecordChanged(TField* field) override;
    void EditingChanged() override;
    void UpdateData() override;
    void FocusControl(TField* field) override;

private:
    void UpdateField();

    std::string m_fieldName;
    TField* m_field = nullptr;
    bool m_modified = false;
};

}  // namespace hollin
