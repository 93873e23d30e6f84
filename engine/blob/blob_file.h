// TBlobFile: the table's blob file (".BLB"), chains of fixed-size blocks
// holding the values of the blob fields, with its block cache and the open
// blobs of the current record.
//
// File layout: a 512-byte header at offset 0, then blocks of b bytes (b is the
// data header's blob block size, at least 64) at 512, 512 + b, 512 + 2b, ...
// A block is named by its file offset. All integers are little-endian.
//
// Header (512 bytes):
//   offset width field
//   0      4     change count: +1 at every header write, compared by other users
//   4      4     reserved, zero
//   8      1     format version, always 3
//   9      4     free block head: first block of the free list, 0 when none
//   13     4     next block offset: where the next new block goes (the file's
//                length); 512 in a new file
//   17     1     modified marker: 1 when written because it changed, 0 when
//                forced without a change; readers ignore it
//   18     494   reserved, zero
//
// Block (b bytes):
//   offset width field
//   0      4     previous block of the same blob, 0 for the first
//   4      4     next block of the same blob, 0 for the last; in a free block,
//                the next free block
//   8      2     bytes used: blob bytes in this block, at most b - 18
//   10     4     owner record: record number of the record owning the blob
//   14     4     blob length: the blob's total length in its first block, else 0
//   18     b-18  data, unused bytes zero
//
// A blob of length L occupies ceil(L / (b - 18)) blocks; an empty blob has no
// blocks and its field holds 0. Freed blocks go to the head of the free list
// and are taken again before the file grows.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "engine/blob/blob_buffer.h"
#include "engine/blob/block_cache.h"
#include "engine/records/field_descriptor.h"
#include "engine/files/file_handler.h"

namespace larch {

constexpr uint32_t kBlobHeaderSize = 512;
constexpr uint8_t kBlobFileVersion = 3;
constexpr uint32_t kMinBlobBlockSize = 64;
// Bytes used is 16 bits, so the data area can hold at most 65535 bytes.
constexpr uint32_t kMaxBlobBlockSize = 65535 + block::HeaderSize;
constexpr std::size_t kMaxOpenBlobs = 64;
// A new block may not start above this offset (9479).
constexpr uint32_t kMaxBlockOffset = 2000000000;
// Upper bounds of one read run and of the whole cache, in bytes.
constexpr uint32_t kMaxRunBytes = 65535;
constexpr uint32_t kCacheBytes = 262140;
constexpr uint32_t kMaxCacheBlocks = 4096;

// Every error names the blob file's own path. Every offset and length read
// from the file is checked before it is used: a bad link, a loop or a foreign
// owner raises 8963 and leaves the file unchanged.
class TBlobFile : public TFileHandler {
public:
    TBlobFile();
    // Writes what is dirty (as Close), ignoring errors: call Close to see them.
    ~TBlobFile() override;

    // The name with the extension ".BLB" (see MakeTableFileName).
    std::string MakeFileName(const std::string& name) const override;

    // Block size from the data header; set before Create or Open. 9498 below
    // 64 or above 65553 bytes; 10031 while open.
    void SetBlockSize(uint32_t bytes);
    uint32_t BlockSize() const { return m_blockSize; }
    uint32_t DataBytesPerBlock() const { return m_blockSize - block::HeaderSize; }
    std::size_t CacheCapacity() const { return m_cache.Capacity(); }

    // Creates the file with its header only (512 bytes, change count 1).
    // 10031 when open, 10253 when not exclusive.
    void Create() override;
    // Opens and reads the header. 12035 for a version other than 3; 8963 when
    // the next block offset is below 512 or not 512 + k*b, or the free block
    // head is not a block offset; 9217 for a header cut short. A failed open
    // leaves the file closed.
    void Open() override;
    // Writes the dirty blocks and the header (unless read-only), drops the
    // cache and the open blobs and closes. The file is closed even when the
    // writing fails; the error then propagates.
    void Close() override;

    uint32_t ChangeCount() const { return m_changeCount; }
    uint32_t FreeBlockHead() const { return m_freeHead; }
    uint32_t NextBlockOffset() const { return m_nextBlockOffset; }
    // True for 0 and for 512 + k*b below the next block offset.
    bool IsBlockOffset(uint32_t offset) const;

    // --- Open blobs of the current record (at most 64).

    // Opens the blob of `field` whose record holds `storedOffset`. When it is
    // already open, returns it (a Write open empties it). Errors: 10753 when
    // the field is not a blob field; 9998 when storedOffset is not a block
    // offset; 9494 for a 65th open blob. A stored value is read whole (Read,
    // ReadWrite) or only checked (Write). When its first block belongs to
    // another record, a Read open gives an empty value that is not tied to
    // that chain, other modes raise 8963. 8963 for a broken chain; 10029 for a
    // block claiming more than b - 18 bytes. When the chain ends before its
    // recorded length the blob is opened with the bytes found and 8711 raised.
    TBlobBuffer& OpenBlob(const FieldDescriptor& field, uint32_t storedOffset, uint32_t ownerRecord,
                          BlobMode mode);
    TBlobBuffer* FindOpenBlob(uint16_t fieldNumber);
    // 10030 when the field's blob is not open.
    TBlobBuffer& OpenedBlob(uint16_t fieldNumber);
    // Drops the open blob and its unposted changes; 10030 when not open.
    void CloseBlob(uint16_t fieldNumber);
    void DropOpenBlobs();
    std::size_t OpenBlobCount() const { return m_openBlobs.size(); }

