// TIndexFile: the cursor on the active index, ranges, positions and the
// record bitmaps of filters.
//
// The cursor keeps a copy of its current key, so that after a change to the
// tree it is found again by key. The visible keys are those whose positions
// lie in [RangeFirst, RangeLast] and, with a filter bitmap, whose record's bit
// is set; every scan stops at the range's end, so corrupt leaf links cannot
// make it run forever.
#include <cstring>

#include "engine/files/engine_error.h"
#include "engine/index/index_file.h"
#include "engine/index/index_key.h"

namespace larch {

void TIndexFile::SelectIndex(int slot) {
    if (slot < 0 || slot >= kIndexSlots || (slot != kPrimarySlot && !SlotUsed(slot))) {
        RaiseEngineError(err::InvalidIndexName, ErrorFile(), {}, {}, std::to_string(slot));
    }
    m_activeSlot = slot;
    m_cursor = Cursor{};
    CancelRange();
}

bool TIndexFile::Passes(uint32_t recordNumber) const {
    if (m_filter == nullptr) return true;
    if (recordNumber == 0) return false;
    std::size_t byte = (recordNumber - 1) / 8;
    return byte < m_filter->size() && ((*m_filter)[byte] >> ((recordNumber - 1) % 8) & 1) != 0;
}

void TIndexFile::SetCurrent(const Location& at) {
    ReadEntry(m_activeSlot, at, &m_cursor.key, &m_cursor.recordNumber);
    m_cursor.at = at;
    m_cursor.onKey = true;
    m_cursor.gap = false;
    m_cursor.bof = m_cursor.eof = false;
}

void TIndexFile::SetEmpty() {
    m_cursor = Cursor{};
    m_cursor.bof = m_cursor.eof = true;
}

bool TIndexFile::ScanForward(Location at, uint32_t last, Location* found) {
    while (at.position <= last) {
        if (Passes(RecordAt(m_activeSlot, at))) {
            *found = at;
            return true;
        }
        if (!StepNext(m_activeSlot, at)) return false;
    }
    return false;
}

bool TIndexFile::ScanBackward(Location at, uint32_t first, Location* found) {
    while (at.position >= first) {
        if (Passes(RecordAt(m_activeSlot, at))) {
            *found = at;
            return true;
        }
        if (!StepPrior(m_activeSlot, at)) return false;
    }
    return false;
}

bool TIndexFile::First() {
    EnsureCounts();
    if (RangeCount() == 0) {
        SetEmpty();
        return false;
    }
    Location found;
    if (!ScanForward(LocateByPosition(m_activeSlot, m_rangeFirst), m_rangeLast, &found)) {
        SetEmpty();
        return false;
    }
    SetCurrent(found);
    return true;
}

bool TIndexFile::Last() {
    EnsureCounts();
    if (RangeCount() == 0) {
        SetEmpty();
        return false;
    }
    Location found;
    if (!ScanBackward(LocateByPosition(m_activeSlot, m_rangeLast), m_rangeFirst, &found)) {
        SetEmpty();
        return false;
    }
    SetCurrent(found);
    return true;
}

bool TIndexFile::Next() {
    EnsureCounts();
    if (!m_cursor.onKey) {
        if (m_cursor.eof && !m_cursor.bof) return false;
        return First();
    }
    Location at = m_cursor.at;
    bool moved = RangeCount() != 0;
    if (moved) moved = m_cursor.gap ? at.leaf != 0 : StepNext(m_activeSlot, at);
    if (moved && at.position < m_rangeFirst) at = LocateByPosition(m_activeSlot, m_rangeFirst);
    Location found;
    if (moved && ScanForward(at, m_rangeLast, &found)) {
        SetCurrent(found);
        return true;
    }
    m_cursor.eof = true;
    return false;
}

bool TIndexFile::Prior() {
    EnsureCounts();
    if (!m_cursor.onKey) {
        if (m_cursor.bof && !m_cursor.eof) return false;
        return Last();
    }
    Location at = m_cursor.at;
    bool moved = RangeCount() != 0;
    if (moved) {
        if (m_cursor.gap && at.leaf == 0) {
            at = LocateByPosition(m_activeSlot, m_keyCount);  // the gap is after the last key
        } else {
            moved = StepPrior(m_activeSlot, at);
        }
    }
    if (moved && at.position > m_rangeLast) at = LocateByPosition(m_activeSlot, m_rangeLast);
    Location found;
    if (moved && ScanBackward(at, m_rangeFirst, &found)) {
        SetCurrent(found);
        return true;
    }
    m_cursor.bof = true;
    return false;
}

bool TIndexFile::FindNearest(const uint8_t* key, size_t prefixLength) {
    EnsureCounts();
    const uint16_t k = KeyLengthOf(m_activeSlot);
    if (RangeCount() == 0) {
        SetEmpty();
        return false;
    }
    // Lowest bytes after the prefix: the first key whose prefix is >= the
    // given one is the first key >= this search key.
    std::vector<uint8_t> search(k, 0);
    if (prefixLength > 0) std::memcpy(search.data(), key, prefixLength < k ? prefixLength : k);
    Location at;
    uint32_t position = CountLess(m_activeSlot, search.data(), &at) + 1;
    if (position < m_rangeFirst) {
        at = LocateByPosition(m_activeSlot, m_rangeFirst);
        position = m_rangeFirst;
    }
    Location found;
    if (position <= m_rangeLast && at.leaf != 0 && ScanForward(at, m_rangeLast, &found)) {
        SetCurrent(found);
        return true;
    }
    if (Last()) m_cursor.eof = true;
    return false;
}

bool TIndexFile::GoToPosition(uint32_t n) {
    EnsureCounts();
    if (n == 0 || RangeCount() == 0) return false;
    uint64_t position = static_cast<uint64_t>(m_rangeFirst) + n - 1;
    if (position > m_rangeLast) return false;
    SetCurrent(LocateByPosition(m_activeSlot, static_cast<uint32_t>(position)));
    return true;
}

bool TIndexFile::FindKey(const uint8_t* fullKey) {
    EnsureCounts();
    Location at;
    if (RangeCount() == 0 || !FindExactAt(m_activeSlot, fullKey, &at, nullptr)) return false;
    if (at.position < m_rangeFirst || at.position > m_rangeLast) return false;
    SetCurrent(at);
    return true;
}

uint32_t TIndexFile::Position() const { return m_cursor.onKey ? m_cursor.at.position : 0; }

uint32_t TIndexFile::CurrentRecordNumber() const { return m_cursor.onKey ? m_cursor.recordNumber : 0; }

const uint8_t* TIndexFile::CurrentKey() const { return m_cursor.onKey ? m_cursor.key.data() : nullptr; }

void TIndexFile::SetRange(const uint8_t* startKey, const uint8_t* endKey) {
    const uint16_t k = KeyLengthOf(m_activeSlot);
    m_rangeStart.assign(startKey, startKey + k);
    m_rangeEnd.assign(endKey, endKey + k);
    m_hasRange = true;
    m_cursor = Cursor{};
    RecomputeRange();
}

void TIndexFile::CancelRange() {
    const uint16_t k = KeyLengthOf(m_activeSlot);
    m_rangeStart.assign(k, 0x00);
    m_rangeEnd.assign(k, 0xFF);
    m_hasRange = false;
    RecomputeRange();
}

void TIndexFile::RecomputeRange() {
    m_keyCount = KeyCount(m_activeSlot);
    m_countsKnown = true;
    if (!m_hasRange) {
        m_rangeFirst = 1;
        m_rangeLast = m_keyCount;
        return;
    }
    const uint16_t k = KeyLengthOf(m_activeSlot);
    if (CompareKeys(m_rangeStart.data(), m_rangeEnd.data(), k) > 0) {
        m_rangeFirst = m_rangeLast = 0;
        return;
    }
    uint32_t first = CountLess(m_activeSlot, m_rangeStart.data(), nullptr) + 1;
    m_rangeFirst = first > m_keyCount ? 0 : first;
    m_rangeLast = CountLessOrEqual(m_activeSlot, m_rangeEnd.data());
}

uint32_t TIndexFile::RangeFirst() const { return m_rangeFirst; }
uint32_t TIndexFile::RangeLast() const { return m_rangeLast; }

uint32_t TIndexFile::RangeCount() const {
    if (m_rangeFirst == 0 || m_rangeLast == 0 || m_rangeLast < m_rangeFirst) return 0;
    return m_rangeLast - m_rangeFirst + 1;
}

uint32_t TIndexFile::RecNo() const {
    uint32_t position = Position();
    if (position == 0 || RangeCount() == 0 || position < m_rangeFirst) return 0;
    return position - m_rangeFirst + 1;
}

void TIndexFile::RefindCurrent() {
    if (!m_cursor.onKey) return;
    Location at;
    if (FindExactAt(m_activeSlot, m_cursor.key.data(), &at, nullptr)) {
        m_cursor.at = at;
        m_cursor.gap = false;
        return;
    }
    // The current key is gone: stand between its neighbours.
    uint32_t less = CountLess(m_activeSlot, m_cursor.key.data(), &at);
    if (at.leaf == 0) at.position = less + 1;
    m_cursor.at = at;
    m_cursor.gap = true;
}

std::vector<uint8_t> TIndexFile::InUseBitmap(uint32_t nextRecordNumber) {
    std::vector<uint8_t> bitmap(nextRecordNumber == 0 ? 1 : (nextRecordNumber - 1) / 8 + 1, 0);
    uint32_t total = KeyCount(kSysDeletedSlot);
    if (total == 0) return bitmap;
    // Keys of records in use (status 0) sort first, then those of deleted
    // slots. With one key per slot, as it should be, only the deleted ones
    // need visiting: every other slot is in use.
    if (nextRecordNumber > 0 && total == nextRecordNumber - 1) {
        std::vector<uint8_t> firstDeleted(KeyLengthOf(kSysDeletedSlot), 0);
        firstDeleted[0] = 1;
        const uint32_t inUse = CountLess(kSysDeletedSlot, firstDeleted.data(), nullptr);
        std::fill(bitmap.begin(), bitmap.end(), 0xFF);
        const uint32_t spare = static_cast<uint32_t>(bitmap.size() * 8) - total;  // bits past the last slot
        if (spare > 0) bitmap.back() = static_cast<uint8_t>(0xFFu >> spare);
        if (inUse < total) {
            ForEachRecordAt(kSysDeletedSlot, inUse + 1, total, [&](uint32_t record) {
                if (record >= 1 && record < nextRecordNumber) {
                    bitmap[(record - 1) / 8] &= static_cast<uint8_t>(~(1u << ((record - 1) % 8)));
                }
            });
        }
        return bitmap;
    }
    Location at = LocateByPosition(kSysDeletedSlot, 1);
    std::vector<uint8_t> key;
    for (;;) {
        if (at.position > total) RaiseCorruptPage();
        uint32_t record = 0;
        ReadEntry(kSysDeletedSlot, at, &key, &record);
        if (key[0] != 0) break;
        if (record >= 1 && record < nextRecordNumber) {
            bitmap[(record - 1) / 8] |= static_cast<uint8_t>(1u << ((record - 1) % 8));
        }
        if (!StepNext(kSysDeletedSlot, at)) break;
    }
    return bitmap;
}

}  // namespace larch
