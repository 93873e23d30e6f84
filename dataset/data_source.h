// TDataSource: connects a dataset to the data links of controls and other
// datasets, and reports its state and data changes to the application.
#pragma once

#include <functional>
#include <vector>

#include "dataset/dataset_types.h"

namespace hollin {

class TDataSet;
class TDataLink;
class TField;

class TDataSource {
public:
    TDataSource() = default;
    ~TDataSource();
    TDataSource(const TDataSource&) = delete;
    TDataSource& operator=(const TDataSource&) = delete;

    TDataSet* DataSet() const { return m_dataSet; }
    // "Circular datalinks are not allowed" when dataSet follows this source
    // (directly or through other datasets).
    void SetDataSet(TDataSet* dataSet);
    // Whether controls may start an edit (TDataLink::Edit). Default true.
    bool AutoEdit() const { return m_autoEdit; }
    void SetAutoEdit(bool value) { m_autoEdit = value; }
    // A disabled source shows its links an inactive dataset.
    bool Enabled() const { return m_enabled; }
    void SetEnabled(bool value);
    // The dataset's state as the links see it.
    TDataSetState State() const { return m_state; }
    // Starts an edit of the dataset when AutoEdit is set and it is browsing.
    void Edit();
    // Whether dataSet, following its own data source and so on, leads back here.
    bool IsLinkedTo(const TDataSet* dataSet) const;
    const std::vector<TDataLink*>& DataLinks() const { return m_dataLinks; }

    // A field of the current record changed (the field), or the record as a
    // whole: opened, moved, re-read, editing began (null). Not while inactive.
    std::function<void(TDataSource&, TField*)> OnDataChange;
    std::function<void(TDataSource&)> OnStateChange;
    // The dataset asks for pending values before a post.
    std::function<void(TDataSource&)> OnUpdateData;

private:
    friend class TDataSet;
    friend class TDataLink;

    void DataEvent(TDataEvent event, TField* field, int distance);
    void NotifyLinks(TDataEvent event, TField* field, int distance);
    void UpdateState();
    void SetState(TDataSetState value);
    void AddDataLink(TDataLink* link);
    void RemoveDataLink(TDataLink* link);

    TDataSet* m_dataSet = nullptr;
    bool m_autoEdit = true;
    bool m_enabled = true;
    TDataSetState m_state = dsInactive;
    std::vector<TDataLink*> m_dataLinks;
};

}  // namespace hollin
