// TDataSet: the ring of record buffers around the current record, and the
// moves that fill it (First, Last, MoveBy, Resync).
#include "dataset/dataset.h"

#include <algorithm>
#include <cstring>

#include "dataset/data_link.h"
#include "dataset/data_source.h"
#include "dataset/dataset_errors.h"

namespace hollin {

TRecordBuffer TDataSet::ActiveBuffer() const {
    if (m_activeRecord < 0 || m_activeRecord >= static_cast<int>(m_buffers.size())) return nullptr;
    return m_buffers[static_cast<std::size_t>(m_activeRecord)].get();
}

bool TDataSet::IsRingBuffer(const uint8_t* buffer) const {
    return std::any_of(m_buffers.begin(), m_buffers.end(),
                       [buffer](const auto& b) { return b.get() == buffer; });
}

void TDataSet::SetBufListSize(int size) {
    const auto count = static_cast<std::size_t>(std::max(size, 0));
    const std::size_t bytes = m_recordBufferSize + m_calcFieldsSize;
    while (m_buffers.size() < count) {
        auto buffer = std::make_unique<uint8_t[]>(std::max<std::size_t>(bytes, 1));
        std::memset(buffer.get(), 0, bytes);
        m_buffers.push_back(std::move(buffer));
    }
    m_buffers.resize(count);
}

void TDataSet::ClearBuffers() {
    m_recordCount = 0;
    m_activeRecord = 0;
    m_currentRecord = -1;
    m_bof = true;
    m_eof = true;
}

void TDataSet::ActivateBuffers() {
    m_recordCount = 1;
    m_activeRecord = 0;
    m_currentRecord = 0;
    m_bof = false;
    m_eof = false;
}

// Takes the buffer at from out of the list and puts it back at to.
void TDataSet::MoveBuffer(int from, int to) {
    if (from == to) return;
    auto begin = m_buffers.begin();
    if (from < to) {
        std::rotate(begin + from, begin + from + 1, begin + to + 1);
    } else {
        std::rotate(begin + to, begin + from, begin + from + 1);
    }
}

void TDataSet::UpdateBufferCount() {
    if (!m_cursorReady) return;
    int wanted = 1;
    for (TDataSource* source : m_dataSources) {
        for (TDataLink* link : source->m_dataLinks) wanted = std::max(wanted, link->m_bufferCount);
    }
    SetBufferCount(wanted);
}

void TDataSet::SetBufferCount(int value) {
    if (value == m_bufferCount) return;
    auto adjustFirstRecords = [this](int delta) {
        if (delta == 0) return;
        for (TDataSource* source : m_dataSources) {
            for (TDataLink* link : source->m_dataLinks) {
                if (link->m_active) link->m_firstRecord += delta;
            }
        }
    };
    if (value < m_bufferCount && m_recordCount > 0) {
        // Keep the active record and what active links show, dropping records
        // from the front of the window first.
        int start = m_activeRecord;
        for (TDataSource* source : m_dataSources) {
            for (TDataLink* link : source->m_dataLinks) {
                if (link->m_active) start = std::min(start, std::max(link->m_firstRecord, 0));
            }
        }
        start = std::max(start, m_activeRecord - value + 1);
        std::rotate(m_buffers.begin(), m_buffers.begin() + start, m_buffers.end());
        const int kept = std::min(m_recordCount - start, value);
        m_activeRecord -= start;
        m_currentRecord =
            m_currentRecord >= start && m_currentRecord < start + kept ? m_currentRecord - start : -1;
        m_recordCount = kept;
        adjustFirstRecords(-start);
    }
    SetBufListSize(value + 1);
    m_bufferCount = value;
    TFetchRun fetches(*this);
    GetNextRecords();
    adjustFirstRecords(GetPriorRecords());
}

void TDataSet::RecreateBuffers() {
    CheckActive();
    UpdateCursorPos();
    const int count = m_bufferCount;
    SetBufListSize(0);
    m_recordBufferSize = GetRecordBufferSize();
    SetBufListSize(count + 1);
    Resync(0);  // from the record UpdateCursorPos put the cursor on
}

void TDataSet::SetCurrentRecord(int index) {
    if (m_currentRecord == index) return;
    TRecordBuffer buffer = m_buffers[static_cast<std::size_t>(index)].get();
    switch (GetBookmarkFlag(buffer)) {
        case bfCurrent:
        case bfInserted: InternalSetToRecord(buffer); break;
        case bfBOF: InternalFirst(); break;
        case bfEOF: InternalLast(); break;
    }
    m_currentRecord = index;
}

void TDataSet::UpdateCursorPos() {
    if (m_recordCount > 0) SetCurrentRecord(m_activeRecord);
}

TGetResult TDataSet::FetchRecord(TRecordBuffer buffer, TGetMode mode, bool doCheck) {
    const TGetResult result = GetRecord(buffer, mode, doCheck);
    if (result == grOK) CalculateFields(buffer);
    return result;
}

bool TDataSet::GetNextRecord() {
    TGetMode mode = gmNext;
    if (m_recordCount > 0) {
        SetCurrentRecord(m_recordCount - 1);
        // The cursor stands on the record an unposted insert sits before.
        if (m_state == dsInsert && m_currentRecord == m_activeRecord &&
            GetBookmarkFlag(ActiveBuffer()) == bfCurrent) {
            mode = gmCurrent;
        }
    }
    const bool ok =
        FetchRecord(m_buffers[static_cast<std::size_t>(m_recordCount)].get(), mode, true) == grOK;
    if (!ok) {
        CursorPosChanged();
        return false;
    }
    if (m_recordCount == 0) {
        ActivateBuffers();
    } else {
        if (m_recordCount < m_bufferCount) {
            ++m_recordCount;
        } else {
            MoveBuffer(0, m_recordCount);
        }
    }
    m_currentRecord = m_recordCount - 1;
    return true;
}

bool TDataSet::GetPriorRecord() {
    if (m_recordCount > 0) SetCurrentRecord(0);
    const bool ok =
        FetchRecord(m_buffers[static_cast<std::size_t>(m_recordCount)].get(), gmPrior, true) ==
        grOK;
    if (!ok) {
        CursorPosChanged();
        return false;
    }
    if (m_recordCount == 0) {
        ActivateBuffers();
    } else {
        MoveBuffer(m_recordCount, 0);
        if (m_recordCount < m_bufferCount) {
            ++m_recordCount;
            ++m_activeRecord;
        }
    }
    m_currentRecord = 0;
    return true;
}

int TDataSet::GetNextRecords() {
    int count = 0;
    while (m_recordCount < m_bufferCount && GetNextRecord()) ++count;
    return count;
}

int TDataSet::GetPriorRecords() {
    int count = 0;
    while (m_recordCount < m_bufferCount && GetPriorRecord()) ++count;
    return count;
}

void TDataSet::First() { MoveToEnd(true); }

void TDataSet::Last() { MoveToEnd(false); }

void TDataSet::MoveToEnd(bool atStart) {
    CheckBrowseMode();
    DoBeforeScroll();
    ClearBuffers();
    // The flag of the end reached is set whether or not the fetch succeeded.
    bool& atEnd = atStart ? m_bof : m_eof;
    try {
        TFetchRun fetches(*this);
        if (atStart) {
            InternalFirst();
            GetNextRecord();
            GetNextRecords();
        } else {
            InternalLast();
            GetPriorRecord();
            GetPriorRecords();
        }
    } catch (...) {
        atEnd = true;
        DataEvent(deDataSetChange);
        throw;
    }
    atEnd = true;
    DataEvent(deDataSetChange);
    DoAfterScroll();
}

int TDataSet::MoveBy(int distance) {
    CheckBrowseMode();
    int moved = 0;
    if (!((distance > 0 && !m_eof) || (distance < 0 && !m_bof))) return 0;
    DoBeforeScroll();
    m_bof = false;
    m_eof = false;
    int scrolled = 0;  // how far the window moved against the buffers
    try {
        TFetchRun fetches(*this);
        while (distance > 0) {
            if (m_activeRecord < m_recordCount - 1) {
                ++m_activeRecord;
            } else {
                const int shift = m_recordCount < m_bufferCount ? 0 : 1;
                if (!GetNextRecord()) {
                    m_eof = true;
                    break;
                }
                scrolled -= shift;
                if (m_activeRecord < m_recordCount - 1) ++m_activeRecord;
            }
            --distance;
            ++moved;
        }
        while (distance < 0) {
            if (m_activeRecord > 0) {
                --m_activeRecord;
            } else {
                const int shift = m_recordCount < m_bufferCount ? 0 : 1;
                if (!GetPriorRecord()) {
                    m_bof = true;
                    break;
                }
                scrolled += shift;
                if (m_activeRecord > 0) --m_activeRecord;
            }
            ++distance;
            --moved;
        }
    } catch (...) {
        DataEvent(deDataSetScroll, nullptr, scrolled);
        throw;
    }
    DataEvent(deDataSetScroll, nullptr, scrolled);
    DoAfterScroll();
    return moved;
}

void TDataSet::Resync(TResyncMode mode) {
    TFetchRun fetches(*this);
    TRecordBuffer scratch = m_buffers[static_cast<std::size_t>(m_recordCount)].get();
    if ((mode & rmExact) != 0) {
        CursorPosChanged();
        if (FetchRecord(scratch, gmCurrent, true) != grOK) DatabaseError(text::RecordNotFound);
    } else if (FetchRecord(scratch, gmCurrent, false) != grOK &&
               FetchRecord(scratch, gmNext, false) != grOK &&
               FetchRecord(scratch, gmPrior, false) != grOK) {
        ClearBuffers();
        DataEvent(deDataSetChange);
        return;
    }
    int before = (mode & rmCenter) != 0 ? (m_bufferCount - 1) / 2 : m_activeRecord;
    MoveBuffer(m_recordCount, 0);
    ActivateBuffers();
    try {
        while (before > 0 && GetPriorRecord()) --before;
        GetNextRecords();
        GetPriorRecords();
    } catch (...) {
        DataEvent(deDataSetChange);
        throw;
    }
    DataEvent(deDataSetChange);
}

}  // namespace hollin
