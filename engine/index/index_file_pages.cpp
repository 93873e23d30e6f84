// TIndexFile: fetching pages through the per-index caches with their checks,
// allocating and freeing pages.
#include <cstring>

#include "engine/files/byte_order.h"
#include "engine/files/engine_error.h"
#include "engine/index/index_file.h"

namespace larch {

uint64_t TIndexFile::MaxKeys(int slot) const {
    // No index can hold more keys than full leaves in every page of the file.
    return static_cast<uint64_t>(m_nextPageOffset / kPageSize) * LeafCapacity(KeyLengthOf(slot));
}

std::unique_ptr<TPage> TIndexFile::ReadPage(int slot, uint32_t offset) {
    uint8_t image[kPageSize];
    std::size_t got = ReadAt(offset, image, sizeof image, true);
    if (got < sizeof image) {
        if (!ShortReadsAllowed() && !m_inTransaction) RaiseEngineError(err::ReadError, ErrorFile());
        std::memset(image + got, 0, sizeof image - got);
    }
    auto page = std::make_unique<TPage>(offset, KeyLengthOf(slot));
    if (page->Decode(image, m_nextPageOffset, MaxKeys(slot)) != nullptr) RaiseCorruptPage();
    if (KeepsOriginals() && got == sizeof image) page->original.assign(image, image + sizeof image);
    return page;
}

void TIndexFile::WritePage(TPage& page) {
    if (page.Count() > page.Capacity()) RaiseCorruptPage();
    uint8_t image[kPageSize];
    page.Encode(image);
    WriteAt(page.Offset(), image, sizeof image);
    // A copy that is not renewed must not outlive the bytes it copied.
    if (KeepsOriginals()) page.original.assign(image, image + sizeof image);
    else page.original.clear();
}

bool TIndexFile::KeepsOriginals() const { return !Exclusive() && !ReadOnly() && m_batchPages == 0; }

std::size_t TIndexFile::ReadOriginal(int64_t offset, void* buffer, std::size_t count) {
    if (!KeepsOriginals()) return TFileHandler::ReadOriginal(offset, buffer, count);
    // Page by page: a cached page that knows its bytes on disk gives them,
    // anything else (the header, pages not cached) is read.
    auto* out = static_cast<uint8_t*>(buffer);
    std::size_t done = 0;
    while (done < count) {
        const int64_t at = offset + static_cast<int64_t>(done);
        const int64_t pageStart = at - at % static_cast<int64_t>(kPageSize);
        const std::size_t within = static_cast<std::size_t>(at - pageStart);
        const std::size_t piece = std::min(count - done, static_cast<std::size_t>(kPageSize) - within);
        const TPage* page = nullptr;
        if (pageStart >= static_cast<int64_t>(kPageSize) && pageStart <= static_cast<int64_t>(kMaxPageOffset)) {
            for (TPageCache& cache : m_caches) {
                if (cache.Size() != 0 && (page = cache.Find(static_cast<uint32_t>(pageStart))) != nullptr) break;
            }
        }
        if (page && page->original.size() == kPageSize) {
            std::memcpy(out + done, page->original.data() + within, piece);
            done += piece;
            continue;
        }
        const std::size_t got = ReadAt(at, out + done, piece, true);
        done += got;
        if (got < piece) break;
    }
    return done;
}

PageRef TIndexFile::GetPage(int slot, uint32_t offset, Expect expect) {
    if (!IsPageOffset(offset, m_nextPageOffset)) RaiseCorruptPage();
    TPageCache& cache = m_caches[slot];
    TPage* page = cache.Find(offset);
    if (page == nullptr) {
        page = cache.Insert(ReadPage(slot, offset), [this](TPage& p) { WritePage(p); }, m_inTransaction);
        if (page == nullptr) RaiseCorruptPage();
    }
    const int count = page->Count();
    bool fits = true;
    switch (expect) {
        case Expect::Any: break;
        case Expect::Root: fits = page->IsRoot() && count >= 1; break;
        case Expect::Child: fits = !page->IsRoot() && count >= 1; break;
        case Expect::Leaf: fits = page->type == pagetype::Leaf && count >= 1; break;
        case Expect::TreeLeaf: fits = page->IsLeaf() && count >= 1; break;
        case Expect::Free: fits = count == 0; break;
    }
    if (!fits || page->pins >= kMaxPagePins) RaiseCorruptPage();
    return PageRef(page);
}

PageRef TIndexFile::NewPage(int slot) {
    IndexDescriptor& d = m_descriptors[slot];
    if (d.freePageHead != 0) {
        PageRef page = GetPage(slot, d.freePageHead, Expect::Free);
        if (page->next == page->Offset()) RaiseCorruptPage();
        d.freePageHead = page->next;
        m_headerChanged = true;
        page->prev = page->next = 0;
        page->dirty = true;
        return page;
    }
    uint32_t offset = m_nextPageOffset;
    if (offset > kMaxPageOffset) RaiseEngineError(err::TableFull, ErrorFile());
    auto fresh = std::make_unique<TPage>(offset, KeyLengthOf(slot));
    fresh->dirty = true;
    TPage* page = m_caches[slot].Insert(std::move(fresh), [this](TPage& p) { WritePage(p); }, m_inTransaction);
    if (page == nullptr) RaiseCorruptPage();
    m_nextPageOffset += kPageSize;
    m_headerChanged = true;
    return PageRef(page);
}

void TIndexFile::FreePage(int slot, TPage& page) {
    IndexDescriptor& d = m_descriptors[slot];
    page.Clear();
    page.prev = 0;
    page.next = d.freePageHead;
    page.dirty = true;
    d.freePageHead = page.Offset();
    m_headerChanged = true;
}

}  // namespace larch
