// The data source: state and data events from its dataset to its links and
// its own handlers.
#include "dataset/data_source.h"

#include <algorithm>

#include "dataset/data_link.h"
#include "dataset/dataset.h"
#include "dataset/dataset_errors.h"

namespace hollin {

TDataSource::~TDataSource() {
    // No re-reading from a destructor: the dataset keeps its buffers.
    if (m_dataSet != nullptr) m_dataSet->RemoveDataSource(this);
    m_dataSet = nullptr;
    for (TDataLink* link : std::vector<TDataLink*>(m_dataLinks)) {
        link->m_dataSource = nullptr;
        link->UpdateState();
    }
}

void TDataSource::SetDataSet(TDataSet* dataSet) {
    if (dataSet == m_dataSet) return;
    if (IsLinkedTo(dataSet)) DatabaseError(text::CircularDataLink);
    if (m_dataSet != nullptr) {
        m_dataSet->RemoveDataSource(this);
        m_dataSet->UpdateBufferCount();
    }
    m_dataSet = dataSet;
    if (m_dataSet != nullptr) m_dataSet->AddDataSource(this);
    UpdateState();
}

bool TDataSource::IsLinkedTo(const TDataSet* dataSet) const {
    // Bounded: a cycle elsewhere in the chain must not loop forever.
    for (int guard = 0; dataSet != nullptr && guard < 10000; ++guard) {
        const TDataSource* source = dataSet->DataSource();
        if (source == nullptr) return false;
        if (source == this) return true;
        dataSet = source->DataSet();
    }
    return false;
}

void TDataSource::SetEnabled(bool value) {
    m_enabled = value;
    UpdateState();
}

void TDataSource::Edit() {
    if (m_autoEdit && m_state == dsBrowse && m_dataSet != nullptr) m_dataSet->Edit();
}

void TDataSource::UpdateState() {
    SetState(m_enabled && m_dataSet != nullptr ? m_dataSet->State() : dsInactive);
}

void TDataSource::SetState(TDataSetState value) {
    if (m_state == value) return;
    const TDataSetState prior = m_state;
    m_state = value;
    NotifyLinks(deUpdateState, nullptr, 0);
    if (OnStateChange) OnStateChange(*this);
    if (prior == dsInactive && OnDataChange) OnDataChange(*this, nullptr);
}

void TDataSource::NotifyLinks(TDataEvent event, TField* field, int distance) {
    // By index: a handler may attach or detach links.
    for (std::size_t i = 0; i < m_dataLinks.size(); ++i) {
        m_dataLinks[i]->DataEvent(event, field, distance);
    }
}

void TDataSource::DataEvent(TDataEvent event, TField* field, int distance) {
    if (event == deUpdateState) {
        UpdateState();
        return;
    }
    if (m_state == dsInactive) return;
    NotifyLinks(event, field, distance);
    switch (event) {
        case deFieldChange:
        case deRecordChange:
            if (OnDataChange) OnDataChange(*this, field);
            break;
        case deDataSetChange:
        case deDataSetScroll:
        case deLayoutChange:
            if (OnDataChange) OnDataChange(*this, nullptr);
            break;
        case deUpdateRecord:
            if (OnUpdateData) OnUpdateData(*this);
            break;
        default: break;
    }
}

void TDataSource::AddDataLink(TDataLink* link) {
    m_dataLinks.push_back(link);
    link->m_dataSource = this;
    if (m_dataSet != nullptr) m_dataSet->UpdateBufferCount();
    link->UpdateState();
}

void TDataSource::RemoveDataLink(TDataLink* link) {
    link->m_dataSource = nullptr;
    m_dataLinks.erase(std::remove(m_dataLinks.begin(), m_dataLinks.end(), link), m_dataLinks.end());
    link->UpdateState();
    if (m_dataSet != nullptr) m_dataSet->UpdateBufferCount();
}

}  // namespace hollin
