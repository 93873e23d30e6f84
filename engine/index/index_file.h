// TIndexFile: the index file of a table (".IDX"), holding every index of the
// table as a B+-tree of 4096-byte pages whose interior entries carry subtree
// key counts, with the index cursor, ranges and record bitmaps over it.
//
// Header (4096 bytes at offset 0, little-endian integers):
//   offset width    field
//   0      4        change count, + 1 at every header write; other users compare it
//   4      4        reserved, zero
//   8      1        format version, always 3
//   9      4        next page offset: where the next new page goes; 4096 in a new file
//   13     1        secondary index count, 0 to 30
//   14     33 x 120 index descriptors (index_descriptor.h): slot 0 the primary
//                   index, 1..30 the secondary indexes in creation order,
//                   31 "Sys Deleted", 32 unused
//   3974   4        record count: records in use in the table
//   3978   1        no primary index: 1 when the primary index has no fields
//   3979   1        modified marker: 1 when the header was written because it changed
//   3980   116      reserved, zero
// Pages follow from offset 4096 (index_page.h); a page is known by its file
// offset. Freed pages form a list per index through their next links.
//
// "Sys Deleted" holds one key per record slot of the data file: status byte
// (0 in use, 1 deleted) and record ID, pointing at the record number.
//
// Errors name the data file (SetDataFileName) as {file}: 8965 for a page that
// is not sound or cannot be cached, 9217 for a truncated page read on a shared
// file, 8961 for a corrupt header, 12035 for a wrong version, 12036 for a
// compressed index, 9479 when the file would pass 2000000000 bytes.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "engine/records/field_descriptor.h"
#include "engine/files/file_handler.h"
#include "engine/index/index_descriptor.h"
#include "engine/index/page_cache.h"

namespace larch {

constexpr uint32_t kIndexHeaderSize = 4096;
constexpr uint8_t kIndexFileVersion = 3;
// Page offsets above this raise 9479, keeping the file below 2 GB.
constexpr uint32_t kMaxPageOffset = 2000000000u;
// Deeper trees than this are taken for a cycle of page links.
constexpr int kMaxTreeDepth = 64;

class TIndexFile : public TFileHandler {
public:
    TIndexFile();
    ~TIndexFile() override;

    std::string MakeFileName(const std::string& name) const override;  // MakeTableFileName(name, ".IDX")
    // Pages this user holds unchanged since they were read or written come
    // from memory.
    std::size_t ReadOriginal(int64_t offset, void* buffer, std::size_t count) override;

    // Writes a fresh file: a header all zero but version 3, next page offset
    // 4096, `primary` in slot 0 (no fields: the no-primary-index flag),
    // `secondaries` in slots 1.., "Sys Deleted" in slot 31 and the modified
    // marker; no pages. The file stays open with the primary index selected.
    // 10031 when open, 10253 when not exclusive, 9487 for more than 30
    // secondary indexes or more than 16 fields, 10026 for a key length of 0 or
    // above 1036, 12036 for a compression other than 0.
    void Create(const IndexDescriptor& primary, const std::vector<IndexDescriptor>& secondaries);
    // A file with no primary index and no secondary indexes.
    void Create() override;
    // Reads and checks the header and selects the primary index; nothing when
    // already open. 12035 on a version other than 3; 12036 for an index
    // declaring compression 1 to 3; 8961 for a header that is short or holds
    // impossible values (more than 30 secondary indexes, a used slot with key
    // length 0 or above 1036 or more than 16 fields, root or free offsets that
    // are not pages below the next page offset), and, when fields are set, for
    // an index whose fields or key length do not match them.
    void Open() override;
    // Writes the dirty pages and the header (unless read-only), drops the
    // caches, range and cursor, and closes the file. The file is closed even
    // when writing fails; the error is raised afterwards.
    void Close() override;

    // The table's field descriptors, used to check the indexes at open; the
    // vector must outlive the open file. Checked at once when open (8961).
    void SetFields(const std::vector<FieldDescriptor>* fields);
    void SetDataFileName(const std::string& path);
    // Inside a transaction short page reads are allowed and a full cache grows.
    void SetInTransaction(bool value) { m_inTransaction = value; }
    // During a batch of writes every index keeps up to this many changed
    // pages in its cache, so that each is written once at the end (0: off).
    void SetBatchPages(std::size_t pages) {
        m_batchPages = pages;
        for (TPageCache& cache : m_caches) cache.SetKeepDirtyUpTo(pages);
    }

