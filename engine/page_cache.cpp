// Least-recently-used page cache of one index.
#include "engine/page_cache.h"

namespace larch {

TPage* TPageCache::Find(uint32_t offset) {
    auto found = m_byOffset.find(offset);
    if (found == m_byOffset.end()) return nullptr;
    m_pages.splice(m_pages.begin(), m_pages, found->second);
    return m_pages.front().get();
}

bool TPageCache::Evict(bool dirty, const std::function<void(TPage&)>& writeBack) {
    for (auto it = m_pages.end(); it != m_pages.begin();) {
        --it;
        TPage& page = **it;
        if (page.pins > 0 || page.dirty != dirty) continue;
        if (dirty) {
            writeBack(page);
            page.dirty = false;
        }
        m_byOffset.erase(page.Offset());
        m_pages.erase(it);
        return true;
    }
    return false;
}

TPage* TPageCache::Insert(std::unique_ptr<TPage> page, const std::function<void(TPage&)>& writeBack,
                          bool mayGrow) {
    if (m_pages.size() >= m_capacity && !Evict(false, writeBack) && !Evict(true, writeBack)) {
        if (!mayGrow) return nullptr;
        m_capacity += kGrowth;
    }
    uint32_t offset = page->Offset();
    m_pages.push_front(std::move(page));
    m_byOffset[offset] = m_pages.begin();
    return m_pages.front().get();
}

void TPageCache::Clear() {
    m_byOffset.clear();
    m_pages.clear();
    m_capacity = kInitialCapacity;
}

std::vector<TPage*> TPageCache::DirtyPages() const {
    std::vector<TPage*> dirty;
    for (const auto& page : m_pages) {
        if (page->dirty) dirty.push_back(page.get());
    }
    return dirty;
}

}  // namespace larch
