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
    return page;
}

void TIndexFile::WritePage(const TPage& page) {
    if (page.Count() > page.Capacity()) RaiseCorruptPage();
    uint8_t image[kPageSize];
    page.Encode(image);
    WriteAt(page.Offset(), image, sizeof image);
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
