// TDataFile: the lock protocol and change detection between users of a table.
#include <algorithm>
#include <chrono>
#include <random>
#include <thread>

#include "engine/files/byte_order.h"
#include "engine/data/data_file.h"
#include "engine/files/engine_error.h"
#include "engine/files/table_locks.h"

namespace larch {
namespace {

// Record and table locks wait by polling the clock, as the lock protocol asks;
// yielding keeps a waiting process from starving the one holding the lock.
void PollWait(uint16_t milliseconds) {
    auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    while (std::chrono::steady_clock::now() <= until) std::this_thread::yield();
}

int64_t RandomReadByte() {
    static thread_local std::mt19937 random(std::random_device{}());
    std::uniform_int_distribution<int> pick(1, locks::kMaxReadLockOffset);
    return locks::kReadLockTop - pick(random);
}

}  // namespace

void TDataFile::FileLockWithRetry(TFileHandler& file, int64_t offset, int64_t length, bool shared) {
    for (int attempt = 0; attempt <= locks::kFileLockRetries; ++attempt) {
        if (file.Lock(offset, length, shared)) return;
        std::this_thread::sleep_for(std::chrono::milliseconds(locks::kFileLockWaitMs));
    }
    RaiseEngineError(err::LockFailure, FileName());
}

void TDataFile::TakeReadLocks() {
    // A read lock is one random byte of the write-lock range; a writer's lock
    // covers them all. A refused byte is retried with a new one.
    for (int attempt = 0;; ++attempt) {
        int64_t byte = RandomReadByte();
        if (m_index->Lock(byte, 1, true)) {
            m_indexReadByte = byte;
            break;
        }
        if (attempt >= locks::kFileLockRetries) RaiseEngineError(err::LockFailure, FileName());
        std::this_thread::sleep_for(std::chrono::milliseconds(locks::kFileLockWaitMs));
    }
    if (!m_blob) return;
    for (int attempt = 0;; ++attempt) {
        int64_t byte = RandomReadByte();
        if (m_blob->Lock(byte, 1, true)) {
            m_blobReadByte = byte;
            return;
        }
        if (attempt >= locks::kFileLockRetries) {
            m_index->Unlock(m_indexReadByte, 1);
            m_indexReadByte = 0;
            RaiseEngineError(err::LockFailure, FileName());
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(locks::kFileLockWaitMs));
    }
}

void TDataFile::DropReadLocks() {
    bool ok = true;
    if (m_blob && m_blobReadByte) ok = m_blob->Unlock(m_blobReadByte, 1) && ok;
    if (m_indexReadByte) ok = m_index->Unlock(m_indexReadByte, 1) && ok;
    m_blobReadByte = 0;
    m_indexReadByte = 0;
    if (!ok) RaiseEngineError(err::LockFailure, FileName());
}

void TDataFile::BeginRead() {
    ++m_readDepth;
    if (!UsesLocks() || m_readDepth > 1 || m_heldReadLocks > 0 || m_writeDepth > 0) return;
    try {
        TakeReadLocks();
        RecoverIfHot();
        ChangeCheck();
    } catch (...) {
        if (m_indexReadByte) {
            try {
                DropReadLocks();
            } catch (...) {
            }
        }
        --m_readDepth;
        throw;
    }
}

void TDataFile::EndRead() {
    if (m_readDepth == 0) return;
    if (--m_readDepth > 0 || m_heldReadLocks > 0 || m_writeDepth > 0) return;
    if (m_indexReadByte) DropReadLocks();
}

void TDataFile::HoldReadLock() {
    if (UsesLocks() && m_heldReadLocks == 0 && m_writeDepth == 0 && m_indexReadByte == 0) {
        TakeReadLocks();
        try {
            RecoverIfHot();
            ChangeCheck();
        } catch (...) {
            DropReadLocks();
            throw;
        }
    }
    ++m_heldReadLocks;
}

void TDataFile::ReleaseReadLock() {
    if (m_heldReadLocks == 0) return;
    if (--m_heldReadLocks > 0 || m_readDepth > 0 || m_writeDepth > 0) return;
    if (m_indexReadByte) DropReadLocks();
}

void TDataFile::RetakeReadBytes() {
    // Unlocking the write range also dropped a read byte this handle held in
    // it; take the held read locks again.
    if (m_indexReadByte && (m_heldReadLocks > 0 || m_readDepth > 0)) {
        m_index->Lock(m_indexReadByte, 1, true);
        if (m_blob && m_blobReadByte) m_blob->Lock(m_blobReadByte, 1, true);
    }
}

void TDataFile::BeginWrite() {
    if (ReadOnly()) RaiseEngineError(err::AccessDenied, FileName());
    ++m_writeDepth;
    if (m_writeDepth > 1) return;
    if (!UsesLocks()) {
        if (m_recoveryPending) {
            try {
                RecoverIfHot();
            } catch (...) {
                --m_writeDepth;
                throw;
            }
        }
        return;
    }
    bool semaphore = false, index = false;
    try {
        FileLockWithRetry(*this, locks::kWriteSemaphore, 1, false);
        semaphore = true;
        FileLockWithRetry(*m_index, locks::kWriteLock, locks::kWriteLockLength, false);
        index = true;
        if (m_blob) FileLockWithRetry(*m_blob, locks::kWriteLock, locks::kWriteLockLength, false);
        // Every shared write ends committed or rolled back: a failure noted
        // since then came from a read between writes.
        m_journal.ClearFailure();
        RecoverIfHot();
        ChangeCheck();
    } catch (...) {
        if (m_blob && index) m_blob->Unlock(locks::kWriteLock, locks::kWriteLockLength);
        if (index) m_index->Unlock(locks::kWriteLock, locks::kWriteLockLength);
        if (semaphore) Unlock(locks::kWriteSemaphore, 1);
        if (index) RetakeReadBytes();
        --m_writeDepth;
        throw;
    }
}

void TDataFile::EndWrite() {
    if (m_writeDepth == 0) return;
    if (--m_writeDepth > 0) return;
    if (!UsesLocks()) {
        // An exclusive table keeps its changes in the caches. Once some of
        // them reached the disk (the caches needed room), the journal runs
        // until everything is written, which is done after a number of writes,
        // so that the cost is shared and a crash loses only those writes.
        // ForceBufferFlush writes everything at the end of every write.
        if (!m_journal.Failed() && !WriteThrough()) {
            if (!m_journal.Active() || ++m_writesInJournal < kExclusiveWritesPerFlush) return;
        }
        m_writesInJournal = 0;
        CompleteWrites();
        return;
    }
    std::exception_ptr failure;
    try {
        // Every header gets a new change count, so other users notice any change
        // with the first counter they compare and drop what they cached.
        if (m_journal.Failed()) RaiseEngineError(err::WriteError, FileName());
        JournalPendingWrites(false, true);
        FlushRecords();
        WriteHeader(true);
        m_index->FlushPages(true);
        if (m_blob) {
            m_blob->FlushBlocks(true);
        }
        m_journal.Commit();
    } catch (...) {
        failure = std::current_exception();
        RollBackQuietly();
        try {
            ReloadAll(true);
        } catch (...) {
        }
    }
    ReleaseWriteLocks(failure);
}

void TDataFile::AbortWrite() {
    if (m_writeDepth == 0) return;
    if (--m_writeDepth > 0) return;
    // the caches still hold the table's state unless a file operation failed
    if (!UsesLocks() && !m_journal.Failed()) return;
    const bool changed = m_journal.Active();
    RollBackQuietly();
    // What the aborted write left in the caches is not the table's state.
    try {
        ReloadAll(changed);
    } catch (...) {
    }
    if (!UsesLocks()) return;
    try {
        ReleaseWriteLocks(nullptr);
    } catch (...) {
    }
}

void TDataFile::ReleaseWriteLocks(std::exception_ptr failure) {
    bool ok = true;
    if (m_blob) ok = m_blob->Unlock(locks::kWriteLock, locks::kWriteLockLength) && ok;
    ok = m_index->Unlock(locks::kWriteLock, locks::kWriteLockLength) && ok;
    ok = Unlock(locks::kWriteSemaphore, 1) && ok;
    RetakeReadBytes();
    if (failure) std::rethrow_exception(failure);
    if (!ok) RaiseEngineError(err::LockFailure, FileName());
}

bool TDataFile::HoldsRecordLock(uint32_t number) const {
    return std::find(m_recordLocks.begin(), m_recordLocks.end(), number) != m_recordLocks.end();
}

void TDataFile::LockRecord(uint32_t number) {
    if (!UsesLocks() || m_tableLocked || HoldsRecordLock(number)) return;
    int64_t offset = locks::RecordLockOffset(number);
    for (int failures = 0;;) {
        if (Lock(offset, 1)) break;
        if (++failures > m_lockRetryCount) RaiseEngineError(err::RecordInUse, FileName());
        PollWait(m_lockWaitTime);
    }
    m_recordLocks.push_back(number);
}

void TDataFile::UnlockRecord(uint32_t number) {
    auto it = std::find(m_recordLocks.begin(), m_recordLocks.end(), number);
    if (it == m_recordLocks.end()) return;
    m_recordLocks.erase(it);
    if (!Unlock(locks::RecordLockOffset(number), 1)) RaiseEngineError(err::CannotUnlock, FileName());
}

void TDataFile::LockTable() {
    if (!UsesLocks() || m_tableLocked) return;
    for (int failures = 0;;) {
        if (Lock(locks::kTableLock, locks::kTableLockLength)) break;
        if (++failures > m_lockRetryCount) RaiseEngineError(err::TableLocked, FileName());
        PollWait(m_lockWaitTime);
    }
    m_tableLocked = true;
    try {
        ChangeCheck();
    } catch (...) {
        // The caller sees a failed lock and will not unlock: give it back,
        // keeping the change check's error as the one reported.
        try {
            UnlockTable();
        } catch (...) {
        }
        throw;
    }
}

void TDataFile::UnlockTable() {
    if (!m_tableLocked) return;
    m_tableLocked = false;
    if (!Unlock(locks::kTableLock, locks::kTableLockLength)) RaiseEngineError(err::CannotUnlock, FileName());
    // Record locks held inside the table range went with it; take them again.
    for (uint32_t number : m_recordLocks) Lock(locks::RecordLockOffset(number), 1);
}

void TDataFile::ReleaseAllLocks() {
    // Closing the handles releases every OFD lock; only the bookkeeping goes.
    m_recordLocks.clear();
    m_tableLocked = false;
    m_readDepth = m_writeDepth = m_heldReadLocks = 0;
    m_indexReadByte = m_blobReadByte = 0;
}

bool TDataFile::ChangeCheck() {
    if (!UsesLocks()) return false;
    bool changed = false;
    if (m_index->CheckChangeCount()) {
        ReloadHeader();
        if (m_blob) m_blob->CheckChangeCount();
        changed = true;
    } else {
        uint8_t raw[4];
        ReadAt(0, raw, sizeof raw);
        if (GetU32(raw) != m_header.changeCount) {
            ReloadHeader();
            if (m_blob) m_blob->CheckChangeCount();
            changed = true;
        } else if (m_blob && m_blob->CheckChangeCount()) {
            changed = true;
        }
    }
    if (changed && m_onTableChanged) m_onTableChanged();
    return changed;
}

}  // namespace larch
