// TDataFile: a table's data file (header, field descriptors, records), the
// owner of the table's index file and blob file.
//
// File layout:
//   offset                      length
//   0                           127                 header (data_header.h)
//   127                         field count × 768   field descriptors
//   127 + field count × 768     record size each    record 1, record 2, ...
// The file holds exactly next record number − 1 records.
#pragma once

#include <chrono>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "engine/blob/blob_file.h"
#include "engine/data/data_header.h"
#include "engine/records/field_descriptor.h"
#include "engine/files/file_handler.h"
#include "engine/index/index_descriptor.h"
#include "engine/index/index_file.h"
#include "engine/records/record_cache.h"
#include "engine/files/table_journal.h"

namespace larch {

// The settings a table is created (or rebuilt) with.
struct TableSettings {
    uint16_t language = 0;
    uint16_t sublanguage = 0;
    uint16_t settingOne = 1;
    uint16_t settingTwo = 0;
    bool encrypted = false;
    std::string password;
    std::string description;
    uint32_t blobBlockSize = 512;
};

enum class ReadDirection { Forward, Backward };

// Limits of appending records.
constexpr uint32_t kMaxRecordNumber = 100000000;
constexpr uint64_t kMaxDataBytes = 2000000000;
// One read-ahead run is at most this many bytes of records.
constexpr uint32_t kReadRunBytes = 32767;
// A read that does not continue the previous run takes this many records.
constexpr uint32_t kJumpRunRecords = 4;
// An exclusive table whose caches had to write to the disk writes
// everything after this many further writes (or at close).
constexpr int kExclusiveWritesPerFlush = 256;
// The record cache holds about this many bytes of records.
constexpr uint32_t kRecordCacheBytes = 131070;
// Changed pages each index keeps in its cache rather than write them back
// early: during a batch of writes, and on an exclusive table.
constexpr std::size_t kBatchPages = 4096;
constexpr std::size_t kExclusivePages = 1024;

class TDataFile : public TFileHandler {
public:
    TDataFile();
    ~TDataFile() override;

    std::string MakeFileName(const std::string& name) const override;

    // Writes a new table: the data file's header and descriptors, the index
    // file and (with blob fields) the blob file, then closes them. The handler
    // must be closed and exclusive (10253) and not read-only (11013). The
    // fields' widths and offsets are assigned here. When a step after the files
    // were created fails, the files are deleted again.
    void CreateTable(std::vector<FieldDescriptor> fields, const IndexDescriptor& primary,
                     const std::vector<IndexDescriptor>& secondaries, const TableSettings& settings);

    // Opens the data file, checks it and opens the index and blob files with
    // the same mode: 12035 wrong version, 15878 a language, 10498 encrypted,
    // 8961 descriptors or size that do not agree with the header. A failed
    // open leaves every file closed and unchanged.
    void Open() override;
    // Writes what is dirty (unless read-only), completes the journal and
    // closes the three files. When writing fails the table is rolled back to
    // its last complete write before the error propagates.
    void Close() override;
    // Rolls back every change since the last complete write and closes the
    // files without writing anything (a table-wide operation that failed or
    // was stopped).
    void Abandon();

    // A temporary table that only this handler ever opens and that is
    // deleted after use (a canned result): its files bear exactly the names
    // given and no journal guards its writes, since after a crash there is
    // nothing in it to restore. Set while closed.
    void SetTemporary(bool value);
    bool Temporary() const { return m_temporary; }

    const DataHeader& Header() const { return m_header; }
    DataHeader& MutableHeader();  // marks the header changed
    const std::vector<FieldDescriptor>& Fields() const { return m_fields; }
    // The field of that name (ignoring case), or null.
    const FieldDescriptor* FindField(const std::string& name) const;
    uint32_t RecordSize() const { return m_header.recordSize; }
    // A record image in memory: record size plus the computed area.
    uint32_t ImageSize() const { return m_header.recordSize + m_header.computedAreaSize; }
    uint32_t RecordCapacity() const { return static_cast<uint32_t>(m_cache.Capacity()); }
    int64_t RecordOffset(uint32_t number) const;

    TIndexFile& Index() { return *m_index; }
    // Null when the table has no blob fields.
    TBlobFile* Blob() { return m_blob.get(); }