    // Header.
    uint32_t ChangeCount() const { return m_changeCount; }
    uint32_t RecordCount() const { return m_recordCount; }
    void SetRecordCount(uint32_t count);
    uint32_t NextPageOffset() const { return m_nextPageOffset; }
    int SecondaryCount() const { return m_secondaryCount; }
    bool NoPrimaryIndex() const { return m_noPrimaryIndex; }
    const IndexDescriptor& Descriptor(int slot) const;
    // Whether `slot` holds an index: the primary (when it has fields), the
    // secondary slots in use, and "Sys Deleted".
    bool SlotUsed(int slot) const;
    int FindIndex(const std::string& name) const;  // ignoring case; "" is the primary (0); -1 unknown
    std::string IndexDisplayName(int slot) const;  // "Primary" for slot 0

    // Tree operations on any used slot (10022 for another). Changes raise
    // 11013 on a read-only file and 11014 on a closed one. They keep the
    // cursor's logical place: the current key is looked up again afterwards,
    // and a deleted current key leaves the cursor between its neighbours.
    // InsertKey raises 9479, changing nothing, when the pages its splits
    // need would lie beyond 2000000000 bytes.
    void InsertKey(int slot, const uint8_t* key, uint32_t recordNumber);
    // 8708 naming the index when the key is missing; nothing changes then.
    void DeleteKey(int slot, const uint8_t* key);
    // Delete, then insert; 8708 when the old key is missing.
    void ReplaceKey(int slot, const uint8_t* oldKey, const uint8_t* newKey, uint32_t recordNumber);
    bool FindExact(int slot, const uint8_t* key, uint32_t* recordNumber = nullptr);
    // 9729 naming the index when the key is present.
    void CheckDuplicate(int slot, const uint8_t* key);
    // Keys in the index.
    uint32_t KeyCount(int slot);
    // Levels of the tree: 0 when empty, 1 for a root leaf.
    int TreeDepth(int slot);

    // The cursor on the active index. Selecting an index cancels the range
    // and puts the cursor before the first key. Open and Create select the
    // primary index without reading a page: until the first navigation the
    // range positions are 1 and the header's record count.
    void SelectIndex(int slot);
    int ActiveSlot() const { return m_activeSlot; }
    // First, Last: the first or last visible key of the range; false (Bof and
    // Eof, no current key) when there is none. Next, Prior: one visible key
    // on; at the end they return false, set Eof or Bof and stay where they
    // were. Next before the first key is First, Prior after the last is Last.
    bool First();
    bool Last();
    bool Next();
    bool Prior();
    // The first visible key >= `key` compared over `prefixLength` bytes,
    // within the range (a key before the range gives its first key). When
    // there is none, the cursor goes to the last visible key with Eof set and
    // false is returned; with no visible key at all the cursor is empty.
    bool FindNearest(const uint8_t* key, size_t prefixLength);
    // The n-th key of the range (1-based), regardless of the filter; false
    // (cursor unchanged) when there is no such key.
    bool GoToPosition(uint32_t n);
    // The exact full key (a bookmark) within the range, regardless of the
    // filter; false (cursor unchanged) when it is gone.
    bool FindKey(const uint8_t* fullKey);
    bool Bof() const { return m_cursor.bof; }
    bool Eof() const { return m_cursor.eof; }
    bool HasCurrent() const { return m_cursor.onKey; }
    // After the current key was deleted the cursor stands between its
    // neighbours: Next and Prior move to them, but there is no key to read.
    bool InGap() const { return m_cursor.onKey && m_cursor.gap; }
    // 1-based position of the current key in the whole index; 0 without one.
    uint32_t Position() const;
    uint32_t CurrentRecordNumber() const;
    const uint8_t* CurrentKey() const;  // nullptr without a current key

    // Range over full keys of the active index (copied). A start above the
    // end gives an empty range. Puts the cursor before the first key.
    void SetRange(const uint8_t* startKey, const uint8_t* endKey);
    // Back to the whole index; the current key stays current.
    void CancelRange();
    bool HasRange() const { return m_hasRange; }
    // Positions of the first and last key of the range (without a range 1
    // and the key count); 0 when there is no such key.
    uint32_t RangeFirst() const;
    uint32_t RangeLast() const;
    // Position - RangeFirst + 1 of the current key; 0 without one.
    uint32_t RecNo() const;
    // RangeLast - RangeFirst + 1; 0 when the range is empty.
    uint32_t RangeCount() const;

