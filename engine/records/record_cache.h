// The record cache of a data file: TRecord entries, most recently used first.
#pragma once

#include <cstdint>
#include <functional>
#include <list>
#include <memory>
#include <unordered_map>
#include <vector>

namespace larch {

// One cached record of a data file.
struct TRecord {
    uint32_t number = 0;
    std::vector<uint8_t> image;  // record size plus the computed area
    bool dirty = false;          // changed and not written: set by TRecordCache::MarkDirty
    bool listed = false;         // in the cache's list of dirty entries
    int pins = 0;                // operations using the entry, at most kMaxPins
    bool runMark = false;        // set while a read run is being placed
    bool computedDone = false;
};

constexpr int kMaxPins = 64;

// Entries live until dropped; eviction takes the least recently used entry
// that is neither dirty, pinned nor marked. The cache never writes: when it
// finds nothing to evict it asks its owner to flush (the callback) and looks
// again, and reports failure when still nothing can go.
class TRecordCache {
public:
    void SetCapacity(std::size_t entries) { m_capacity = entries; }
    std::size_t Capacity() const { return m_capacity; }
    std::size_t Size() const { return m_order.size(); }
    void SetImageSize(std::size_t bytes) { m_imageSize = bytes; }

    // The entry of record `number`, moved to the front; null when not cached.
    TRecord* Find(uint32_t number);
    // Whether record `number` is cached, without touching the order.
    bool Contains(uint32_t number) const { return m_index.count(number) != 0; }
    // A zeroed entry for record `number` at the front, evicting when full.
    // `flush` is called once when nothing can be evicted. Null when still full.
    TRecord* Take(uint32_t number, const std::function<void()>& flush);
    // The entry now differs from the file. The cache lists its dirty
    // entries, so that finding them costs what they number, not the cache.
    void MarkDirty(TRecord* entry);
    // Dirty entries that may be written now, sorted by record number; with
    // `includePinned` (at close) also those still pinned.
    std::vector<TRecord*> WritableDirty(bool includePinned = false);
    void DropAll();

private:
    TRecord* Evictable();

    std::size_t m_capacity = 1;
    std::size_t m_imageSize = 0;
    std::list<std::unique_ptr<TRecord>> m_order;  // most recently used first
    std::unordered_map<uint32_t, std::list<std::unique_ptr<TRecord>>::iterator> m_index;
    // Every dirty entry, and entries written since the last WritableDirty
    // (their flag cleared) until it drops them.
    std::vector<TRecord*> m_dirty;
};

}  // namespace larch
