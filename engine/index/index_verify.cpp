// TIndexFile::Verify: the integrity check of one index tree and its free
// page list, reporting problems as text lines instead of raising.
#include <map>
#include <set>
#include <string>

#include "engine/files/engine_error.h"
#include "engine/index/index_file.h"
#include "engine/index/index_key.h"

namespace larch {

struct TIndexFile::VerifyState {
    struct PageInfo {
        uint32_t prev = 0, next = 0;
        std::vector<uint8_t> firstKey, lastKey;
    };
    std::vector<std::string> problems;
    std::set<uint32_t> treePages;
    std::vector<std::vector<uint32_t>> levels;  // page offsets of every depth, left to right
    std::map<uint32_t, PageInfo> info;
    int leafDepth = -1;

    void Report(const std::string& line) { problems.push_back(line); }
};

namespace {

std::string PageName(uint32_t offset) { return "page " + std::to_string(offset); }

}  // namespace

std::vector<std::string> TIndexFile::Verify(int slot) {
    VerifyState state;
    if (slot < 0 || slot >= kIndexSlots || !SlotUsed(slot)) {
        state.Report("index slot " + std::to_string(slot) + " is not in use");
        return state.problems;
    }
    uint32_t root = m_descriptors[slot].rootPage;
    if (root != 0) {
        uint64_t keys = 0;
        VerifyPage(slot, root, 0, nullptr, false, state, &keys);
        VerifyLevels(slot, state);
    }
    VerifyFreeList(slot, state);
    return state.problems;
}

bool TIndexFile::VerifyPage(int slot, uint32_t offset, int depth, const uint8_t* parentKey, bool hasSiblings,
                            VerifyState& state, uint64_t* keys) {
    const std::string name = PageName(offset);
    const uint16_t k = KeyLengthOf(slot);
    if (depth > kMaxTreeDepth) {
        state.Report(name + " lies deeper than " + std::to_string(kMaxTreeDepth) + " levels");
        return false;
    }
    if (!IsPageOffset(offset, m_nextPageOffset)) {
        state.Report(name + " is not a page of the file");
        return false;
    }
    if (!state.treePages.insert(offset).second) {
        state.Report(name + " is used twice");
        return false;
    }
    // Copy what is needed, so that no page stays pinned across the descent.
    uint8_t type;
    int count, capacity;
    bool leaf;
    std::vector<std::vector<uint8_t>> pageKeys;
    std::vector<uint32_t> pointers, counts;
    VerifyState::PageInfo info;
    try {
        PageRef page = GetPage(slot, offset, Expect::Any);
        type = page->type;
        count = page->Count();
        capacity = page->Capacity();
        leaf = page->IsLeaf();
        info.prev = page->prev;
        info.next = page->next;
        for (int i = 0; i < count; ++i) {
            pageKeys.emplace_back(page->Key(i), page->Key(i) + k);
            pointers.push_back(page->Pointer(i));
            counts.push_back(page->SubtreeCount(i));
        }
    } catch (const ELarchEngineError& e) {
        state.Report(name + " cannot be read: " + e.what());
        return false;
    }

    const bool root = depth == 0;
    if (root ? (type != pagetype::RootInterior && type != pagetype::RootLeaf)
             : (type != pagetype::Interior && type != pagetype::Leaf)) {
        state.Report(name + " has type " + std::to_string(type) + (root ? " as the root" : " below the root"));
    }
    if (count == 0) state.Report(name + " holds no entries");
    if (count > capacity) state.Report(name + " holds more entries than its capacity");
    if (!root && hasSiblings && count < capacity / 2) {
        state.Report(name + " holds " + std::to_string(count) + " entries, fewer than half its capacity");
    }
    if (root && !leaf && count == 1) state.Report(name + " is a root interior page with one entry");
    for (int i = 1; i < count; ++i) {
        if (CompareKeys(pageKeys[i - 1].data(), pageKeys[i].data(), k) > 0) {
            state.Report(name + " has its keys out of order at entry " + std::to_string(i + 1));
        }
    }
    if (parentKey != nullptr && count > 0 && CompareKeys(parentKey, pageKeys[0].data(), k) != 0) {
        state.Report(name + " has a lowest key that differs from its parent entry's key");
    }
    if (count > 0) {
        info.firstKey = pageKeys.front();
        info.lastKey = pageKeys.back();
    }
    if (state.levels.size() <= static_cast<std::size_t>(depth)) state.levels.resize(depth + 1);
    state.levels[depth].push_back(offset);
    state.info[offset] = std::move(info);

    if (leaf) {
        if (state.leafDepth < 0) state.leafDepth = depth;
        if (state.leafDepth != depth) {
            state.Report(name + " is a leaf at depth " + std::to_string(depth) + ", others at depth " +
                         std::to_string(state.leafDepth));
        }
        *keys = static_cast<uint64_t>(count);
        return true;
    }
    *keys = 0;
    for (int i = 0; i < count; ++i) {
        uint64_t childKeys = 0;
        if (VerifyPage(slot, pointers[i], depth + 1, pageKeys[i].data(), count > 1, state, &childKeys) &&
            childKeys != counts[i]) {
            state.Report(name + " entry " + std::to_string(i + 1) + " counts " + std::to_string(counts[i]) +
                         " keys, its subtree holds " + std::to_string(childKeys));
        }
        *keys += childKeys;
    }
    return true;
}

void TIndexFile::VerifyLevels(int slot, VerifyState& state) {
    const uint16_t k = KeyLengthOf(slot);
    for (const std::vector<uint32_t>& pages : state.levels) {
        for (std::size_t i = 0; i < pages.size(); ++i) {
            const VerifyState::PageInfo& info = state.info[pages[i]];
            uint32_t expectedPrev = i == 0 ? 0 : pages[i - 1];
            uint32_t expectedNext = i + 1 < pages.size() ? pages[i + 1] : 0;
            if (info.prev != expectedPrev) {
                state.Report(PageName(pages[i]) + " links back to " + std::to_string(info.prev) + ", not " +
                             std::to_string(expectedPrev));
            }
            if (info.next != expectedNext) {
                state.Report(PageName(pages[i]) + " links on to " + std::to_string(info.next) + ", not " +
                             std::to_string(expectedNext));
            }
            if (i > 0) {
                const VerifyState::PageInfo& before = state.info[pages[i - 1]];
                if (!before.lastKey.empty() && !info.firstKey.empty() &&
                    CompareKeys(before.lastKey.data(), info.firstKey.data(), k) > 0) {
                    state.Report(PageName(pages[i - 1]) + " and " + PageName(pages[i]) + " have keys out of order");
                }
            }
        }
    }
}

void TIndexFile::VerifyFreeList(int slot, VerifyState& state) {
    std::set<uint32_t> freePages;
    for (uint32_t offset = m_descriptors[slot].freePageHead; offset != 0;) {
        const std::string name = "free " + PageName(offset);
        if (!IsPageOffset(offset, m_nextPageOffset)) {
            state.Report(name + " is not a page of the file");
            return;
        }
        if (state.treePages.count(offset) != 0) {
            state.Report(name + " is in use in the tree");
            return;
        }
        if (!freePages.insert(offset).second) {
            state.Report(name + " closes a cycle in the free page list");
            return;
        }
        try {
            PageRef page = GetPage(slot, offset, Expect::Any);
            if (page->Count() != 0) state.Report(name + " holds entries");
            offset = page->next;
        } catch (const ELarchEngineError& e) {
            state.Report(name + " cannot be read: " + e.what());
            return;
        }
    }
}

}  // namespace larch
