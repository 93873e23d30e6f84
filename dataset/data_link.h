// TDataLink: what a control or another dataset attaches to a data source to
// follow its dataset. Descendants override the notifications they need.
#pragma once

#include "dataset/dataset_types.h"

namespace hollin {

class TDataSet;
class TDataSource;
class TField;

class TDataLink {
public:
    virtual ~TDataLink();
    TDataLink(const TDataLink&) = delete;
    TDataLink& operator=(const TDataLink&) = delete;

    TDataSource* DataSource() const { return m_dataSource; }
    void SetDataSource(TDataSource* source);
    TDataSet* DataSet() const;
    // The data source's dataset is open (and the source enabled).
    bool Active() const { return m_active; }
    // The dataset is in Edit or Insert and the link is not read-only.
    bool Editing() const { return m_editing; }
    bool ReadOnly() const { return m_readOnly; }
    void SetReadOnly(bool value);

    // How many records the link shows at once (a grid's rows); the dataset
    // keeps as many buffers as its largest link asks for.
    int BufferCount() const { return m_bufferCount; }
    void SetBufferCount(int value);
    // The current record's row within the link's window, and setting it
    // (a grid reading another row); "Record index out of range".
    int ActiveRecord() const;
    void SetActiveRecord(int value);
    // Records in the link's window.
    int RecordCount() const;
    // Asks the data source to start an edit (AutoEdit); returns Editing().
    bool Edit();
    // Has UpdateData called (through the dataset's UpdateRecord path).
    void UpdateRecord();

protected:
    TDataLink() = default;

    virtual void ActiveChanged() {}
    virtual void DataSetChanged() { RecordChanged(nullptr); }
    virtual void DataSetScrolled(int /*distance*/) { DataSetChanged(); }
    virtual void LayoutChanged() { DataSetChanged(); }
    // field is the changed field, or null for the record as a whole.
    virtual void RecordChanged(TField* /*field*/) {}
    virtual void EditingChanged() {}
    // Write pending values into the record (before Post).
    virtual void UpdateData() {}
    // The current record is about to be left.
    virtual void CheckBrowseMode() {}
    virtual void FocusControl(TField* /*field*/) {}

private:
    friend class TDataSource;
    friend class TDataSet;

    void DataEvent(TDataEvent event, TField* field, int distance);
    void UpdateState();
    void SetActive(bool value);
    void SetEditing(bool value);
    void UpdateRange();

    TDataSource* m_dataSource = nullptr;
    bool m_active = false;
    bool m_editing = false;
    bool m_readOnly = false;
    bool m_updating = false;
    int m_bufferCount = 1;
    int m_firstRecord = 0;  // the dataset buffer shown in the link's first row
};

}  // namespace hollin
