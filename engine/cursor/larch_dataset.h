// TLarchDataSet: the table cursor over one open TDataFile. It serves the
// dataset framework's hooks: record buffers, navigation in the active index,
// field access, bookmarks, editing and posting with the engine's locks, and
// filters, whose record sets the index navigation skips by. A descendant may
// show a column view of the record (some stored fields under other names and
// computed columns) and fix a condition that holds whatever Filtered says; a
// query's live result is such a view.
//
// A record buffer (the cursor's part of each ring buffer):
//   offset            width           content
//   0                 image size      the record image as stored
//   image             4               RecNo of the record, -1 in a new insert buffer
//   image + 4         1               bookmark flag (bfInserted in a new buffer)
//   image + 5         bookmark size   the record's key in the active index
#pragma once

#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "dataset/dataset.h"
#include "engine/data/data_file.h"
#include "query/filter/filter_buffer.h"
#include "query/filter/filter_list.h"

namespace larch {

// One field of a cursor's column view: a stored field shown under another
// name, or a read-only value computed from each record image.
struct TCursorColumn {
    std::string name;
    uint16_t fieldNumber = 0;  // the stored field's number (from 1); 0: computed
    // Computed columns: the field type and size the value is offered as, and
    // the computation, which writes the native value (field.h) to `out` (at
    // least the field's DataSize bytes) and returns false for null.
    hollin::TFieldType dataType = hollin::ftUnknown;
    int size = 0;
    std::function<bool(const uint8_t* image, void* out)> compute;
};

class TLarchDataSet : public hollin::TDataSet {
public:
    TLarchDataSet();
    ~TLarchDataSet() override;

    std::string EngineVersion() const;

    // Settings of the files; all but the lock settings only while closed
    // ("Cannot perform this operation on an open dataset").
    bool Exclusive() const { return m_exclusive; }
    void SetExclusive(bool value);
    void SetReadOnly(bool value) override;
    bool InMemory() const { return m_inMemory; }
    void SetInMemory(bool value);
    bool StrictChangeDetection() const { return m_strictChangeDetection; }
    void SetStrictChangeDetection(bool value);
    bool ForceBufferFlush() const { return m_forceBufferFlush; }
    void SetForceBufferFlush(bool value);
    // Any time; an open table uses the new values at once.
    uint8_t LockRetryCount() const { return m_lockRetryCount; }
    void SetLockRetryCount(uint8_t value);
    uint16_t LockWaitTime() const { return m_lockWaitTime; }
    void SetLockWaitTime(uint16_t value);

    // The open data file (null while closed).
    TDataFile* DataFile() const { return m_file.get(); }
    bool BookmarkValid(const hollin::TBookmark& bookmark) override;

    // Filters (larch_dataset_filter.cpp). On a closed cursor the values are
    // only stored. On an open one: Post or Cancel an edit, build a new text
    // filter when the text or options differ (a text that fails leaves the
    // old filter and text in place), then move to the first record when
    // Filtered. Setting Filtered (de)activates the text filter and the
    // callback filter of OnFilterRecord and moves to the first record.
    void SetFilter(const std::string& value) override;
    void SetFiltered(bool value) override;
    void SetFilterOptions(hollin::TFilterOptions value) override;
    // Assigns OnFilterRecord; on an open cursor replaces the callback filter
    // (and moves to the first record when Filtered). A handler assigned to
    // OnFilterRecord directly takes effect at the next navigation.
    void SetOnFilterRecord(TFilterRecordEvent handler);
    // Called with an exception OnFilterRecord raised, for the application to
    // show; the record keeps the accept value set before the exception.
    std::function<void(std::exception_ptr)> OnFilterRecordError;
    // The filter list of the open data file (null while closed).
    TFilterList* Filters() const { return m_filters.get(); }
    int CompareBookmarks(const hollin::TBookmark& a, const hollin::TBookmark& b) const override;

protected:
    // The full path of the data file to open; raises the component errors.
    virtual std::string ResolveTableFile() = 0;
    // After the data file opened: select the active index (10022).
    virtual void SelectInitialIndex() = 0;
    // Detach from the database after closing.
    virtual void ReleaseTableFile() {}
    // Whether the data file opens read-only; the default follows ReadOnly.
    virtual bool OpensReadOnly() const { return ReadOnly(); }
    // Whether the data file opens exclusively; the default follows Exclusive.
    virtual bool OpensExclusively() const { return m_exclusive; }
    // Whether the data file is a temporary table (TDataFile::SetTemporary).
    virtual bool OpensTemporary() const { return false; }
    // The fields the cursor offers, asked at open; empty (the default): every
    // stored field under its own name.
    virtual std::vector<TCursorColumn> CursorColumns() { return {}; }
    // A condition the cursor's records must pass whatever Filtered says,
    // asked at open after the index was selected: a typed tree whose columns
    // are bound by field number; null (the default) for none.
    virtual std::unique_ptr<TExpressionNode> CursorCondition() { return nullptr; }

