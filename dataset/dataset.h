// TDataSet: the abstract dataset every cursor derives from. It owns the
// states, the ring of record buffers around the current record, the fields,
// the before/after events and the notification of data sources; the
// descendant supplies the cursor through the protected hooks below.
//
// States and the operations that move between them:
//
//   Inactive -> Browse   [Open(), SetActive(true)]
//   Browse   -> Inactive [Close(), SetActive(false)]
//   Browse   -> Edit     [Edit()]            (an empty dataset: Edit() inserts)
//   Browse   -> Insert   [Insert(), Append()]
//   Edit     -> Browse   [Post(), Cancel()]
//   Insert   -> Browse   [Post(), Cancel(), Delete()]
//   Edit, Insert -> Browse by CheckBrowseMode() before every move, Refresh,
//            Locate and GotoBookmark: Post() when Modified(), else Cancel()
//   Edit, Insert -> Inactive [Close()]       (the change is dropped, not posted)
//   Browse   -> SetKey   [descendant: SetState(dsSetKey) after CheckBrowseMode()]
//   SetKey   -> Browse   [Post(), Cancel(): PostKeyBuffer(commit)]
//
// Ring of record buffers. The dataset keeps BufferCount buffers (the largest
// BufferCount asked for by a data link of its data sources, at least 1) plus
// one scratch buffer. Buffers 0..m_recordCount-1 hold consecutive records of
// the cursor's order; m_activeRecord is the current one. Each buffer carries
// the descendant's bookmark and bookmark flag, so the framework can put the
// descendant's cursor back on any buffered record (InternalSetToRecord); the
// descendant's cursor stands on the record of buffer m_currentRecord (-1:
// unknown, repositioned before the next operation that needs it).
//
// Events fire in this order (each Before* may throw EAbort to stop):
//   Open:   BeforeOpen, AfterOpen           Close:  BeforeClose, AfterClose
//   Edit:   BeforeEdit, AfterEdit           Insert: BeforeInsert, BeforeScroll,
//           OnNewRecord, AfterInsert, AfterScroll
//   Post:   BeforePost, AfterPost           Cancel: BeforeCancel, AfterCancel
//           (of an insert also BeforeScroll/AfterScroll)
//   Delete: BeforeDelete, BeforeScroll, AfterDelete, AfterScroll
//   moves:  BeforeScroll, AfterScroll
// A hook that raises EDatabaseError during Post, Edit or Delete goes to
// OnPostError/OnEditError/OnDeleteError, whose action fails (rethrows),
// aborts (EAbort) or retries.
//
// A descendant's destructor must call Close(): the hooks cannot run from
// ~TDataSet.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "dataset/database_error.h"
#include "dataset/dataset_types.h"
#include "dataset/field.h"
#include "dataset/field_defs.h"
#include "dataset/stream.h"

namespace hollin {

class TDataSource;
class TDataLink;

class TDataSet {
public:
    using TNotifyEvent = std::function<void(TDataSet&)>;
    using TErrorEvent = std::function<void(TDataSet&, const EDatabaseError&, TDataAction&)>;
    using TFilterRecordEvent = std::function<void(TDataSet&, bool& accept)>;

    TDataSet();
    virtual ~TDataSet();
    TDataSet(const TDataSet&) = delete;
    TDataSet& operator=(const TDataSet&) = delete;

    // ---- opening and closing
    void Open() { SetActive(true); }
    // Drops an edit or insert in progress without posting it.
    void Close() { SetActive(false); }
    bool Active() const { return m_state != dsInactive; }
    void SetActive(bool value);
    TDataSetState State() const { return m_state; }