    // Records in use, from "Sys Deleted": bit n-1 of byte (n-1)/8 for record
    // n, (nextRecordNumber - 1) / 8 + 1 bytes. Record numbers outside
    // [1, nextRecordNumber) are ignored.
    std::vector<uint8_t> InUseBitmap(uint32_t nextRecordNumber);
    // When set, First, Last, Next, Prior and FindNearest skip keys whose
    // record's bit is clear (or lies beyond the bitmap). nullptr switches it
    // off. The bitmap is owned by the caller and must outlive its use.
    void SetFilterBitmap(const std::vector<uint8_t>* bitmap) { m_filter = bitmap; }

    // Read-only scans for filter record sets (index_scan.cpp); 10022 for a
    // slot that holds no index. Keys of `slot` below / at or below a full key.
    uint32_t CountKeysBelow(int slot, const uint8_t* key);
    uint32_t CountKeysUpTo(int slot, const uint8_t* key);
    // Calls `visit` with the record number of every key at the positions
    // first..last (1-based, clipped to the index) of `slot`, in key order.
    void ForEachRecordAt(int slot, uint32_t first, uint32_t last, const std::function<void(uint32_t)>& visit);
    // The active index's range ends (the whole index: all 0x00 and all 0xFF).
    const std::vector<uint8_t>& RangeStartKey() const { return m_rangeStart; }
    const std::vector<uint8_t>& RangeEndKey() const { return m_rangeEnd; }

    // Writes the dirty pages of every index sorted by offset, one write per
    // run of consecutive offsets, then the header when it changed; writing
    // any page counts as a change, and `forceHeader` writes the header anyway.
    void FlushPages(bool forceHeader = false);
    // Writes the header, change count + 1, when it changed or `force`.
    void WriteHeader(bool force);
    // Truncates the file to its header, empties every index, sets the record
    // count to 0 and the next page offset to 4096, drops every cached page
    // and marks the header changed. 11013 when read-only.
    void Empty();
    // Reads the change count on disk; when it differs from the one in memory
    // re-reads the header, drops every cached page (dirty ones too) and finds
    // the range and the current key again. Returns whether it differed.
    bool CheckChangeCount();
    // Drops every cached page, dirty ones too, and finds the current key again.
    void DropCaches();
    // Reads the header again and drops every cached page (after a rollback
    // put the file back).
    void Reload();
    // Forgets every unwritten change (pages and header), reading nothing: a
    // close after a rollback writes nothing.
    void Discard();
    // Offsets and lengths of what FlushPages and WriteHeader(force) would write.
    std::vector<std::pair<int64_t, std::size_t>> PendingRegions(bool force) const;

    // Integrity check of one index: one line per problem, empty when sound.
    // Covers page types, entry counts (at least half the capacity below the
    // root), key order, subtree counts, parent keys equal to their child's
    // lowest key, neighbour links on every level, leaves all at one depth,
    // pages used twice, and the free page list (valid pages, no cycle, none
    // in the tree, zero entries).
    std::vector<std::string> Verify(int slot);

    // Number of pages currently cached for `slot` (for tests).
    std::size_t CachedPages(int slot) const { return m_caches[slot].Size(); }

    // Restructuring (index_restructure.cpp). Both need the file open,
    // exclusive (10253) and writable (11013).
    // Overwrites the name and field numbers of the index in `slot` (its key
    // layout stays) and marks the header changed.
    void OverwriteAttributes(int slot, const IndexDescriptor& from);
    // Gives the file new indexes: `indexes[0]` the primary index (no fields:
    // none), the others the secondary indexes (more than 30: 9487).
    // `sources[i]` is the used slot whose tree index i keeps, or -1 for an
    // index that starts empty. The trees and free pages of the old slots not
    // kept (and of "Sys Deleted" with `clearSysDeleted`) go to the free list
    // of the first index that starts empty, else of "Sys Deleted"; a tree that
    // cannot be read whole is left as it is (its pages are not reused). Dirty
    // pages are written first; the primary index is selected afterwards.
    // Returns the slots that start empty, "Sys Deleted" among them when it
    // was cleared and the table keeps a primary index.
    std::vector<int> ReplaceIndexes(const std::vector<IndexDescriptor>& indexes, const std::vector<int>& sources,
                                    bool clearSysDeleted);

private:
    // What a page read must be, checked on every fetch.
    enum class Expect { Any, Root, Child, Leaf, TreeLeaf, Free };
    // One step of a descent: the interior page and the entry taken.
    struct PathStep {
        uint32_t page;
        int entry;
    };
    // A key's place: leaf page, entry index, 1-based position in the index.
    // A leaf of 0 is the place after the last key.
    struct Location {
        uint32_t leaf = 0;
        int index = 0;
        uint32_t position = 0;
    };
    struct Cursor {
        bool onKey = false;  // holds a current key
        bool gap = false;    // the current key has left the index; `at` is the key after it
        bool bof = true;
        bool eof = false;
        std::vector<uint8_t> key;
        uint32_t recordNumber = 0;
        Location at;
    };