    // The cached record n, pinned (release with Unpin or RecordPin). n = 0
    // gives null; n = next record number appends a new record; beyond it 8710.
    TRecord* GetRecord(uint32_t number, ReadDirection direction = ReadDirection::Forward);
    void Unpin(TRecord* record);
    // Whether record n is in the record cache (no disk read needed for it).
    bool IsCached(uint32_t number) const { return m_cache.Contains(number); }

    // Calls `visit` with the number and image of each record of `wanted`
    // (ascending record numbers, all below the next record number) until it
    // returns false, reading the file in runs of up to kReadRunBytes without
    // caching what it reads; a record changed in the cache is visited as
    // cached. Sparse sets go through GetRecord. The read locks and change
    // check come with each disk read (BeginRead), as for a cursor. Images
    // carry the computed area only when cached, so tables with one always
    // take the GetRecord path.
    void ScanRecords(const std::vector<uint32_t>& wanted,
                     const std::function<bool(uint32_t number, const uint8_t* image)>& visit);

    // The record number an insert will use: the free-record head, or the next
    // record number (always the latter without a primary index).
    uint32_t NextInsertNumber() const;

    // Writes a new record from `image` (the header bytes are set here): the
    // next record ID, required fields and limits (9732, 9730, 9731), unique
    // keys (9729, nothing
    // written), the open blobs of the blob file, the keys of every index and
    // "Sys Deleted", the record. Returns the record number. The caller flushes.
    uint32_t InsertRecord(std::vector<uint8_t>& image);
    // Replaces record n's values by `image`, keeping its ID; keys that changed
    // are checked (9729) and replaced, open blobs written.
    void UpdateRecord(uint32_t number, std::vector<uint8_t>& image);
    // Removes record n's keys, frees its blobs and puts it on the free chain.
    // Indexes in `slotsWithoutKey` never got the record's key and are left
    // alone (an index rebuild that refused it as a duplicate).
    void DeleteRecord(uint32_t number, const std::vector<int>& slotsWithoutKey = {});

    // Builds the key of `image` in index `slot`.
    std::vector<uint8_t> KeyOf(int slot, const uint8_t* image) const;

    // Writes every dirty record sorted, one write per run of consecutive
    // records; pinned ones only with `includePinned` (at close).
    void FlushRecords(bool includePinned = false);
    // When changed or forced: change count + 1, time stamp, 127 bytes.
    void WriteHeader(bool force);
    // Records, header, index pages and header, blob blocks and header.
    void FlushAll(bool includePinned = false);
    // Outside a write: writes everything dirty as one journaled write, so
    // that the files on disk hold the table's state when it returns (an
    // exclusive table otherwise writes at close). A failure rolls back.
    void CompleteWrites();
    // Deletes every record (exclusive only: 10253; not read-only: 11013).
    void Empty();
    // Re-reads the header and drops every cached record.
    void ReloadHeader();
    void DropCache() {
        m_cache.DropAll();
        m_lastRunFirst = m_lastRunLast = 0;
    }