    // ---- moving (each checks browse mode first; closed: "Cannot perform
    // this operation on a closed dataset")
    void First();
    void Last();
    void Next() { MoveBy(1); }
    void Prior() { MoveBy(-1); }
    // Moves by distance records, stopping at either end; returns the
    // distance moved.
    int MoveBy(int distance);
    // Bof: on the first record after First/Open or a move that hit the
    // start. Eof: likewise at the end. Both on an empty dataset.
    bool Bof() const { return m_bof; }
    bool Eof() const { return m_eof; }
    bool IsEmpty() const { return m_recordCount == 0; }
    int RecNo() const;
    void SetRecNo(int value);
    // The records of the dataset (for a table, counted under its read lock).
    // Everyone who asks while one scroll event goes round (the links of the
    // data sources and their change handlers) gets the count the first of
    // them took: a move changes no count. Any other event drops that count,
    // so a change made meanwhile is counted afresh.
    int RecordCount() const;

    // ---- changing
    void Edit();
    void Insert();
    void Append();
    // Outside Edit, Insert and SetKey: "Dataset not in edit or insert mode".
    void Post();
    void Cancel();
    // "Cannot perform this operation on an empty dataset" when empty; in
    // Insert or SetKey it cancels.
    void Delete();
    // Re-reads the records around the current one.
    void Refresh();
    // In Edit or Insert: Post when the record was modified, Cancel when not;
    // in SetKey: Post. Raises on a closed dataset.
    void CheckBrowseMode();
    // Tells the controls to write their pending values (without posting).
    void UpdateRecord();
    bool Modified() const { return m_modified; }
    // Whether Edit and Insert are allowed: not ReadOnly and the cursor allows it.
    bool CanModify() const { return !m_readOnly && GetCanModify(); }
    bool ReadOnly() const { return m_readOnly; }
    virtual void SetReadOnly(bool value) { m_readOnly = value; }

    // ---- fields
    TFieldDefs& FieldDefs() { return m_fieldDefs; }
    const TFields& Fields() const { return m_fields; }
    int FieldCount() const { return m_fields.Count(); }
    TField* FindField(const std::string& name) const { return m_fields.FindField(name); }
    TField& FieldByName(const std::string& name) const { return m_fields.FieldByName(name); }
    // The fields named in a ';'-separated list ("Field '%s' not found").
    std::vector<TField*> GetFieldList(const std::string& names) const;
    // Adds a field of the application's (persistent fields; a calculated
    // field needs this). Only while closed. When the dataset has fields at
    // Open, its data fields are bound to the field definitions by name
    // ("Field '%s' not found", "Type mismatch for field '%s'"); otherwise one
    // field per definition is made at Open and dropped at Close.
    TField& AddField(std::unique_ptr<TField> field);
    // A stream on a blob field of the current record. Writing modes need Edit
    // or Insert and a field that is not read-only; bmWrite starts empty.
    // Without a current record a read stream is empty.
    std::unique_ptr<TStream> CreateBlobStream(TField& field, TBlobStreamMode mode);

    // ---- bookmarks
    // The current record's bookmark; empty when there is none.
    TBookmark GetBookmark() const;
    // Checks browse mode and makes the bookmarked record current ("Record not
    // found" when it is gone).
    void GotoBookmark(const TBookmark& bookmark);
    // <0, 0, >0; the default compares the bytes.
    virtual int CompareBookmarks(const TBookmark& a, const TBookmark& b) const;
    virtual bool BookmarkValid(const TBookmark& bookmark) = 0;

    // ---- searching. The defaults scan the records from the first, reading
    // each into the scratch buffer; a descendant may search an index instead.
    // Locate makes the first matching record current and returns true, or
    // leaves the current record and returns false.
    virtual bool Locate(const std::string& keyFields, const std::vector<TFieldValue>& keyValues,
                        TLocateOptions options = {});
    // The values of the result fields of the first matching record, without
    // moving; empty when none matches.
    virtual std::vector<TFieldValue> Lookup(const std::string& keyFields,
                                            const std::vector<TFieldValue>& keyValues,
                                            const std::string& resultFields);

