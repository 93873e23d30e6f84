// TTableJournal: the rollback journal beside a table (".JNL"), which makes
// every write of the table take effect whole or not at all.
//
// Before a write first changes a region of the data, index or blob file, the
// region's original bytes go to the journal; when the write is complete the
// journal's header is invalidated (zeroed).
//
// The order of the disk writes makes a write survive a power cut, which may
// keep any subset of the writes not yet synced, each page whole or torn:
//   1. the header and the entries are written and the journal is synced
//      (fdatasync), before the first table page they guard is written; a new
//      journal's folder is synced too, so that its name survives;
//   2. the table files are written, then each file the write changed is
//      synced;
//   3. the header is zeroed and the journal synced again; only then does the
//      write return.
// A cut before 3 has reached the disk finds a valid header whose entries are
// all on the disk (step 1 finished before any table page was written), so the
// rollback puts back every region the write may have changed, whichever of
// its pages reached the disk. A cut after 3 finds an invalid header and
// table files that hold the whole write (step 2 finished before it). A sync
// that fails is never taken for done: the write is rolled back.
//
// A journal with a valid header
// that is found when the table is next opened, read or written belongs to a
// writer that died (or failed): its regions are put back and the files cut
// to their original sizes, which returns the table to the state before that
// write. The table files keep their formats exactly. The journal file stays
// (invalid) between the writes of a user that has the table open, so that a
// write costs no file creation; the last user to close removes it.
//
// A writer holds an OFD write lock on byte 0 of the journal from the first
// change of a write to its end. Whoever finds a valid header takes that lock
// first (waiting for a live writer); a journal whose lock it gets, that is
// still linked under its name and whose header is still valid is hot: it is
// rolled back under the lock, then removed. Entries of earlier writes left
// behind in the file carry another write's number and fail their CRC.
//
// File layout (all integers little-endian):
//
// Header (64 bytes):
//   offset width field
//   0      8     magic "LARCHJNL"
//   8      2     format version, 1
//   10     1     kind: 1 regions of the three files, 2 a file swap
//   11     1     files present: bit 0 data, bit 1 index, bit 2 blob
//   12     4     region size the writer used (512); readers ignore it
//   16     8     original size of the data file
//   24     8     original size of the index file
//   32     8     original size of the blob file (0 when absent)
//   40     4     kind 2: length of the swap body that follows the header
//   44     4     kind 2: CRC-32C of the swap body
//   48     4     number of the write (random); every entry's CRC covers it
//   52     8     reserved, zero
//   60     4     CRC-32C of bytes 0..59
//
// Region entry (kind 1), any number of them after the header:
//   offset width field
//   0      1     file: 0 data, 1 index, 2 blob
//   1      3     reserved, zero
//   4      8     file offset of the bytes
//   12     4     length n
//   16     4     CRC-32C of the write's number (4 bytes, as in the header),
//                entry bytes 0..15 and the n data bytes
//   20     n     the original bytes
// Rolling back stops at the first entry that is short or fails its CRC: it
// was being written when the writer died (so the change it guards was never
// made), or it is left from an earlier write.
//
// Swap body (kind 2): for each of the three files, in the order data, index,
// blob:
//   1 byte flags (bit 0: the old file existed, bit 1: the new file existed),
//   then three texts, each a 2-byte length and its bytes: the table's name
//   of the file, the name the old file is moved to, the temporary name of
//   the new file. Rolling back moves every old file back from its aside name
//   (when it is there), deletes a new file that took the name of a file the
//   old table did not have, and deletes the new files at their temporary
//   names: the old table is back whole.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace larch {

class TFileHandler;

constexpr uint32_t kJournalHeaderSize = 64;
constexpr uint32_t kJournalEntryHeaderSize = 20;
constexpr uint32_t kJournalRegionSize = 512;

class TTableJournal {
public:
    enum : int { kDataFile = 0, kIndexFile = 1, kBlobFile = 2 };

    TTableJournal() = default;
    ~TTableJournal();
    TTableJournal(const TTableJournal&) = delete;
    TTableJournal& operator=(const TTableJournal&) = delete;

