// TLarchQueryDataLink: runs an open query again when its master's current
// record changes, so that unbound parameters follow the master.
#include "dataset/dataset.h"
#include "engine/cursor/larch_query.h"

namespace larch {

using namespace hollin;

void TLarchQueryDataLink::RefreshQuery() {
    TDataSet* master = DataSet();
    if (!m_query.Active() || !master || !master->Active() || master->State() == dsSetKey) return;
    m_query.DisableControls();
    try {
        m_query.Close();
        m_query.Open();
    } catch (...) {
        m_query.EnableControls();
        throw;
    }
    m_query.EnableControls();
}

void TLarchQueryDataLink::ActiveChanged() { RefreshQuery(); }

// A change that names a field is an edit in progress on the master; the
// query follows the record as a whole (moved, re-read, changed).
void TLarchQueryDataLink::RecordChanged(TField* field) {
    if (field == nullptr) RefreshQuery();
}

// The master leaves its record: an edit on the query is posted or cancelled.
void TLarchQueryDataLink::CheckBrowseMode() {
    if (m_query.Active()) m_query.CheckBrowseMode();
}

}  // namespace larch