    // Header (index_file.cpp).
    std::string ErrorFile() const;
    [[noreturn]] void RaiseCorruptPage() const;
    void ReadHeader();
    void EncodeHeader();
    void CheckFieldsMatch() const;
    void ResetState();
    void SelectPrimaryFromHeader();
    void CheckSlot(int slot) const;
    void CheckWritable() const;
    uint16_t KeyLengthOf(int slot) const { return m_descriptors[slot].keyLength; }
    void SetRoot(int slot, uint32_t page);

    // Pages (index_pages.cpp).
    PageRef GetPage(int slot, uint32_t offset, Expect expect);
    std::unique_ptr<TPage> ReadPage(int slot, uint32_t offset);
    void WritePage(TPage& page);
    // Whether pages keep their bytes on disk (TPage::original): a shared
    // writer outside a batch, whose every write journals the pages it
    // changes (a batch journals its many pages once, read from the file).
    bool KeepsOriginals() const;
    PageRef NewPage(int slot);
    void FreePage(int slot, TPage& page);
    uint64_t MaxKeys(int slot) const;
    void DiscardPages();

    // Descents and steps (index_search.cpp).
    uint32_t Descend(int slot, const uint8_t* key, bool upper, std::vector<PathStep>* path, uint64_t* before);
    bool FindExactAt(int slot, const uint8_t* key, Location* at, uint32_t* recordNumber);
    uint32_t CountLess(int slot, const uint8_t* key, Location* at);
    uint32_t CountLessOrEqual(int slot, const uint8_t* key);
    Location LocateByPosition(int slot, uint32_t position);
    bool StepNext(int slot, Location& at);
    bool StepPrior(int slot, Location& at);
    void ReadEntry(int slot, const Location& at, std::vector<uint8_t>* key, uint32_t* recordNumber);
    uint32_t RecordAt(int slot, const Location& at);

    // Changes (index_tree.cpp).
    void InsertIntoTree(int slot, const uint8_t* key, uint32_t recordNumber);
    void CheckRoomForPages(int slot, int needed);
    void RemoveFromTree(int slot, const uint8_t* key);
    void SplitUpward(int slot, const std::vector<PathStep>& path, PageRef page);
    void Rebalance(int slot, const std::vector<PathStep>& path, PageRef page);
    void CopyLowestKeyUp(int slot, const std::vector<PathStep>& path, std::size_t level, const uint8_t* key);
    void Unlink(int slot, TPage& page);
    void AfterTreeChange(int slot);

    // Integrity check (index_verify.cpp).
    struct VerifyState;
    bool VerifyPage(int slot, uint32_t offset, int depth, const uint8_t* parentKey, bool hasSiblings,
                    VerifyState& state, uint64_t* keys);
    void VerifyLevels(int slot, VerifyState& state);
    void VerifyFreeList(int slot, VerifyState& state);

    // Cursor (index_cursor.cpp).
    bool Passes(uint32_t recordNumber) const;
    void SetCurrent(const Location& at);
    void SetEmpty();
    void RecomputeRange();
    void EnsureCounts() {
        if (!m_countsKnown) RecomputeRange();
    }
    void RefindCurrent();
    bool ScanForward(Location at, uint32_t last, Location* found);
    bool ScanBackward(Location at, uint32_t first, Location* found);

    std::array<uint8_t, kIndexHeaderSize> m_header{};
    uint32_t m_changeCount = 0;
    uint32_t m_nextPageOffset = kPageSize;
    uint32_t m_recordCount = 0;
    int m_secondaryCount = 0;
    bool m_noPrimaryIndex = false;
    bool m_headerChanged = false;
    std::array<IndexDescriptor, kIndexSlots> m_descriptors{};
    std::array<TPageCache, kIndexSlots> m_caches{};

    const std::vector<FieldDescriptor>* m_fields = nullptr;
    std::string m_dataFileName;
    bool m_inTransaction = false;
    std::size_t m_batchPages = 0;

    int m_activeSlot = kPrimarySlot;
    Cursor m_cursor;
    uint32_t m_keyCount = 0;  // keys of the active index
    bool m_countsKnown = false;  // m_keyCount and the range positions come from the tree
    bool m_hasRange = false;
    std::vector<uint8_t> m_rangeStart, m_rangeEnd;
    uint32_t m_rangeFirst = 0, m_rangeLast = 0;
    const std::vector<uint8_t>* m_filter = nullptr;
};

}  // namespace larch
