// Index pages in memory and their checked decoding from disk.
#include "engine/index/index_page.h"

#include <cstring>

#include "engine/files/byte_order.h"
#include "engine/files/engine_error.h"
#include "engine/index/index_key.h"

namespace larch {

TPage::TPage(uint32_t offset, uint16_t keyLength) : m_offset(offset), m_keyLength(keyLength) {}

uint32_t TPage::Pointer(int i) const { return GetU32(Entry(i) + m_keyLength); }

uint32_t TPage::SubtreeCount(int i) const { return IsLeaf() ? 1 : GetU32(Entry(i) + m_keyLength + 4); }

uint64_t TPage::Total() const {
    if (IsLeaf()) return static_cast<uint64_t>(Count());
    uint64_t total = 0;
    for (int i = 0; i < Count(); ++i) total += SubtreeCount(i);
    return total;
}

int TPage::Bound(const uint8_t* key, bool upper) const {
    int low = 0, high = Count();
    while (low < high) {
        int middle = low + (high - low) / 2;
        int c = CompareKeys(Key(middle), key, m_keyLength);
        if (c < 0 || (upper && c == 0)) {
            low = middle + 1;
        } else {
            high = middle;
        }
    }
    return low;
}

void TPage::SetKey(int i, const uint8_t* key) { std::memmove(Entry(i), key, m_keyLength); }
void TPage::SetPointer(int i, uint32_t value) { PutU32(Entry(i) + m_keyLength, value); }
void TPage::SetSubtreeCount(int i, uint32_t value) { PutU32(Entry(i) + m_keyLength + 4, value); }

void TPage::Insert(int i, const uint8_t* key, uint32_t pointer, uint32_t count) {
    std::vector<uint8_t> entry(Stride());
    std::memcpy(entry.data(), key, m_keyLength);
    PutU32(entry.data() + m_keyLength, pointer);
    PutU32(entry.data() + m_keyLength + 4, count);
    m_entries.insert(m_entries.begin() + static_cast<std::ptrdiff_t>(i * Stride()), entry.begin(), entry.end());
}

void TPage::Remove(int i) {
    auto first = m_entries.begin() + static_cast<std::ptrdiff_t>(i * Stride());
    m_entries.erase(first, first + static_cast<std::ptrdiff_t>(Stride()));
}

void TPage::MoveTailTo(int from, TPage& to) {
    auto first = m_entries.begin() + static_cast<std::ptrdiff_t>(from * Stride());
    to.m_entries.insert(to.m_entries.end(), first, m_entries.end());
    m_entries.erase(first, m_entries.end());
}

void TPage::MoveHeadTo(int n, TPage& to) {
    auto last = m_entries.begin() + static_cast<std::ptrdiff_t>(n * Stride());
    to.m_entries.insert(to.m_entries.end(), m_entries.begin(), last);
    m_entries.erase(m_entries.begin(), last);
}

void TPage::MoveTailToFront(int from, TPage& to) {
    auto first = m_entries.begin() + static_cast<std::ptrdiff_t>(from * Stride());
    to.m_entries.insert(to.m_entries.begin(), first, m_entries.end());
    m_entries.erase(first, m_entries.end());
}

void TPage::Encode(uint8_t* out) const {
    std::memset(out, 0, kPageSize);
    const bool leaf = IsLeaf();
    const std::size_t diskEntry = m_keyLength + (leaf ? 4u : 8u);
    if (Count() > Capacity() || static_cast<std::size_t>(Count()) * diskEntry > kPageBodySize) {
        RaiseEngineError(err::IndexBuffersCorrupt);
    }
    out[0] = type;
    PutU16(out + 1, static_cast<uint16_t>(Count()));
    PutU32(out + 3, prev);
    PutU32(out + 7, next);
    uint8_t* p = out + kPageHeaderSize;
    for (int i = 0; i < Count(); ++i, p += diskEntry) std::memcpy(p, Entry(i), diskEntry);
}

const char* TPage::Decode(const uint8_t* in, uint32_t fileEnd, uint64_t maxKeys) {
    uint8_t pageType = in[0];
    if (pageType > pagetype::RootLeaf) return "page type is not 0 to 3";
    type = pageType;
    int count = GetU16(in + 1);
    if (count > Capacity()) return "entry count exceeds the page capacity";
    prev = GetU32(in + 3);
    next = GetU32(in + 7);
    if ((prev != 0 && !IsPageOffset(prev, fileEnd)) || (next != 0 && !IsPageOffset(next, fileEnd))) {
        return "neighbour link is not a page of the file";
    }
    const bool leaf = IsLeaf();
    const std::size_t diskEntry = m_keyLength + (leaf ? 4u : 8u);
    m_entries.assign(static_cast<std::size_t>(count) * Stride(), 0);
    const uint8_t* p = in + kPageHeaderSize;
    uint64_t total = 0;
    for (int i = 0; i < count; ++i, p += diskEntry) {
        std::memcpy(Entry(i), p, diskEntry);
        if (leaf) continue;
        uint32_t child = Pointer(i);
        uint32_t keys = SubtreeCount(i);
        if (!IsPageOffset(child, fileEnd) || child == m_offset) return "child link is not a page of the file";
        if (keys == 0 || keys > maxKeys) return "subtree count out of range";
        total += keys;
    }
    if (total > maxKeys) return "subtree counts exceed what the file can hold";
    return nullptr;
}

}  // namespace larch