    // BeginFetches for the life of the object, EndFetches after. A short walk
    // over many records holds one around it, so that the fetches of all its
    // moves share one read lock (writers wait for the walk's length).
    class TFetchRun {
    public:
        explicit TFetchRun(TDataSet& dataSet) : m_dataSet(dataSet) { m_dataSet.BeginFetches(); }
        ~TFetchRun() { m_dataSet.EndFetches(); }
        TFetchRun(const TFetchRun&) = delete;
        TFetchRun& operator=(const TFetchRun&) = delete;

    private:
        TDataSet& m_dataSet;
    };

    // ---- controls
    // Stops notifying data sources until the matching EnableControls, which
    // then reports the state and one data change.
    void DisableControls();
    void EnableControls();
    bool ControlsDisabled() const { return m_disableCount > 0; }

    // ---- filtering: stored here, applied by the descendant.
    const std::string& Filter() const { return m_filter; }
    virtual void SetFilter(const std::string& value) { m_filter = value; }
    bool Filtered() const { return m_filtered; }
    virtual void SetFiltered(bool value) { m_filtered = value; }
    TFilterOptions FilterOptions() const { return m_filterOptions; }
    virtual void SetFilterOptions(TFilterOptions value) { m_filterOptions = value; }

    // ---- links
    // The data source this dataset follows (a detail's master, a query's
    // parameters); none by default.
    virtual TDataSource* DataSource() const { return nullptr; }
    // Whether following dataSource would lead back to this dataset; a
    // descendant that sets its DataSource raises "Circular datalinks are not
    // allowed" then.
    bool IsLinkedTo(const TDataSource* dataSource) const;

    // ---- events
    TNotifyEvent BeforeOpen, AfterOpen, BeforeClose, AfterClose;
    TNotifyEvent BeforeInsert, AfterInsert, BeforeEdit, AfterEdit;
    TNotifyEvent BeforePost, AfterPost, BeforeCancel, AfterCancel;
    TNotifyEvent BeforeDelete, AfterDelete, BeforeScroll, AfterScroll;
    TNotifyEvent OnNewRecord;
    // Sets the calculated fields of the record being read (only calculated
    // fields may be written meanwhile).
    TNotifyEvent OnCalcFields;
    TErrorEvent OnPostError, OnEditError, OnDeleteError;
    // Asked by the descendant for each record while Filtered (see
    // AcceptedByFilterEvent); fields read the candidate record.
    TFilterRecordEvent OnFilterRecord;

protected:
    // ================= hooks the descendant implements =================
    // Open the cursor (throwing leaves nothing open); close it, dropping an
    // edit in progress and every lock.
    virtual void InternalOpen() = 0;
    virtual void InternalClose() = 0;
    virtual bool IsCursorOpen() const = 0;
    // Fill FieldDefs() from the open cursor (called after InternalOpen, with
    // FieldDefs() emptied).
    virtual void InternalInitFieldDefs() = 0;
    // Bytes of the descendant's part of a record buffer (record image,
    // bookmark, flag...); asked after InternalOpen and by RecreateBuffers.
    virtual std::size_t GetRecordBufferSize() const = 0;
    // Read the current, next or prior record into buffer and make it the
    // cursor's record. At the ends: grBOF/grEOF, the cursor standing before
    // the first / after the last record. doCheck: raise on failure instead of
    // returning grError. Skips records the filter refuses.
    virtual TGetResult GetRecord(TRecordBuffer buffer, TGetMode mode, bool doCheck) = 0;
    // Put the cursor before the first / after the last record.
    virtual void InternalFirst() = 0;
    virtual void InternalLast() = 0;
    // Put the cursor on the record held in buffer (by its bookmark).
    virtual void InternalSetToRecord(TRecordBuffer buffer) = 0;
    // Fill a new record buffer (defaults).
    virtual void InternalInitRecord(TRecordBuffer buffer) = 0;
    // The bookmark part of a buffer.
    virtual TBookmarkFlag GetBookmarkFlag(TRecordBuffer buffer) const = 0;
    virtual void SetBookmarkFlag(TRecordBuffer buffer, TBookmarkFlag flag) = 0;
    virtual TBookmark GetBookmarkData(TRecordBuffer buffer) const = 0;
    virtual void SetBookmarkData(TRecordBuffer buffer, const TBookmark& bookmark) = 0;
    // Put the cursor on the bookmarked record (raise when it is gone).
    virtual void InternalGotoBookmark(const TBookmark& bookmark) = 0;
    // Edit: lock and re-read the current record into ActiveBuffer().
    virtual void InternalEdit() = 0;
    // Insert/Append prepared ActiveBuffer(); anything else to do.
    virtual void InternalInsert() = 0;
    // Write ActiveBuffer() (State() tells insert or update) and leave the
    // cursor on the written record.
    virtual void InternalPost() = 0;
    // Drop the edit (release its lock).
    virtual void InternalCancel() = 0;
    // Delete the cursor's record and leave the cursor on the record after it
    // (or after the last record when it was the last).
    virtual void InternalDelete() = 0;
    // Bring the cursor up to date with the stored data.
    virtual void InternalRefresh() = 0;
    // Field values. buffer is a ring buffer, or the descendant's own key
    // buffer in SetKey (see GetActiveRecordBuffer). GetFieldData copies the
    // native value (field.h) to out (out may be null: report the null state
    // only) and returns false for null. SetFieldData writes it; data null
    // makes the field null. Blob fields only report their null state here.
    virtual bool GetFieldData(const TField& field, const uint8_t* buffer, void* out) const = 0;
    virtual void SetFieldData(TField& field, TRecordBuffer buffer, const void* data) = 0;
    // A stream on the blob field of buffer (checks done by CreateBlobStream).
    virtual std::unique_ptr<TStream> InternalCreateBlobStream(TField& field, TRecordBuffer buffer,
                                                              TBlobStreamMode mode) = 0;
    virtual int GetRecordCount() const = 0;
    // The current record's number from 1; 0 when there is none.
    virtual int GetRecNo() const = 0;
    // Put the cursor on the record with that number (or the nearest one).
    virtual void InternalSetRecNo(int value) = 0;
    virtual bool GetCanModify() const = 0;
    // Bracket the record fetches of one move, resync or buffer fill, so that
    // a descendant may take what each fetch needs (a read lock) once for all
    // of them. The defaults do nothing; EndFetches must not throw.
    virtual void BeginFetches() {}
    virtual void EndFetches() noexcept {}

