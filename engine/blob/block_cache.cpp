// The blob file's block cache: lookup, LRU reuse and the dirty list.
#include "engine/blob/block_cache.h"

#include <algorithm>

namespace larch {

void TBlockCache::Configure(std::size_t blockSize, std::size_t capacity) {
    Clear();
    m_blockSize = blockSize;
    m_capacity = capacity == 0 ? 1 : capacity;
}

TBlock* TBlockCache::Find(uint32_t offset) {
    auto found = m_index.find(offset);
    if (found == m_index.end()) return nullptr;
    m_entries.splice(m_entries.begin(), m_entries, found->second);
    return &*found->second;
}

bool TBlockCache::HasRoom() const {
    if (m_entries.size() < m_capacity) return true;
    return std::any_of(m_entries.begin(), m_entries.end(),
                       [](const TBlock& b) { return !b.dirty && b.pins == 0; });
}

TBlock* TBlockCache::Add(uint32_t offset) {
    if (m_entries.size() < m_capacity) {
        m_entries.emplace_front();
    } else {
        auto victim = m_entries.end();
        for (auto it = m_entries.end(); it != m_entries.begin();) {
            --it;
            if (!it->dirty && it->pins == 0) {
                victim = it;
                break;
            }
        }
        if (victim == m_entries.end()) return nullptr;
        m_index.erase(victim->offset);
        m_entries.splice(m_entries.begin(), m_entries, victim);
    }
    TBlock& entry = m_entries.front();
    entry.offset = offset;
    entry.bytes.assign(m_blockSize, 0);
    entry.dirty = false;
    entry.pins = 0;
    m_index[offset] = m_entries.begin();
    return &entry;
}

void TBlockCache::Remove(uint32_t offset) {
    auto found = m_index.find(offset);
    if (found == m_index.end()) return;
    m_entries.erase(found->second);
    m_index.erase(found);
}

void TBlockCache::Clear() {
    m_entries.clear();
    m_index.clear();
}

std::vector<TBlock*> TBlockCache::DirtyBlocks() {
    std::vector<TBlock*> dirty;
    for (TBlock& b : m_entries) {
        if (b.dirty) dirty.push_back(&b);
    }
    std::sort(dirty.begin(), dirty.end(), [](const TBlock* a, const TBlock* b) { return a->offset < b->offset; });
    return dirty;
}

}  // namespace larch
