// The shared rules of the field controls: when they take input and how a
// pending value reaches the record.
#include "controls/field_binding.h"

#include "controls/error_handler.h"
#include "dataset/data_source.h"
#include "dataset/dataset.h"

namespace hollin::ui {

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

bool TDBFieldControl::CommitPending() {
    if (!m_link.Editing()) return true;
    return RunGuarded([&] { m_link.UpdateRecord(); });
}

}  // namespace hollin::ui