    // The buffer fields read and write: by default the active buffer in
    // Browse (null when empty), Edit and Insert; null in SetKey and Inactive.
    // A descendant with key buffers returns its key buffer in SetKey.
    virtual TRecordBuffer GetActiveRecordBuffer();
    // SetKey ends: the default goes back to Browse and reports a data change.
    virtual void PostKeyBuffer(bool commit);

    // ================= services for the descendant =================
    void SetState(TDataSetState value);
    TRecordBuffer ActiveBuffer() const;
    // Re-reads the buffers around the cursor's record (after the descendant
    // moved its cursor): modes rmExact, rmCenter.
    void Resync(TResyncMode mode);
    // The descendant's cursor no longer stands on buffer m_currentRecord.
    void CursorPosChanged() { m_currentRecord = -1; }
    // Puts the descendant's cursor on the active record.
    void UpdateCursorPos();
    // Frees and allocates every buffer again with the current
    // GetRecordBufferSize() and re-reads around the cursor's record.
    void RecreateBuffers();
    void DataEvent(TDataEvent event, TField* field = nullptr, int distance = 0);
    void CheckActive() const;
    void CheckInactive() const;
    void DoBeforeScroll() { Fire(BeforeScroll); }
    void DoAfterScroll() { Fire(AfterScroll); }
    // Runs OnFilterRecord on a candidate record in buffer; true without handler.
    bool AcceptedByFilterEvent(TRecordBuffer buffer);
    void SetModified(bool value) { m_modified = value; }

private:
    friend class TField;
    friend class TDataSource;
    friend class TDataLink;