    void InternalOpen() override;
    void InternalClose() override;
    bool IsCursorOpen() const override { return m_file != nullptr; }
    void InternalInitFieldDefs() override;
    std::size_t GetRecordBufferSize() const override;
    hollin::TGetResult GetRecord(hollin::TRecordBuffer buffer, hollin::TGetMode mode, bool doCheck) override;
    void InternalFirst() override;
    void InternalLast() override;
    void InternalSetToRecord(hollin::TRecordBuffer buffer) override;
    void InternalInitRecord(hollin::TRecordBuffer buffer) override;
    hollin::TBookmarkFlag GetBookmarkFlag(hollin::TRecordBuffer buffer) const override;
    void SetBookmarkFlag(hollin::TRecordBuffer buffer, hollin::TBookmarkFlag flag) override;
    hollin::TBookmark GetBookmarkData(hollin::TRecordBuffer buffer) const override;
    void SetBookmarkData(hollin::TRecordBuffer buffer, const hollin::TBookmark& bookmark) override;
    void InternalGotoBookmark(const hollin::TBookmark& bookmark) override;
    void InternalEdit() override;
    void InternalInsert() override {}
    void InternalPost() override;
    void InternalCancel() override;
    void InternalDelete() override;
    void InternalRefresh() override;
    bool GetFieldData(const hollin::TField& field, const uint8_t* buffer, void* out) const override;
    void SetFieldData(hollin::TField& field, hollin::TRecordBuffer buffer, const void* data) override;
    std::unique_ptr<hollin::TStream> InternalCreateBlobStream(hollin::TField& field, hollin::TRecordBuffer buffer,
                                                              hollin::TBlobStreamMode mode) override;
    int GetRecordCount() const override;
    int GetRecNo() const override;
    void InternalSetRecNo(int value) override;
    bool GetCanModify() const override;
    // One read lock and change check for all the fetches of a move.
    void BeginFetches() override;
    void EndFetches() noexcept override;
    hollin::TRecordBuffer GetActiveRecordBuffer() override;
    void PostKeyBuffer(bool commit) override;

