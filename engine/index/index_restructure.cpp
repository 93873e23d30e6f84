// TIndexFile: replacing the set of indexes when a table is restructured,
// releasing the pages of the indexes given up.
#include <cstring>
#include <set>

#include "engine/files/engine_error.h"
#include "engine/index/index_file.h"

namespace larch {
namespace {

// Where the descriptor table starts in the header.
constexpr std::size_t kDescriptorsAt = 14;

}  // namespace

void TIndexFile::OverwriteAttributes(int slot, const IndexDescriptor& from) {
    CheckWritable();
    if (!Exclusive()) RaiseEngineError(err::MustBeExclusive, ErrorFile());
    if (slot != kPrimarySlot) CheckSlot(slot);
    IndexDescriptor& d = m_descriptors[slot];
    d.name = from.name;
    std::memcpy(d.fieldNumbers, from.fieldNumbers, sizeof d.fieldNumbers);
    m_headerChanged = true;
}

std::vector<int> TIndexFile::ReplaceIndexes(const std::vector<IndexDescriptor>& indexes,
                                            const std::vector<int>& sources, bool clearSysDeleted) {
    CheckWritable();
    if (!Exclusive()) RaiseEngineError(err::MustBeExclusive, ErrorFile());
    if (indexes.empty() || indexes.size() > 1u + kMaxSecondaryIndexes || sources.size() != indexes.size()) {
        RaiseEngineError(err::IndexLimits, ErrorFile());
    }
    FlushPages();

    std::vector<bool> kept(kIndexSlots, false);
    std::vector<int> from(sources.size(), -1);
    for (std::size_t i = 0; i < sources.size(); ++i) {
        int s = sources[i];
        if (s >= 0 && s < kSysDeletedSlot && SlotUsed(s) && !kept[s]) {
            kept[s] = true;
            from[i] = s;
        }
    }

    // Every page of a given-up tree and its free list, each once. A slot
    // whose pages cannot all be read keeps them: freeing a page that might
    // still be in use elsewhere would be worse than losing it.
    std::set<uint32_t> released;
    auto collect = [&](int slot) {
        std::vector<uint32_t> pages;
        std::set<uint32_t> seen;
        try {
            std::vector<std::pair<uint32_t, int>> pending;
            if (m_descriptors[slot].rootPage != 0) pending.emplace_back(m_descriptors[slot].rootPage, 0);
            while (!pending.empty()) {
                auto [offset, depth] = pending.back();
                pending.pop_back();
                if (depth > kMaxTreeDepth || !seen.insert(offset).second || released.count(offset)) {
                    RaiseCorruptPage();
                }
                PageRef page = GetPage(slot, offset, Expect::Any);
                pages.push_back(offset);
                if (page->IsLeaf()) continue;
                for (int i = 0; i < page->Count(); ++i) pending.emplace_back(page->Pointer(i), depth + 1);
            }
            for (uint32_t offset = m_descriptors[slot].freePageHead; offset != 0;) {
                if (!seen.insert(offset).second || released.count(offset)) RaiseCorruptPage();
                PageRef page = GetPage(slot, offset, Expect::Free);
                pages.push_back(offset);
                offset = page->next;
            }
        } catch (const ELarchEngineError&) {
            return;
        }
        released.insert(pages.begin(), pages.end());
    };
    for (int slot = 0; slot < kSysDeletedSlot; ++slot) {
        if (SlotUsed(slot) && !kept[slot]) collect(slot);
    }
    if (clearSysDeleted) collect(kSysDeletedSlot);
    DiscardPages();

    const bool noPrimary = indexes[0].fieldCount == 0;
    std::array<IndexDescriptor, kIndexSlots> next{};
    std::vector<int> empty;
    for (std::size_t i = 0; i < indexes.size(); ++i) {
        next[i] = indexes[i];
        next[i].rootPage = from[i] >= 0 ? m_descriptors[from[i]].rootPage : 0;
        next[i].freePageHead = from[i] >= 0 ? m_descriptors[from[i]].freePageHead : 0;
        if (from[i] < 0 && !(i == 0 && noPrimary)) empty.push_back(static_cast<int>(i));
    }
    next[kSysDeletedSlot] = m_descriptors[kSysDeletedSlot];
    if (clearSysDeleted) {
        next[kSysDeletedSlot].rootPage = next[kSysDeletedSlot].freePageHead = 0;
        if (!noPrimary) empty.push_back(kSysDeletedSlot);
    }

    // The released pages are written as free pages straight to the file:
    // the caches were emptied above, so the file is what counts.
    const int heir = empty.empty() ? kSysDeletedSlot : empty.front();
    uint32_t head = next[heir].freePageHead;
    for (uint32_t offset : released) {
        TPage page(offset, next[heir].keyLength);
        page.next = head;
        WritePage(page);
        head = offset;
    }
    next[heir].freePageHead = head;

    ResetState();
    m_descriptors = next;
    m_secondaryCount = static_cast<int>(indexes.size()) - 1;
    m_noPrimaryIndex = noPrimary;
    // Slots no longer used carry zeros rather than what was read.
    for (int slot = m_secondaryCount + 1; slot < kIndexSlots; ++slot) {
        if (slot == kSysDeletedSlot) continue;
        std::memset(m_header.data() + kDescriptorsAt + slot * kIndexDescriptorSize, 0, kIndexDescriptorSize);
    }
    m_headerChanged = true;
    SelectPrimaryFromHeader();
    return empty;
}

}  // namespace larch