    // Points field access at another buffer for the life of the object.
    class BufferOverride {
    public:
        BufferOverride(TDataSet& dataSet, TRecordBuffer buffer, bool calculating)
            : m_dataSet(dataSet), m_buffer(dataSet.m_overrideBuffer),
              m_calculating(dataSet.m_calculating) {
            dataSet.m_overrideBuffer = buffer;
            dataSet.m_calculating = calculating;
        }
        ~BufferOverride() {
            m_dataSet.m_overrideBuffer = m_buffer;
            m_dataSet.m_calculating = m_calculating;
        }
        BufferOverride(const BufferOverride&) = delete;
        BufferOverride& operator=(const BufferOverride&) = delete;

    private:
        TDataSet& m_dataSet;
        TRecordBuffer m_buffer;
        bool m_calculating;
    };

    void Fire(const TNotifyEvent& event) {
        if (event) event(*this);
    }
    void OpenCursor();
    void CloseCursor();
    void CreateFields();
    void DestroyDefaultFields();
    void CheckCanModify() const;
    void CheckOperation(const std::function<void()>& operation, const TErrorEvent& onError);
    void BeginInsertAppend();
    void EndInsertAppend();
    void InitRecord(TRecordBuffer buffer);

    // The ring (dataset_buffers.cpp).
    void SetBufListSize(int size);
    void SetBufferCount(int value);
    void UpdateBufferCount();
    void ClearBuffers();
    void ActivateBuffers();
    void MoveBuffer(int from, int to);
    void SetCurrentRecord(int index);
    TGetResult FetchRecord(TRecordBuffer buffer, TGetMode mode, bool doCheck);
    bool GetNextRecord();
    bool GetPriorRecord();
    int GetNextRecords();
    int GetPriorRecords();
    // First (atStart) or Last: refills the buffers from that end of the data.
    void MoveToEnd(bool atStart);
    bool IsRingBuffer(const uint8_t* buffer) const;

    // Fields and calculated fields.
    TRecordBuffer FieldBuffer();
    bool ReadFieldData(const TField& field, void* out);
    void WriteFieldData(TField& field, const void* data);
    void ClearCalcFields(TRecordBuffer buffer);
    void CalculateFields(TRecordBuffer buffer);

    // Searching (dataset_locate.cpp).
    bool ScanForRecord(const std::vector<TField*>& fields, const std::vector<TFieldValue>& values,
                       TLocateOptions options);

    // Data sources (data_source.cpp registers itself).
    void AddDataSource(TDataSource* source);
    void RemoveDataSource(TDataSource* source);

    TDataSetState m_state = dsInactive;
    bool m_modified = false;
    bool m_readOnly = false;
    bool m_bof = true;
    bool m_eof = true;
    bool m_defaultFields = false;
    bool m_cursorReady = false;  // from the end of OpenCursor to CloseCursor: the ring exists

    TFieldDefs m_fieldDefs;
    TFields m_fields;
    std::size_t m_calcFieldsSize = 0;

    std::vector<std::unique_ptr<uint8_t[]>> m_buffers;  // BufferCount + 1
    std::size_t m_recordBufferSize = 0;  // the descendant's part
    int m_bufferCount = 0;
    int m_recordCount = 0;
    int m_activeRecord = 0;
    int m_currentRecord = -1;

    // Where fields read while the framework looks at a record that is not
    // the active one (calculating, filtering, scanning).
    TRecordBuffer m_overrideBuffer = nullptr;
    bool m_calculating = false;

    int m_disableCount = 0;
    TDataSetState m_disableState = dsInactive;
    // RecordCount during a scroll event (see there).
    bool m_shareRecordCount = false;
    mutable std::optional<int> m_sharedRecordCount;
    TDataEvent m_enableEvent = deDataSetChange;

    std::string m_filter;
    bool m_filtered = false;
    TFilterOptions m_filterOptions;

    std::vector<TDataSource*> m_dataSources;
};

}  // namespace hollin