    // Guards the open files of a table (the blob file may be null) from now
    // on. `path`, the journal's name when already looked up (PathFor).
    void Attach(TFileHandler* data, TFileHandler* index, TFileHandler* blob, const std::string& path = {});
    // Lets the handlers write unguarded again and closes the journal,
    // removing it when no other user is writing; a write still in progress
    // is left on disk as it is.
    void Detach();

    // Called by a handler before it changes bytes or cuts the file: saves the
    // original bytes of every region not saved yet in this write, starting
    // the journal on the first call.
    void BeforeWrite(int file, int64_t offset, std::size_t count);
    void BeforeTruncate(int file, int64_t length);
    // Saves at once the regions a flush is about to write, so that the
    // journal is written (and synced) once for all of them.
    struct Region {
        int file;
        int64_t offset;
        std::size_t count;
    };
    void Prepare(const std::vector<Region>& regions);
    // A read, write, truncate or sync of a guarded file failed: what is
    // cached may be half-changed, so the write must be rolled back.
    void NoteFailure() { m_failed = true; }
    // Forgets a failure noted outside any write (a failed read between
    // writes), which left nothing half-changed.
    void ClearFailure() {
        if (!m_active) m_failed = false;
    }

    // Whether a write has started changing the files.
    bool Active() const { return m_active; }
    bool Failed() const { return m_failed; }
    // The write is complete: every table file it changed is synced, then the
    // journal's header is invalidated and synced. On a failure (9218) the
    // journal stays valid, for the caller to roll back.
    void Commit();
    // Puts back what the current write changed and invalidates the journal.
    // When that fails the journal stays valid on disk for the next user.
    void RollBack();

    // The journal's path for a table's data file: its spelling on disk with
    // the extension ".JNL".
    static std::string PathFor(const std::string& dataPath);
    // Whether a journal file exists beside the table.
    static bool Exists(const std::string& dataPath);
    // Whether a journal with a valid header exists beside the table: one
    // that may need rolling back.
    static bool MayBeHot(const std::string& dataPath);
    static bool MayBeHotAt(const std::string& journalPath);
    // The same for the attached table, cheaper while this user keeps the
    // journal open: a stat and a read of the header. `knownPath`, the
    // journal's name looked up before (PathFor), spares the lookup.
    bool HotJournalPossible(const std::string& dataPath, const std::string& knownPath = {}) const;
    // Rolls back a journal left by a writer that is gone; returns whether it
    // did (false: none, or it belonged to a live writer that has finished).
    // A hot journal beside files the process may not write raises 11013.
    static bool RecoverIfHot(const std::string& dataPath);

    // One file of a swap: the table's name, the aside name of the old file
    // and the temporary name of the new one.
    struct SwapFile {
        std::string target, aside, fresh;
        bool oldExists = false, freshExists = false;
    };
    // Writes (durably) and locks a swap journal before files are renamed;
    // Commit then removes it.
    void BeginSwap(const std::string& dataPath, const std::vector<SwapFile>& files);

private:
    void Start();
    // Writes what waits in m_pending and syncs the journal.
    void Append();
    // Adds the original bytes of the regions not saved yet to m_pending.
    void Save(int file, int64_t from, int64_t to);
    bool MarkSaved(int file, uint64_t region);
    void Close() noexcept;
    void EndWrite() noexcept;
    void Invalidate();
    // Syncs the table files this write changed.
    void SyncChangedFiles();

    TFileHandler* m_files[3] = {nullptr, nullptr, nullptr};
    bool m_changed[3] = {false, false, false};  // files this write wrote or cut
    bool m_failed = false;
    int m_fd = -1;
    uint64_t m_fdInode = 0;  // the file m_fd is open on
    bool m_active = false;
    bool m_swap = false;
    bool m_newFile = false;  // its name is not known to be on the disk yet
    uint32_t m_writeNumber = 0;
    std::string m_path;
    int64_t m_end = 0;              // where the next entry goes
    int64_t m_originalSize[3] = {0, 0, 0};
    std::vector<uint64_t> m_saved[3];  // one bit per region saved in this write
    std::vector<uint8_t> m_pending;    // header and entries not written yet
    std::vector<uint8_t> m_header;     // this write's header, put back when its zeroing fails
};

}  // namespace larch
