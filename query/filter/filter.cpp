// Record set bit operations.
#include "query/filter/filter.h"

#include <algorithm>
#include <cstring>

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

namespace {

// Bits set in a word, without a library call where the processor's own
// instruction is not enabled.
uint32_t BitsIn(uint64_t v) {
    v = v - ((v >> 1) & 0x5555555555555555ull);
    v = (v & 0x3333333333333333ull) + ((v >> 2) & 0x3333333333333333ull);
    v = (v + (v >> 4)) & 0x0F0F0F0F0F0F0F0Full;
    return static_cast<uint32_t>((v * 0x0101010101010101ull) >> 56);
}

uint64_t WordAt(const RecordSet& set, std::size_t i) {
    uint64_t word;
    std::memcpy(&word, set.data() + i, sizeof word);
    return word;
}

// out[i] = op(out[i], in[i]) over n bytes, a word at a time.
template <class Op>
void CombineWords(uint8_t* out, const uint8_t* in, std::size_t n, Op op) {
    std::size_t i = 0;
    for (; i + 8 <= n; i += 8) {
        uint64_t x, y;
        std::memcpy(&x, out + i, sizeof x);
        std::memcpy(&y, in + i, sizeof y);
        x = op(x, y);
        std::memcpy(out + i, &x, sizeof x);
    }
    for (; i < n; ++i) out[i] = static_cast<uint8_t>(op(uint64_t{out[i]}, uint64_t{in[i]}));
}

}  // namespace

uint32_t CountRecords(const RecordSet& set) {
    uint32_t count = 0;
    std::size_t i = 0;
    // Sets are mostly sparse or mostly full: empty words cost a test only.
    for (; i + 8 <= set.size(); i += 8) {
        const uint64_t word = WordAt(set, i);
        if (word != 0) count += BitsIn(word);
    }
    for (; i < set.size(); ++i) count += BitsIn(set[i]);
    return count;
}

bool HoldsMoreThan(const RecordSet& set, uint64_t limit) {
    uint64_t count = 0;
    std::size_t i = 0;
    for (; i + 8 <= set.size(); i += 8) {
        const uint64_t word = WordAt(set, i);
        if (word != 0 && (count += BitsIn(word)) > limit) return true;
    }
    for (; i < set.size(); ++i) count += BitsIn(set[i]);
    return count > limit;
}

void IntersectWith(RecordSet& a, const RecordSet& b) {
    const std::size_t n = std::min(a.size(), b.size());
    CombineWords(a.data(), b.data(), n, [](uint64_t x, uint64_t y) { return x & y; });
    std::fill(a.begin() + static_cast<std::ptrdiff_t>(n), a.end(), uint8_t{0});
}

void UniteWith(RecordSet& a, const RecordSet& b) {
    if (b.size() > a.size()) a.resize(b.size(), 0);
    CombineWords(a.data(), b.data(), b.size(), [](uint64_t x, uint64_t y) { return x | y; });
}

void SubtractFrom(RecordSet& a, const RecordSet& b) {
    const std::size_t n = std::min(a.size(), b.size());
    CombineWords(a.data(), b.data(), n, [](uint64_t x, uint64_t y) { return x & ~y; });
}

void ForEachRecord(const RecordSet& set, const std::function<void(uint32_t)>& visit) {
    for (std::size_t i = 0; i < set.size(); ++i) {
        // Empty stretches go eight bytes at a time.
        while (i + 8 <= set.size() && WordAt(set, i) == 0) i += 8;
        if (i >= set.size()) break;
        unsigned bits = set[i];
        while (bits != 0) {
            int bit = std::countr_zero(bits);
            bits &= bits - 1;
            visit(static_cast<uint32_t>(i * 8 + static_cast<std::size_t>(bit) + 1));
        }
    }
}

}  // namespace larch
