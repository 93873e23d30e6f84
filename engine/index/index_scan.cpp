// TIndexFile: read-only counts and scans over key positions, used to build
// filter record sets from index ranges without reading records.
#include "engine/index/index_file.h"

namespace larch {

uint32_t TIndexFile::CountKeysBelow(int slot, const uint8_t* key) {
    CheckSlot(slot);
    return CountLess(slot, key, nullptr);
}

uint32_t TIndexFile::CountKeysUpTo(int slot, const uint8_t* key) {
    CheckSlot(slot);
    return CountLessOrEqual(slot, key);
}

void TIndexFile::ForEachRecordAt(int slot, uint32_t first, uint32_t last, const std::function<void(uint32_t)>& visit) {
    CheckSlot(slot);
    const uint32_t total = KeyCount(slot);
    if (first == 0) first = 1;
    if (last > total) last = total;
    if (first > last) return;
    Location at = LocateByPosition(slot, first);
    uint32_t position = first;
    uint32_t leaf = at.leaf;
    int index = at.index;
    // Leaf by leaf; the position bound ends the walk even when links are bad.
    for (;;) {
        PageRef page = GetPage(slot, leaf, Expect::TreeLeaf);
        for (int i = index; i < page->Count(); ++i) {
            visit(page->Pointer(i));
            if (position++ == last) return;
        }
        if (page->next == 0) RaiseCorruptPage();  // fewer keys than the counts say
        PageRef next = GetPage(slot, page->next, Expect::Leaf);
        if (next->prev != leaf) RaiseCorruptPage();
        leaf = page->next;
        index = 0;
    }
}

}  // namespace larch
