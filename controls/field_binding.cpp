// The shared rules of the field controls: when they take input and how a
// pending value reaches the record.
#include "controls/field_binding.h"

#include <QWidget>

#include "controls/error_handler.h"
#include "dataset/data_source.h"
#include "dataset/dataset.h"

namespace hollin::ui {

void TDBFieldControl::BindLink(QWidget& control, std::function<void()> show, std::function<void()> updateReadOnly,
                               std::function<void()> write, std::function<void()> editingChanged) {
    m_link.OnDataChange = std::move(show);
    m_link.OnEditingChange = editingChanged ? std::move(editingChanged) : updateReadOnly;
    m_link.OnActiveChange = std::move(updateReadOnly);
    m_link.OnUpdateData = std::move(write);
    m_link.OnFocusControl = [&control] { control.setFocus(Qt::OtherFocusReason); };
}

bool TDBFieldControl::AcceptsInput() const {
    if (!m_link.Active() || !m_link.CanModify()) return false;
    if (m_link.Editing()) return true;
    return m_link.DataSource()->AutoEdit() && m_link.DataSource()->State() == hollin::dsBrowse;
}

bool TDBFieldControl::BeginChange() {
    if (!m_link.Active() || !m_link.CanModify()) return false;
    if (m_link.Editing()) return true;
    bool editing = false;
    RunGuarded([&] { editing = m_link.Edit(); });
    return editing;
}

bool TDBFieldControl::RefusesChange(bool changesText) {
    // Starting the edit makes the control writable through its editing change.
    return changesText && !m_link.Editing() && !BeginChange();
}

bool TDBFieldControl::CommitPending() {
    if (!m_link.Editing()) return true;
    return RunGuarded([&] { m_link.UpdateRecord(); });
}

}  // namespace hollin::ui
