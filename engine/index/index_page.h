// One 4096-byte page of an index file (TPage): its header fields, its entries
// and their byte layout on disk.
//
// Page bytes (little-endian integers):
//   offset width field
//   0      1     page type: 0 root interior, 1 interior, 2 leaf, 3 root leaf
//   1      2     entry count
//   3      4     previous page on the same level; 0 for the first
//   7      4     next page on the same level; 0 for the last; in a freed page
//                the next freed page of the index
//   11     2     packed length of compressed leaves; 0 (no compression)
//   13     ...   the entries, packed
// Entries with key length k:
//   interior  key (k), child page offset (4), keys in the child's subtree (4)
//   leaf      key (k), record number (4)
// The key of an interior entry is the lowest key of its child. A page holds
// at most 4083 / (k + 10) interior or 4083 / (k + 6) leaf entries.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace larch {

constexpr uint32_t kPageSize = 4096;
constexpr uint32_t kPageHeaderSize = 13;
constexpr uint32_t kPageBodySize = kPageSize - kPageHeaderSize;  // 4083

namespace pagetype {
constexpr uint8_t RootInterior = 0;
constexpr uint8_t Interior = 1;
constexpr uint8_t Leaf = 2;
constexpr uint8_t RootLeaf = 3;
}  // namespace pagetype

inline int InteriorCapacity(uint16_t keyLength) { return static_cast<int>(kPageBodySize / (keyLength + 10u)); }
inline int LeafCapacity(uint16_t keyLength) { return static_cast<int>(kPageBodySize / (keyLength + 6u)); }

// A page in memory. Every entry is kept as key, pointer (child page or record
// number) and subtree count (1 for a leaf entry), so that interior and leaf
// pages share one layout; the count is not stored for leaves.
class TPage {
public:
    TPage(uint32_t offset, uint16_t keyLength);

    uint32_t Offset() const { return m_offset; }
    uint16_t KeyLength() const { return m_keyLength; }

    uint8_t type = pagetype::RootLeaf;
    uint32_t prev = 0;
    uint32_t next = 0;
    int pins = 0;
    bool dirty = false;
    // The page's bytes on disk, kept by a shared user from the read or write
    // that made them known (empty: not kept), so that the journal need not
    // read them again before the page is written.
    std::vector<uint8_t> original;

    bool IsLeaf() const { return type == pagetype::Leaf || type == pagetype::RootLeaf; }
    bool IsRoot() const { return type == pagetype::RootInterior || type == pagetype::RootLeaf; }
    int Capacity() const { return IsLeaf() ? LeafCapacity(m_keyLength) : InteriorCapacity(m_keyLength); }

    int Count() const { return static_cast<int>(m_entries.size() / Stride()); }
    const uint8_t* Key(int i) const { return Entry(i); }
    uint32_t Pointer(int i) const;
    uint32_t SubtreeCount(int i) const;
    // Keys in the subtree: the entry count of a leaf, the sum of the
    // subtree counts of an interior page.
    uint64_t Total() const;
    // Entries whose key is <= `key` (upper) or < `key` (lower), found by
    // binary search.
    int Bound(const uint8_t* key, bool upper) const;

    void SetKey(int i, const uint8_t* key);
    void SetPointer(int i, uint32_t value);
    void SetSubtreeCount(int i, uint32_t value);
    void Insert(int i, const uint8_t* key, uint32_t pointer, uint32_t count);
    void Remove(int i);
    void Clear() { m_entries.clear(); }
    // Moves entries [from, Count()) to the end of `to`.
    void MoveTailTo(int from, TPage& to);
    // Moves the first `n` entries to the end of `to`.
    void MoveHeadTo(int n, TPage& to);
    // Moves entries [from, Count()) to the front of `to`.
    void MoveTailToFront(int from, TPage& to);

    // The 4096 page bytes. Raises 8965 when the entries do not fit (a page
    // must be split before it is written).
    void Encode(uint8_t* out) const;

    // Reads and checks page bytes; returns nullptr when sound, else what is
    // wrong. `fileEnd` is the next page offset of the header: every page
    // offset lies in [4096, fileEnd). Checks the type, the entry count against
    // the capacity, the neighbour offsets, and for interior pages every child
    // offset and subtree count (each at least 1; their sum at most `maxKeys`).
    // Nothing outside the 4096 bytes is read.
    const char* Decode(const uint8_t* in, uint32_t fileEnd, uint64_t maxKeys);

private:
    std::size_t Stride() const { return m_keyLength + 8u; }
    uint8_t* Entry(int i) { return m_entries.data() + static_cast<std::size_t>(i) * Stride(); }
    const uint8_t* Entry(int i) const { return m_entries.data() + static_cast<std::size_t>(i) * Stride(); }

    uint32_t m_offset;
    uint16_t m_keyLength;
    std::vector<uint8_t> m_entries;
};

// Whether `offset` may be a page of a file whose next page offset is
// `fileEnd`: a non-zero multiple of 4096 below it.
inline bool IsPageOffset(uint32_t offset, uint32_t fileEnd) {
    return offset != 0 && offset % kPageSize == 0 && offset < fileEnd;
}

}  // namespace larch