    // At Post: writes every modified open blob as a blob of `ownerRecord` and
    // returns (field number, first block offset) of every open blob, 0 for an
    // empty one; then closes them all. An unmodified blob whose chain belongs
    // to another record is written as a new chain, so two records never share
    // one. 8963 when open blobs with stored chains carry different owners
    // (nothing is written then). On any error the blobs stay open; those
    // already written carry their new first block.
    std::vector<std::pair<uint16_t, uint32_t>> WriteOpenBlobs(uint32_t ownerRecord);

    // --- Whole values.

    // The value stored at `firstBlock` (0: empty). A chain of another record
    // reads as empty. 9998 when firstBlock is not a block offset, 8963 for a
    // broken chain, 8711 for one shorter than its recorded length, 10029 for
    // a block claiming more than b - 18 bytes.
    std::vector<uint8_t> ReadValue(uint32_t firstBlock, uint32_t ownerRecord);
    // Stores `data` for `ownerRecord`, reusing the chain at `firstBlock` in
    // place, freeing what a shorter value leaves over and taking new blocks
    // from the free list before growing the file. Returns the first block, 0
    // when length is 0 (the old chain is freed). 9998, 8963 (old chain or free
    // list broken, file unchanged), 9479 past the size limit, 11013 read-only.
    uint32_t WriteValue(uint32_t firstBlock, uint32_t ownerRecord, const uint8_t* data, uint32_t length);
    // Puts the chain's blocks on the free list. 9998 when firstBlock is not a
    // block offset; 8963 for a bad link, a loop or a block of another record
    // (nothing is freed then).
    void FreeChain(uint32_t firstBlock, uint32_t ownerRecord);

    // --- Writing, emptying, change detection.

    // Writes the dirty blocks sorted by offset, one write per run of
    // consecutive blocks, then the header when it changed or `forceHeader`.
    void FlushBlocks(bool forceHeader = false);
    // Writes the header (change count + 1) when it changed or `force` is set.
    void WriteHeader(bool force);
    // Truncates the file to its header, empties the free list, drops the cache
    // and the open blobs and writes the header. 10253 unless exclusive, 11013
    // when read-only.
    void Empty();
    // Reads the change count on disk; when it differs from the one in memory,
    // re-reads the header and drops the cache (dirty blocks too). True when it
    // differed.
    bool CheckChangeCount();
    // Drops every cached block, dirty ones too.
    void DropCaches();

    // Checks the file against the chains in use, given as (first block, owner
    // record). Reports blocks out of range, loops, foreign owners, wrong back
    // links or lengths, blocks used twice, an unsound free list and blocks
    // that are neither used nor free (leaked). Empty when sound. Reads through
    // the cache; raises nothing for bad bytes on disk.
    std::vector<std::string> Verify(const std::vector<std::pair<uint32_t, uint32_t>>& chainsInUse);

    // Reads the header again and drops the block cache and the open blobs
    // (after a rollback put the file back).
    void Reload();
    // Forgets every unwritten change, reading nothing.
    void Discard();
    // Offsets and lengths of what FlushBlocks and WriteHeader(force) would write.
    std::vector<std::pair<int64_t, std::size_t>> PendingRegions(bool force);

private:
    enum class ChainRead { Complete, ForeignOwner, LengthMismatch };

    void ReadHeader();
    [[noreturn]] void Raise(int code, const std::string& field = {}) const;
    void CheckWritable() const;
    void CheckStoredOffset(uint32_t offset) const;
    bool IsBlockInFile(uint32_t offset) const { return offset != 0 && IsBlockOffset(offset); }
    uint32_t BlocksFor(uint64_t bytes) const;

    // The block at `offset` from the cache or the file. A missing block is
    // read with up to `runHint` - 1 following blocks in one read. The offset
    // must satisfy IsBlockInFile.
    TBlock& FetchBlock(uint32_t offset, uint32_t runHint);
    // A cache entry for a block that is about to be overwritten whole.
    TBlock& BlockForOverwrite(uint32_t offset);
    // A free cache entry, writing dirty blocks first when needed (8963 when
    // every entry is pinned).
    TBlock& TakeEntry(uint32_t offset);
    void CheckPin(const TBlock& b) const;
    // FetchBlock for Verify: nullptr instead of an error when the block is
    // out of range or cannot be read.
    const TBlock* PeekBlock(uint32_t offset);
    void WriteDirtyBlocks();

    // Copies one block's data area; 10029 when count exceeds b - 18.
    void CopyFromBlock(const TBlock& b, uint32_t count, std::vector<uint8_t>& out) const;
    void FillBlock(TBlock& b, const uint8_t* data, uint32_t count) const;

    // Reads the chain into `value`. Read opens take a foreign first block as
    // empty (ForeignOwner), other callers get 8963 for it.
    ChainRead ReadChain(uint32_t firstBlock, uint32_t owner, bool foreignIsEmpty, std::vector<uint8_t>& value);
    // The offsets of the chain, checking every link and owner (8963).
    std::vector<uint32_t> CollectChain(uint32_t firstBlock, uint32_t owner);
    // Plans and takes `count` new blocks: free list first, then the end.
    std::vector<uint32_t> TakeNewBlocks(std::size_t count);
    void FreeBlocks(const std::vector<uint32_t>& offsets);

    uint32_t m_blockSize = 512;
    TBlockCache m_cache;
    uint32_t m_changeCount = 0;
    uint32_t m_freeHead = 0;
    uint32_t m_nextBlockOffset = kBlobHeaderSize;
    bool m_headerChanged = false;
    bool m_blocksWritten = false;  // blocks written since the header last was
    std::vector<std::unique_ptr<TBlobBuffer>> m_openBlobs;
};

}  // namespace larch
