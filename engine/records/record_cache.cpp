// Least-recently-used cache of data file records.
#include "engine/records/record_cache.h"

#include <algorithm>

namespace larch {

TRecord* TRecordCache::Find(uint32_t number) {
    auto it = m_index.find(number);
    if (it == m_index.end()) return nullptr;
    m_order.splice(m_order.begin(), m_order, it->second);
    return m_order.front().get();
}

TRecord* TRecordCache::Evictable() {
    for (auto it = m_order.rbegin(); it != m_order.rend(); ++it) {
        TRecord* r = it->get();
        if (!r->dirty && r->pins == 0 && !r->runMark) return r;
    }
    return nullptr;
}

TRecord* TRecordCache::Take(uint32_t number, const std::function<void()>& flush) {
    std::unique_ptr<TRecord> entry;
    if (m_order.size() >= m_capacity) {
        TRecord* victim = Evictable();
        if (!victim && flush) {
            flush();
            victim = Evictable();
        }
        if (!victim) return nullptr;
        auto it = m_index.at(victim->number);
        // A written entry still listed must not stay in the list as another record.
        if (victim->listed) m_dirty.erase(std::find(m_dirty.begin(), m_dirty.end(), victim));
        entry = std::move(*it);
        m_order.erase(it);
        m_index.erase(victim->number);
    } else {
        entry = std::make_unique<TRecord>();
    }
    *entry = TRecord{};
    entry->number = number;
    entry->image.assign(m_imageSize, 0);
    m_order.push_front(std::move(entry));
    m_index[number] = m_order.begin();
    return m_order.front().get();
}

void TRecordCache::MarkDirty(TRecord* entry) {
    entry->dirty = true;
    if (entry->listed) return;
    entry->listed = true;
    m_dirty.push_back(entry);
}

std::vector<TRecord*> TRecordCache::WritableDirty(bool includePinned) {
    std::vector<TRecord*> out;
    std::size_t kept = 0;
    for (TRecord* entry : m_dirty) {
        if (!entry->dirty) {
            entry->listed = false;  // written since: off the list
            continue;
        }
        m_dirty[kept++] = entry;
        if ((entry->pins == 0 || includePinned) && !entry->runMark) out.push_back(entry);
    }
    m_dirty.resize(kept);
    std::sort(out.begin(), out.end(), [](const TRecord* a, const TRecord* b) { return a->number < b->number; });
    return out;
}

void TRecordCache::DropAll() {
    m_dirty.clear();
    m_order.clear();
    m_index.clear();
}

}  // namespace larch
