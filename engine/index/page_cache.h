// The page cache of one index: the most recently used pages first, with pin
// counts, and PageRef, the handle that keeps a page pinned while it is used.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <list>
#include <memory>
#include <unordered_map>
#include <vector>

#include "engine/index/index_page.h"

namespace larch {

constexpr int kMaxPagePins = 64;

class TPageCache {
public:
    static constexpr std::size_t kInitialCapacity = 31;
    static constexpr std::size_t kGrowth = 64;

    // The cached page at `offset`, made the most recently used; nullptr when
    // it is not cached.
    TPage* Find(uint32_t offset);

    // Puts `page` (not cached yet) in front. A full cache first gives up one
    // of its least recently used clean, unpinned pages; failing that, its
    // least recently used dirty, unpinned page, which is handed to
    // `writeBack` before it goes; failing that it grows by kGrowth pages
    // when `mayGrow`.
    // Returns nullptr (and keeps nothing) when no room can be made.
    TPage* Insert(std::unique_ptr<TPage> page, const std::function<void(TPage&)>& writeBack, bool mayGrow);

    // Up to this many pages a full cache grows rather than write a dirty page
    // back before its time (a batch of writes keeps its changed pages and
    // writes each once, at the batch's end). 0: never.
    void SetKeepDirtyUpTo(std::size_t pages) { m_keepDirtyUpTo = pages; }

    // Drops every page, dirty ones included, and returns to the initial capacity.
    void Clear();
    std::vector<TPage*> DirtyPages() const;

    std::size_t Size() const { return m_pages.size(); }
    std::size_t Capacity() const { return m_capacity; }

private:
    // Removes an unpinned page, preferring a clean one among the least
    // recently used; returns whether one was found.
    bool Evict(const std::function<void(TPage&)>& writeBack);

    using PageList = std::list<std::unique_ptr<TPage>>;
    PageList m_pages;  // most recently used first
    std::unordered_map<uint32_t, PageList::iterator> m_byOffset;
    std::size_t m_capacity = kInitialCapacity;
    std::size_t m_keepDirtyUpTo = 0;
};

// Pins a page for as long as the handle lives. The caller checks the pin
// limit (kMaxPagePins) before making one.
class PageRef {
public:
    PageRef() = default;
    explicit PageRef(TPage* page) : m_page(page) { ++m_page->pins; }
    ~PageRef() { Release(); }
    PageRef(PageRef&& other) noexcept : m_page(other.m_page) { other.m_page = nullptr; }
    PageRef& operator=(PageRef&& other) noexcept {
        if (this != &other) {
            Release();
            m_page = other.m_page;
            other.m_page = nullptr;
        }
        return *this;
    }
    PageRef(const PageRef&) = delete;
    PageRef& operator=(const PageRef&) = delete;

    TPage* operator->() const { return m_page; }
    TPage& operator*() const { return *m_page; }
    TPage* get() const { return m_page; }
    explicit operator bool() const { return m_page != nullptr; }
    void Release() {
        if (m_page != nullptr) --m_page->pins;
        m_page = nullptr;
    }

private:
    TPage* m_page = nullptr;
};

}  // namespace larch
