// TIndexFile: inserting and deleting keys, with page splits, merges and
// redistribution. A change first descends without touching anything and, for
// an insert, makes sure the pages its splits need can be had (so a missing
// key, a full file or a corrupt page changes nothing), then edits the pages on
// the recorded path bottom-up, holding at most a few pages pinned at a time.
#include <algorithm>
#include <cstring>

#include "engine/files/engine_error.h"
#include "engine/index/index_file.h"
#include "engine/index/index_key.h"

namespace larch {

void TIndexFile::InsertKey(int slot, const uint8_t* key, uint32_t recordNumber) {
    CheckSlot(slot);
    CheckWritable();
    InsertIntoTree(slot, key, recordNumber);
    AfterTreeChange(slot);
}

void TIndexFile::DeleteKey(int slot, const uint8_t* key) {
    CheckSlot(slot);
    CheckWritable();
    RemoveFromTree(slot, key);
    AfterTreeChange(slot);
}

void TIndexFile::ReplaceKey(int slot, const uint8_t* oldKey, const uint8_t* newKey, uint32_t recordNumber) {
    CheckSlot(slot);
    CheckWritable();
    RemoveFromTree(slot, oldKey);
    InsertIntoTree(slot, newKey, recordNumber);
    AfterTreeChange(slot);
}

void TIndexFile::InsertIntoTree(int slot, const uint8_t* key, uint32_t recordNumber) {
    const uint16_t k = KeyLengthOf(slot);
    if (m_descriptors[slot].rootPage == 0) {
        CheckRoomForPages(slot, 1);
        PageRef root = NewPage(slot);
        root->type = pagetype::RootLeaf;
        root->Clear();
        root->Insert(0, key, recordNumber, 1);
        SetRoot(slot, root->Offset());
        return;
    }
    std::vector<PathStep> path;
    uint64_t before = 0;
    uint32_t leafOffset = Descend(slot, key, true, &path, &before);
    {
        // Pages the splits will take: the full pages from the leaf up, and a
        // new root when the root splits too.
        int needed = 0;
        PageRef page = GetPage(slot, leafOffset, Expect::Any);
        bool splits = page->Count() >= page->Capacity();
        for (std::size_t level = path.size(); splits;) {
            ++needed;
            if (level == 0) {
                ++needed;
                break;
            }
            page = GetPage(slot, path[--level].page, Expect::Any);
            splits = page->Count() >= page->Capacity();
        }
        page.Release();
        CheckRoomForPages(slot, needed);
    }

    // One more key below every entry taken; a key below all entries of a page
    // becomes the key of its first entry, which keeps parent keys equal to
    // their child's lowest key all the way down.
    for (const PathStep& step : path) {
        PageRef page = GetPage(slot, step.page, Expect::Any);
        page->SetSubtreeCount(step.entry, page->SubtreeCount(step.entry) + 1);
        if (step.entry == 0 && CompareKeys(key, page->Key(0), k) < 0) page->SetKey(0, key);
        page->dirty = true;
    }
    PageRef leaf = GetPage(slot, leafOffset, Expect::Any);
    int index = leaf->Bound(key, true);  // after any equal keys
    leaf->Insert(index, key, recordNumber, 1);
    leaf->dirty = true;
    SplitUpward(slot, path, std::move(leaf));
}

void TIndexFile::CheckRoomForPages(int slot, int needed) {
    // Freed pages first, as NewPage takes them; the rest at the end of the file.
    std::vector<uint32_t> taken;
    for (uint32_t offset = m_descriptors[slot].freePageHead; needed > 0 && offset != 0; --needed) {
        if (std::find(taken.begin(), taken.end(), offset) != taken.end()) RaiseCorruptPage();  // a cycle
        taken.push_back(offset);
        offset = GetPage(slot, offset, Expect::Free)->next;
    }
    if (needed > 0 &&
        static_cast<uint64_t>(m_nextPageOffset) + static_cast<uint64_t>(needed - 1) * kPageSize > kMaxPageOffset) {
        RaiseEngineError(err::TableFull, ErrorFile());
    }
}

void TIndexFile::SplitUpward(int slot, const std::vector<PathStep>& path, PageRef page) {
    std::size_t level = path.size();  // depth of `page`
    while (page->Count() > page->Capacity()) {
        const bool wasRoot = page->IsRoot();
        const bool leaf = page->IsLeaf();
        const int n = page->Count();

        // The old page keeps the first n - n/2 entries, the new one the rest,
        // linked in after the old one.
        PageRef fresh = NewPage(slot);
        fresh->Clear();
        page->type = fresh->type = leaf ? pagetype::Leaf : pagetype::Interior;
        page->MoveTailTo(n - n / 2, *fresh);
        fresh->prev = page->Offset();
        fresh->next = page->next;
        if (page->next != 0) {
            PageRef after = GetPage(slot, page->next, Expect::Any);
            after->prev = fresh->Offset();
            after->dirty = true;
        }
        page->next = fresh->Offset();
        page->dirty = fresh->dirty = true;

        if (wasRoot) {
            PageRef root = NewPage(slot);
            root->Clear();
            root->type = pagetype::RootInterior;
            root->Insert(0, page->Key(0), page->Offset(), static_cast<uint32_t>(page->Total()));
            root->Insert(1, fresh->Key(0), fresh->Offset(), static_cast<uint32_t>(fresh->Total()));
            SetRoot(slot, root->Offset());
            return;
        }
        if (level == 0) RaiseCorruptPage();  // a page above the root
        const PathStep& step = path[--level];
        PageRef parent = GetPage(slot, step.page, Expect::Any);
        parent->SetSubtreeCount(step.entry, static_cast<uint32_t>(page->Total()));
        parent->Insert(step.entry + 1, fresh->Key(0), fresh->Offset(), static_cast<uint32_t>(fresh->Total()));
        parent->dirty = true;
        page = std::move(parent);
    }
}

void TIndexFile::RemoveFromTree(int slot, const uint8_t* key) {
    const uint16_t k = KeyLengthOf(slot);
    auto missing = [&] { RaiseEngineError(err::KeyNotFound, ErrorFile(), {}, {}, IndexDisplayName(slot)); };
    if (m_descriptors[slot].rootPage == 0) missing();
    std::vector<PathStep> path;
    uint64_t before = 0;
    uint32_t leafOffset = Descend(slot, key, true, &path, &before);
    int index = -1;
    {
        PageRef leaf = GetPage(slot, leafOffset, Expect::Any);
        int upper = leaf->Bound(key, true);
        if (upper == 0 || CompareKeys(leaf->Key(upper - 1), key, k) != 0) missing();
        index = upper - 1;
    }

    for (const PathStep& step : path) {
        PageRef page = GetPage(slot, step.page, Expect::Any);
        page->SetSubtreeCount(step.entry, page->SubtreeCount(step.entry) - 1);
        page->dirty = true;
    }
    PageRef leaf = GetPage(slot, leafOffset, Expect::Any);
    leaf->Remove(index);
    leaf->dirty = true;
    if (index == 0 && leaf->Count() > 0) {
        std::vector<uint8_t> lowest(leaf->Key(0), leaf->Key(0) + k);
        CopyLowestKeyUp(slot, path, path.size(), lowest.data());
    }
    Rebalance(slot, path, std::move(leaf));
}

void TIndexFile::CopyLowestKeyUp(int slot, const std::vector<PathStep>& path, std::size_t level,
                                 const uint8_t* key) {
    // `level` is the depth of the page whose lowest key is now `key`.
    while (level > 0) {
        const PathStep& step = path[--level];
        PageRef parent = GetPage(slot, step.page, Expect::Any);
        parent->SetKey(step.entry, key);
        parent->dirty = true;
        if (step.entry != 0) break;
    }
}

void TIndexFile::Unlink(int slot, TPage& page) {
    if (page.prev != 0) {
        PageRef before = GetPage(slot, page.prev, Expect::Any);
        before->next = page.next;
        before->dirty = true;
    }
    if (page.next != 0) {
        PageRef after = GetPage(slot, page.next, Expect::Any);
        after->prev = page.prev;
        after->dirty = true;
    }
}

void TIndexFile::Rebalance(int slot, const std::vector<PathStep>& path, PageRef page) {
    const uint16_t k = KeyLengthOf(slot);
    std::size_t level = path.size();  // depth of `page`
    for (;;) {
        if (page->IsRoot()) {
            if (page->Count() == 0) {
                // The last key is gone: the index is empty.
                FreePage(slot, *page);
                SetRoot(slot, 0);
            } else if (!page->IsLeaf() && page->Count() == 1) {
                // A root with one child hands the root over to it.
                uint32_t child = page->Pointer(0);
                FreePage(slot, *page);
                PageRef newRoot = GetPage(slot, child, Expect::Any);
                newRoot->type = newRoot->IsLeaf() ? pagetype::RootLeaf : pagetype::RootInterior;
                newRoot->prev = newRoot->next = 0;
                newRoot->dirty = true;
                SetRoot(slot, child);
            }
            return;
        }
        const int capacity = page->Capacity();
        if (page->Count() >= capacity / 2 && page->Count() > 0) return;

        if (level == 0) RaiseCorruptPage();
        const PathStep& step = path[--level];
        PageRef parent = GetPage(slot, step.page, Expect::Any);
        if (step.entry >= parent->Count()) RaiseCorruptPage();
        if (parent->Count() == 1) {
            // No neighbour under this parent (possible with the longest keys,
            // whose half capacity is 1): only an empty page goes.
            if (page->Count() > 0) return;
            Unlink(slot, *page);
            FreePage(slot, *page);
            parent->Remove(0);
            parent->dirty = true;
            page = std::move(parent);
            continue;
        }
        // The left neighbour, unless the page is the parent's first child.
        const int pageEntry = step.entry;
        const int leftEntry = pageEntry == 0 ? 0 : pageEntry - 1;
        const int rightEntry = leftEntry + 1;
        PageRef other = GetPage(slot, parent->Pointer(pageEntry == 0 ? rightEntry : leftEntry), Expect::Child);
        TPage& left = pageEntry == 0 ? *page : *other;
        TPage& right = pageEntry == 0 ? *other : *page;
        if (other->IsLeaf() != page->IsLeaf() || left.next != right.Offset() || right.prev != left.Offset() ||
            other->Total() != parent->SubtreeCount(pageEntry == 0 ? rightEntry : leftEntry)) {
            RaiseCorruptPage();
        }
        const bool leftWasEmpty = left.Count() == 0;
        const int total = left.Count() + right.Count();
        left.dirty = right.dirty = parent->dirty = true;

        if (total < capacity) {
            // Merge the right page into the left one and free it.
            right.MoveTailTo(0, left);
            left.next = right.next;
            if (right.next != 0) {
                PageRef after = GetPage(slot, right.next, Expect::Any);
                after->prev = left.Offset();
                after->dirty = true;
            }
            parent->SetSubtreeCount(leftEntry, static_cast<uint32_t>(left.Total()));
            parent->Remove(rightEntry);
            FreePage(slot, right);
            if (leftWasEmpty) {
                parent->SetKey(leftEntry, left.Key(0));
                if (leftEntry == 0) {
                    std::vector<uint8_t> lowest(left.Key(0), left.Key(0) + k);
                    CopyLowestKeyUp(slot, path, level, lowest.data());
                }
            }
            other.Release();
            page = std::move(parent);
            continue;
        }
        // Redistribute: the left page holds total - total/2 entries.
        const int leftTarget = total - total / 2;
        if (left.Count() > leftTarget) {
            left.MoveTailToFront(leftTarget, right);
        } else if (left.Count() < leftTarget) {
            right.MoveHeadTo(leftTarget - left.Count(), left);
        }
        parent->SetKey(rightEntry, right.Key(0));
        parent->SetSubtreeCount(leftEntry, static_cast<uint32_t>(left.Total()));
        parent->SetSubtreeCount(rightEntry, static_cast<uint32_t>(right.Total()));
        if (leftWasEmpty) {
            parent->SetKey(leftEntry, left.Key(0));
            if (leftEntry == 0) {
                std::vector<uint8_t> lowest(left.Key(0), left.Key(0) + k);
                CopyLowestKeyUp(slot, path, level, lowest.data());
            }
        }
        return;
    }
}

void TIndexFile::AfterTreeChange(int slot) {
    if (slot != m_activeSlot) return;
    RecomputeRange();
    RefindCurrent();
}

}  // namespace larch
