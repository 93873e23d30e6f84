// TIndexFile: descents by key and by position, and steps along the leaves.
// Every descent checks each child against its parent entry (page type and
// subtree count) and stops at kMaxTreeDepth, so corrupt links raise 8965
// instead of looping.
#include <cstring>

#include "engine/files/engine_error.h"
#include "engine/index/index_file.h"
#include "engine/index/index_key.h"

namespace larch {

uint32_t TIndexFile::Descend(int slot, const uint8_t* key, bool upper, std::vector<PathStep>* path,
                             uint64_t* before) {
    uint32_t offset = m_descriptors[slot].rootPage;
    PageRef page = GetPage(slot, offset, Expect::Root);
    *before = 0;
    for (int depth = 0; !page->IsLeaf(); ++depth) {
        if (depth >= kMaxTreeDepth) RaiseCorruptPage();
        // The last entry whose key is <= (upper) or < (lower) the key; the
        // first entry when the key is below them all.
        int entry = page->Bound(key, upper) - 1;
        if (entry < 0) entry = 0;
        for (int i = 0; i < entry; ++i) *before += page->SubtreeCount(i);
        if (path != nullptr) path->push_back({offset, entry});
        uint32_t expected = page->SubtreeCount(entry);
        offset = page->Pointer(entry);
        page = GetPage(slot, offset, Expect::Child);
        if (page->Total() != expected) RaiseCorruptPage();
    }
    return offset;
}

bool TIndexFile::FindExactAt(int slot, const uint8_t* key, Location* at, uint32_t* recordNumber) {
    if (m_descriptors[slot].rootPage == 0) return false;
    uint64_t before = 0;
    uint32_t leaf = Descend(slot, key, true, nullptr, &before);
    PageRef page = GetPage(slot, leaf, Expect::Any);
    int index = page->Bound(key, true) - 1;
    if (index < 0 || CompareKeys(page->Key(index), key, KeyLengthOf(slot)) != 0) return false;
    if (at != nullptr) *at = Location{leaf, index, static_cast<uint32_t>(before + index + 1)};
    if (recordNumber != nullptr) *recordNumber = page->Pointer(index);
    return true;
}

uint32_t TIndexFile::CountLess(int slot, const uint8_t* key, Location* at) {
    if (at != nullptr) *at = Location{};
    if (m_descriptors[slot].rootPage == 0) return 0;
    uint64_t before = 0;
    uint32_t leaf = Descend(slot, key, false, nullptr, &before);
    PageRef page = GetPage(slot, leaf, Expect::Any);
    int index = page->Bound(key, false);
    uint32_t less = static_cast<uint32_t>(before + index);
    if (at != nullptr) {
        // The first key >= the key: here, or first in the next leaf.
        if (index < page->Count()) {
            *at = Location{leaf, index, less + 1};
        } else if (page->next != 0) {
            PageRef next = GetPage(slot, page->next, Expect::Leaf);
            if (next->prev != leaf) RaiseCorruptPage();
            *at = Location{page->next, 0, less + 1};
        }
    }
    return less;
}

uint32_t TIndexFile::CountLessOrEqual(int slot, const uint8_t* key) {
    if (m_descriptors[slot].rootPage == 0) return 0;
    uint64_t before = 0;
    uint32_t leaf = Descend(slot, key, true, nullptr, &before);
    PageRef page = GetPage(slot, leaf, Expect::Any);
    return static_cast<uint32_t>(before + page->Bound(key, true));
}

TIndexFile::Location TIndexFile::LocateByPosition(int slot, uint32_t position) {
    uint32_t offset = m_descriptors[slot].rootPage;
    if (offset == 0 || position == 0) RaiseCorruptPage();
    PageRef page = GetPage(slot, offset, Expect::Root);
    uint64_t remaining = position;
    for (int depth = 0; !page->IsLeaf(); ++depth) {
        if (depth >= kMaxTreeDepth) RaiseCorruptPage();
        int entry = 0;
        while (entry < page->Count() && remaining > page->SubtreeCount(entry)) {
            remaining -= page->SubtreeCount(entry);
            ++entry;
        }
        if (entry == page->Count()) RaiseCorruptPage();
        uint32_t expected = page->SubtreeCount(entry);
        offset = page->Pointer(entry);
        page = GetPage(slot, offset, Expect::Child);
        if (page->Total() != expected) RaiseCorruptPage();
    }
    if (remaining > static_cast<uint64_t>(page->Count())) RaiseCorruptPage();
    return Location{offset, static_cast<int>(remaining - 1), position};
}

bool TIndexFile::StepNext(int slot, Location& at) {
    PageRef page = GetPage(slot, at.leaf, Expect::TreeLeaf);
    if (at.index >= page->Count()) RaiseCorruptPage();
    if (at.index + 1 < page->Count()) {
        ++at.index;
        ++at.position;
        return true;
    }
    if (page->next == 0) return false;
    PageRef next = GetPage(slot, page->next, Expect::Leaf);
    if (next->prev != at.leaf) RaiseCorruptPage();
    at = Location{page->next, 0, at.position + 1};
    return true;
}

bool TIndexFile::StepPrior(int slot, Location& at) {
    PageRef page = GetPage(slot, at.leaf, Expect::TreeLeaf);
    if (at.index >= page->Count()) RaiseCorruptPage();
    if (at.index > 0) {
        --at.index;
        --at.position;
        return true;
    }
    if (page->prev == 0 || at.position <= 1) return false;
    PageRef prior = GetPage(slot, page->prev, Expect::Leaf);
    if (prior->next != at.leaf) RaiseCorruptPage();
    at = Location{page->prev, prior->Count() - 1, at.position - 1};
    return true;
}

void TIndexFile::ReadEntry(int slot, const Location& at, std::vector<uint8_t>* key, uint32_t* recordNumber) {
    PageRef page = GetPage(slot, at.leaf, Expect::TreeLeaf);
    if (at.index < 0 || at.index >= page->Count()) RaiseCorruptPage();
    if (key != nullptr) key->assign(page->Key(at.index), page->Key(at.index) + KeyLengthOf(slot));
    if (recordNumber != nullptr) *recordNumber = page->Pointer(at.index);
}

uint32_t TIndexFile::RecordAt(int slot, const Location& at) {
    uint32_t recordNumber = 0;
    ReadEntry(slot, at, nullptr, &recordNumber);
    return recordNumber;
}

bool TIndexFile::FindExact(int slot, const uint8_t* key, uint32_t* recordNumber) {
    CheckSlot(slot);
    return FindExactAt(slot, key, nullptr, recordNumber);
}

void TIndexFile::CheckDuplicate(int slot, const uint8_t* key) {
    CheckSlot(slot);
    if (FindExactAt(slot, key, nullptr, nullptr)) {
        RaiseEngineError(err::DuplicateKey, ErrorFile(), {}, {}, IndexDisplayName(slot));
    }
}

uint32_t TIndexFile::KeyCount(int slot) {
    if (slot < 0 || slot >= kIndexSlots || !SlotUsed(slot) || m_descriptors[slot].rootPage == 0) return 0;
    uint64_t total = GetPage(slot, m_descriptors[slot].rootPage, Expect::Root)->Total();
    return total > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<uint32_t>(total);
}

int TIndexFile::TreeDepth(int slot) {
    CheckSlot(slot);
    uint32_t offset = m_descriptors[slot].rootPage;
    if (offset == 0) return 0;
    PageRef page = GetPage(slot, offset, Expect::Root);
    int depth = 1;
    while (!page->IsLeaf()) {
        if (depth > kMaxTreeDepth) RaiseCorruptPage();
        page = GetPage(slot, page->Pointer(0), Expect::Child);
        ++depth;
    }
    return depth;
}

}  // namespace larch
