// The data link: follows a data source's events and keeps its window of rows.
#include "dataset/data_link.h"

#include <algorithm>

#include "dataset/data_source.h"
#include "dataset/dataset.h"
#include "dataset/dataset_errors.h"

namespace hollin {

TDataLink::~TDataLink() {
    // Only detach: the descendant's notifications are gone by now, and a
    // destructor cannot report a failed read, so the dataset keeps its
    // buffers until the next change of buffer count.
    if (m_dataSource != nullptr) {
        auto& links = m_dataSource->m_dataLinks;
        links.erase(std::remove(links.begin(), links.end(), this), links.end());
        m_dataSource = nullptr;
    }
}

void TDataLink::SetDataSource(TDataSource* source) {
    if (source == m_dataSource) return;
    if (m_dataSource != nullptr) m_dataSource->RemoveDataLink(this);
    if (source != nullptr) source->AddDataLink(this);
}

TDataSet* TDataLink::DataSet() const {
    return m_dataSource != nullptr ? m_dataSource->DataSet() : nullptr;
}

void TDataLink::SetReadOnly(bool value) {
    if (m_readOnly == value) return;
    m_readOnly = value;
    UpdateState();
}

void TDataLink::UpdateState() {
    SetActive(m_dataSource != nullptr && m_dataSource->State() != dsInactive);
    SetEditing(m_dataSource != nullptr &&
               (m_dataSource->State() == dsEdit || m_dataSource->State() == dsInsert) &&
               !m_readOnly);
}

void TDataLink::SetActive(bool value) {
    if (m_active == value) return;
    m_active = value;
    if (value) {
        UpdateRange();
    } else {
        m_firstRecord = 0;
    }
    ActiveChanged();
}

void TDataLink::SetEditing(bool value) {
    if (m_editing == value) return;
    m_editing = value;
    EditingChanged();
}

// Keeps the dataset's active record inside the link's window.
void TDataLink::UpdateRange() {
    const TDataSet* dataSet = DataSet();
    if (dataSet == nullptr) return;
    const int minFirst = std::max(dataSet->m_activeRecord - m_bufferCount + 1, 0);
    const int maxFirst =
        std::min(std::max(dataSet->m_bufferCount - m_bufferCount, 0), dataSet->m_activeRecord);
    m_firstRecord = std::clamp(m_firstRecord, minFirst, std::max(minFirst, maxFirst));
}

void TDataLink::SetBufferCount(int value) {
    value = std::max(value, 1);
    if (m_bufferCount == value) return;
    m_bufferCount = value;
    if (m_active) {
        UpdateRange();
        DataSet()->UpdateBufferCount();
        UpdateRange();
    }
}

int TDataLink::ActiveRecord() const {
    const TDataSet* dataSet = DataSet();
    if (dataSet == nullptr || m_dataSource->State() == dsSetKey) return 0;
    return dataSet->m_activeRecord - m_firstRecord;
}

void TDataLink::SetActiveRecord(int value) {
    TDataSet* dataSet = DataSet();
    if (dataSet == nullptr || m_dataSource->State() == dsSetKey) return;
    const int index = value + m_firstRecord;
    if (value < 0 || value >= RecordCount() || index >= dataSet->m_recordCount) {
        DatabaseError(text::RecordIndexError);
    }
    dataSet->m_activeRecord = index;
}

int TDataLink::RecordCount() const {
    const TDataSet* dataSet = DataSet();
    if (dataSet == nullptr || !m_active) return 0;
    if (m_dataSource->State() == dsSetKey) return 1;
    return std::min(dataSet->m_recordCount - m_firstRecord, m_bufferCount);
}

bool TDataLink::Edit() {
    if (!m_readOnly && m_dataSource != nullptr) m_dataSource->Edit();
    return m_editing;
}

void TDataLink::UpdateRecord() {
    m_updating = true;
    try {
        UpdateData();
    } catch (...) {
        m_updating = false;
        throw;
    }
    m_updating = false;
}

void TDataLink::DataEvent(TDataEvent event, TField* field, int distance) {
    if (event == deUpdateState) {
        UpdateState();
        return;
    }
    if (!m_active) return;
    switch (event) {
        case deFieldChange:
        case deRecordChange:
            if (!m_updating) RecordChanged(field);
            break;
        case deDataSetChange:
        case deDataSetScroll:
        case deLayoutChange: {
            int count = 0;
            if (m_dataSource->State() != dsSetKey) {
                // Move the window by what the buffers moved, then just enough
                // to keep the active record inside it.
                const int active = DataSet()->m_activeRecord;
                const int first = m_firstRecord + distance;
                const int last = first + m_bufferCount - 1;
                if (active > last) count = active - last;
                if (active < first) count = active - first;
                m_firstRecord = first + count;
            }
            if (event == deDataSetChange) DataSetChanged();
            if (event == deDataSetScroll) DataSetScrolled(count);
            if (event == deLayoutChange) LayoutChanged();
            break;
        }
        case deUpdateRecord: UpdateRecord(); break;
        case deCheckBrowseMode: CheckBrowseMode(); break;
        case deFocusControl: FocusControl(field); break;
        default: break;
    }
}

}  // namespace hollin