    // Sharing between users of one table (lock ranges in table_locks.h).
    // Without locks (exclusive, or read-only by attribute) these do nothing.
    void SetLockRetryCount(uint8_t count) { m_lockRetryCount = count; }
    void SetLockWaitTime(uint16_t milliseconds) { m_lockWaitTime = milliseconds; }
    uint8_t LockRetryCount() const { return m_lockRetryCount; }
    uint16_t LockWaitTime() const { return m_lockWaitTime; }
    bool UsesLocks() const { return IsOpen() && !Exclusive() && !ReadOnlyByAttribute(); }
    // Before the first disk read of an operation: the index and blob read
    // locks, then the change check. Nested calls only count.
    void BeginRead();
    void EndRead();
    // At the start of Post, Delete and table-changing operations: the write
    // semaphore, the index and blob write locks, the change check. EndWrite
    // writes everything dirty (a new change count in every header) before it
    // releases the locks in reverse order.
    //
    // Every write is guarded by the table's journal (table_journal.h): on a
    // shared table one write runs from the outermost BeginWrite to its
    // EndWrite; on an exclusive table, whose changes stay in the caches, from
    // the first change that reaches the disk to the next time everything is
    // written (kExclusiveWritesPerFlush writes later, or close).
    void BeginWrite();
    void EndWrite();
    // Ends a write left by an exception: on a shared table everything it
    // changed is rolled back and the caches dropped; on an exclusive one only
    // a write during which a file operation failed is rolled back (to the
    // last complete write), the caches holding the table's state otherwise.
    void AbortWrite();
    bool InWrite() const { return m_writeDepth > 0; }
    // A batch of writes (BatchWriteScope) lets the index caches keep more
    // changed pages, written once at the batch's end.
    void SetBatch(bool on);
    // Record lock of record n (10258 after LockRetryCount retries).
    void LockRecord(uint32_t number);
    void UnlockRecord(uint32_t number);
    bool HoldsRecordLock(uint32_t number) const;
    // The table lock covers every record lock (10241 after the retries).
    void LockTable();
    void UnlockTable();
    bool HoldsTableLock() const { return m_tableLocked; }
    // Read locks kept from HoldReadLock to ReleaseReadLock (WITH LOCKS).
    void HoldReadLock();
    void ReleaseReadLock();
    // Compares the change counts on disk with the cached headers; drops what
    // is stale and reports whether another user changed the table.
    bool ChangeCheck();
    // Called after a change check found another user's changes, so that
    // cursors can reposition (set by the cursor layer).
    void SetOnTableChanged(std::function<void()> handler) { m_onTableChanged = std::move(handler); }

private:
    void OpenChecked();
    void OpenHandleRecovering();
    void RecoverIfHot();
    void ReloadAll(bool notify);
    // Journals at once everything a flush is about to write (with
    // `forceHeaders`, the three headers too); nothing when nothing is pending.
    void JournalPendingWrites(bool includePinned, bool forceHeaders);
    void RollBackQuietly() noexcept;
    void ReleaseWriteLocks(std::exception_ptr failure);
    void ReleaseAllLocks();
    void FileLockWithRetry(TFileHandler& file, int64_t offset, int64_t length, bool shared);
    void TakeReadLocks();
    void DropReadLocks();
    void RetakeReadBytes();
    void CloseFiles();
    TRecord* ReadRun(uint32_t number, ReadDirection direction);
    TRecord* Append();
    TRecord* TakeEntry(uint32_t number);
    void CheckRequired(const uint8_t* image) const;
    void WriteOpenBlobsInto(uint32_t number, uint8_t* image);
    uint32_t SlotCount() const;
    bool AppendsRecordId(int slot) const;
    int64_t DataStart() const;

    DataHeader m_header;
    bool m_headerChanged = false;
    std::vector<FieldDescriptor> m_fields;
    TRecordCache m_cache;
    std::unique_ptr<TIndexFile> m_index;
    std::unique_ptr<TBlobFile> m_blob;

    uint32_t m_lastRunFirst = 0;  // records of the last read run, 0 when none
    uint32_t m_lastRunLast = 0;
    uint8_t m_lockRetryCount = 15;
    uint16_t m_lockWaitTime = 100;
    int m_readDepth = 0;
    int m_writeDepth = 0;
    int m_heldReadLocks = 0;
    int64_t m_indexReadByte = 0;  // the read-lock bytes taken, 0 when none
    int64_t m_blobReadByte = 0;
    bool m_tableLocked = false;
    std::vector<uint32_t> m_recordLocks;
    std::function<void()> m_onTableChanged;
    TTableJournal m_journal;
    bool m_temporary = false;
    bool m_recoveryPending = false;  // a rollback failed: the journal waits on disk
    int m_writesInJournal = 0;       // exclusive: writes since the caches first wrote
    std::string m_journalPath;       // the journal's name, looked up at open
};

// Keeps a record pinned for the scope.
class RecordPin {
public:
    RecordPin(TDataFile& file, TRecord* record) : m_file(file), m_record(record) {}
    ~RecordPin() {
        if (m_record) m_file.Unpin(m_record);
    }
    RecordPin(const RecordPin&) = delete;
    RecordPin& operator=(const RecordPin&) = delete;
    TRecord* operator->() const { return m_record; }
    TRecord* get() const { return m_record; }

private:
    TDataFile& m_file;
    TRecord* m_record;
};

}  // namespace larch
