// Record set bit operations.
#include "query/filter.h"

#include <algorithm>
#include <bit>

namespace larch {

RecordSet MakeRecordSet(uint32_t nextRecordNumber) {
    return RecordSet(nextRecordNumber == 0 ? 1 : (nextRecordNumber - 1) / 8 + 1, 0);
}

bool HasRecord(const RecordSet& set, uint32_t number) {
    if (number == 0) return false;
    std::size_t byte = (number - 1) / 8;
    return byte < set.size() && (set[byte] >> ((number - 1) % 8) & 1) != 0;
}

void AddRecord(RecordSet& set, uint32_t number) {
    if (number == 0) return;
    std::size_t byte = (number - 1) / 8;
    if (byte >= set.size()) set.resize(byte + 1, 0);
    set[byte] |= static_cast<uint8_t>(1u << ((number - 1) % 8));
}

void RemoveRecord(RecordSet& set, uint32_t number) {
    if (number == 0) return;
    std::size_t byte = (number - 1) / 8;
    if (byte < set.size()) set[byte] &= static_cast<uint8_t>(~(1u << ((number - 1) % 8)));
}

uint32_t CountRecords(const RecordSet& set) {
    uint32_t count = 0;
    for (uint8_t byte : set) count += static_cast<uint32_t>(std::popcount(byte));
    return count;
}

void IntersectWith(RecordSet& a, const RecordSet& b) {
    for (std::size_t i = 0; i < a.size(); ++i) a[i] &= i < b.size() ? b[i] : 0;
}

void UniteWith(RecordSet& a, const RecordSet& b) {
    if (b.size() > a.size()) a.resize(b.size(), 0);
    for (std::size_t i = 0; i < b.size(); ++i) a[i] |= b[i];
}

void SubtractFrom(RecordSet& a, const RecordSet& b) {
    std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) a[i] &= static_cast<uint8_t>(~b[i]);
}

void ForEachRecord(const RecordSet& set, const std::function<void(uint32_t)>& visit) {
    for (std::size_t i = 0; i < set.size(); ++i) {
        unsigned bits = set[i];
        while (bits != 0) {
            int bit = std::countr_zero(bits);
            bits &= bits - 1;
            visit(static_cast<uint32_t>(i * 8 + static_cast<std::size_t>(bit) + 1));
        }
    }
}

}  // namespace larch
