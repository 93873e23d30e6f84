// Least-recently-used page cache of one index.
#include "engine/index/page_cache.h"

namespace larch {

TPage* TPageCache::Find(uint32_t offset) {
    auto found = m_byOffset.find(offset);
    if (found == m_byOffset.end()) return nullptr;
    m_pages.splice(m_pages.begin(), m_pages, found->second);
    return m_pages.front().get();
}

bool TPageCache::Evict(const std::function<void(TPage&)>& writeBack) {
    // From the least recently used end: a clean page among the first few
    // unpinned ones goes as it is; failing that the oldest dirty one is
    // written back. Looking no further keeps this constant per insertion
    // when the cache is full of changed pages.
    constexpr int kCleanLookahead = 16;
    PageList::iterator dirty = m_pages.end();
    int looked = 0;
    for (auto it = m_pages.end(); it != m_pages.begin() && looked < kCleanLookahead;) {
        --it;
        TPage& page = **it;
        if (page.pins > 0) continue;
        ++looked;
        if (!page.dirty) {
            m_byOffset.erase(page.Offset());
            m_pages.erase(it);
            return true;
        }
        if (dirty == m_pages.end()) dirty = it;
    }
    if (dirty == m_pages.end()) return false;  // every page is pinned
    TPage& page = **dirty;
    if (page.dirty) {
        writeBack(page);
        page.dirty = false;
    }
    m_byOffset.erase(page.Offset());
    m_pages.erase(dirty);
    return true;
}

TPage* TPageCache::Insert(std::unique_ptr<TPage> page, const std::function<void(TPage&)>& writeBack,
                          bool mayGrow) {
    if (m_pages.size() >= m_capacity) {
        if (m_capacity < m_keepDirtyUpTo) {
            m_capacity += kGrowth;
        } else if (!Evict(writeBack)) {
            if (!mayGrow) return nullptr;
            m_capacity += kGrowth;
        }
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
