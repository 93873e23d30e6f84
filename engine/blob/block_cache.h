// TBlock and TBlockCache: the blob file's cache of whole blocks, least
// recently used first out, with dirty flags and pin counts.
#pragma once

#include <cstddef>
#include <cstdint>
#include <list>
#include <unordered_map>
#include <vector>

#include "engine/files/byte_order.h"

namespace larch {

// Byte positions of the 18-byte block header (see blob_file.h for the layout).
namespace block {
constexpr std::size_t Prev = 0;        // 4: previous block of the blob, 0 for the first
constexpr std::size_t Next = 4;        // 4: next block of the blob (or next free block), 0 at the end
constexpr std::size_t BytesUsed = 8;   // 2: blob bytes in this block
constexpr std::size_t Owner = 10;      // 4: record number of the owning record
constexpr std::size_t BlobLength = 14; // 4: total blob length in the first block, else 0
constexpr std::size_t Data = 18;       // the data area, block size - 18 bytes
constexpr std::size_t HeaderSize = 18;
}  // namespace block

// A block can be pinned by at most this many users at once.
constexpr uint16_t kMaxBlockPins = 64;

// One cached block: the whole block image as on disk.
struct TBlock {
    uint32_t offset = 0;
    std::vector<uint8_t> bytes;  // exactly the block size
    bool dirty = false;
    uint16_t pins = 0;

    uint32_t Prev() const { return GetU32(&bytes[block::Prev]); }
    uint32_t Next() const { return GetU32(&bytes[block::Next]); }
    uint16_t BytesUsed() const { return GetU16(&bytes[block::BytesUsed]); }
    uint32_t Owner() const { return GetU32(&bytes[block::Owner]); }
    uint32_t BlobLength() const { return GetU32(&bytes[block::BlobLength]); }
    const uint8_t* Data() const { return bytes.data() + block::Data; }
    uint8_t* Data() { return bytes.data() + block::Data; }

    void SetNext(uint32_t value) { PutU32(&bytes[block::Next], value); }
};

// The cache does no I/O: the blob file reads and writes the blocks. Entries
// stay at stable addresses until removed or evicted.
class TBlockCache {
public:
    TBlockCache() = default;

    // Sets the block size and the number of entries; drops every entry.
    void Configure(std::size_t blockSize, std::size_t capacity);
    std::size_t Capacity() const { return m_capacity; }
    std::size_t Count() const { return m_entries.size(); }

    // The cached block at `offset`, made most recently used; nullptr if absent.
    TBlock* Find(uint32_t offset);
    bool Contains(uint32_t offset) const { return m_index.count(offset) != 0; }

    // A new zeroed, clean entry for `offset` (which must not be cached), made
    // most recently used. When the cache is full the least recently used clean
    // and unpinned entry is reused; nullptr when there is none.
    TBlock* Add(uint32_t offset);

    // Whether Add would succeed without writing anything first.
    bool HasRoom() const;

    // Drops the entry of `offset`, if any.
    void Remove(uint32_t offset);
    // Drops every entry, dirty ones too.
    void Clear();

    // Dirty entries sorted by offset.
    std::vector<TBlock*> DirtyBlocks();

private:
    std::size_t m_blockSize = 0;
    std::size_t m_capacity = 0;
    std::list<TBlock> m_entries;  // most recently used first
    std::unordered_map<uint32_t, std::list<TBlock>::iterator> m_index;
};

// Holds a pin on a cached block for a scope, so that it is not evicted while
// more blocks are brought in. The blob file raises 8963 when a block already
// has kMaxBlockPins pins; this guard only counts.
class TBlockPin {
public:
    explicit TBlockPin(TBlock& block) : m_block(&block) { ++m_block->pins; }
    ~TBlockPin() { --m_block->pins; }
    TBlockPin(const TBlockPin&) = delete;
    TBlockPin& operator=(const TBlockPin&) = delete;

private:
    TBlock* m_block;
};

}  // namespace larch