    // ---- services for the table component
    TIndexFile& IndexFile() const { return m_file->Index(); }
    int ActiveSlot() const { return m_activeSlot; }
    // Selects the index slot; while open, rebuilds the buffers around the
    // current record.
    void SwitchIndex(int slot);
    // Selects the index slot while the cursor is being opened.
    void SelectSlotAtOpen(int slot);
    const IndexDescriptor& ActiveIndex() const { return IndexFile().Descriptor(m_activeSlot); }
    uint32_t BookmarkSize() const;
    bool AppendsRecordId(int slot) const;
    std::vector<uint8_t> KeyOfImage(const uint8_t* image) const;
    // The key buffer that SetKey state writes to (lookup, range start, range end).
    enum class KeyBuffer { Lookup = 0, RangeStart = 1, RangeEnd = 2 };
    void BeginKey(KeyBuffer which);
    // The key of the key buffer from the first `fieldsGiven` index fields.
    std::vector<uint8_t> KeyFromBuffer(KeyBuffer which, int fieldsGiven, bool high) const;
    int KeyFieldsGiven(KeyBuffer which) const { return m_keyFieldCount[static_cast<int>(which)]; }
    // Puts the cursor on the key found (or the last visible one) and re-reads.
    void PositionOnNearest(const std::vector<uint8_t>& key);
    // The stored field behind a field ("Field index out of range" for a
    // computed column).
    const FieldDescriptor& DescriptorOf(const hollin::TField& field) const;
    bool IsComputed(const hollin::TField& field) const;
    bool IndexHasField(int fieldNumber) const;
    // The key range changed, or the whole table did (EmptyTable).
    void FiltersRangeChanged();
    void FiltersTableChanged();

private:
    enum class Crack { BeforeFirst, OnRecord, AfterLast };

    uint8_t* RecNoPart(hollin::TRecordBuffer buffer) const { return buffer + m_imageSize; }
    uint8_t* FlagPart(hollin::TRecordBuffer buffer) const { return buffer + m_imageSize + 4; }
    uint8_t* BookmarkPart(hollin::TRecordBuffer buffer) const { return buffer + m_imageSize + 5; }
    bool ReadCurrentInto(hollin::TRecordBuffer buffer, ReadDirection direction);
    void ReadKeyPosition();
    uint32_t OwnNumber(const uint8_t* image) const;
    void DropOpenBlobs();
    void AttachCursorCondition();
    const TCursorColumn* ComputedColumnOf(const hollin::TField& field) const;

    // Filters (larch_dataset_filter.cpp).
    void CreateFilterList();
    void DropFilterList();
    // Builds the stored filters after open, follows OnFilterRecord, rebuilds
    // stale record sets and points the index at the combined set.
    void PrepareFilters();
    void UpdateFilterBitmap();
    bool FilterActive() const;
    // Whether the record passes the active filters (true without any).
    bool RecordPasses(uint32_t number) const;
    FilterFieldLookup CursorFieldLookup();
    TFilter* BuildTextFilter(const std::string& text, hollin::TFilterOptions options);
    void ReplaceTextFilter(const std::string& text, hollin::TFilterOptions options);
    void ReplaceCallbackFilter();
    bool AcceptsRecord(const uint8_t* image);
    // Switches the text and callback filters off (the cursor condition stays).
    void DeactivateUserFilters();

    std::unique_ptr<TDataFile> m_file;
    uint32_t m_imageSize = 0;
    std::vector<int> m_descriptorOfDef;  // field definition position -> descriptor position, -1: computed
    std::vector<TCursorColumn> m_columns;  // the column view (empty: every stored field)
    int m_activeSlot = 0;
    Crack m_crack = Crack::BeforeFirst;
    // SetKey: which key buffer, its images and how many index fields were set.
    KeyBuffer m_keyBuffer = KeyBuffer::Lookup;
    std::vector<uint8_t> m_keyImages[3];
    int m_keyFieldCount[3] = {0, 0, 0};
    std::vector<bool> m_keyFieldSet;
    hollin::TDataSetState m_stateBeforeKey = hollin::dsBrowse;

    bool m_exclusive = false;
    bool m_inMemory = false;
    bool m_strictChangeDetection = false;
    bool m_forceBufferFlush = false;
    uint8_t m_lockRetryCount = 15;
    uint16_t m_lockWaitTime = 100;

    std::unique_ptr<TFilterList> m_filters;
    TFilter* m_textFilter = nullptr;      // from Filter and FilterOptions
    TFilter* m_callbackFilter = nullptr;  // from OnFilterRecord
    TFilter* m_conditionFilter = nullptr; // from CursorCondition, always active
    bool m_filtersPrepared = false;       // the stored filters were built after open
};

}  // namespace larch
