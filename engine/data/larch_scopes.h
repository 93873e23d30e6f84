// Scopes of the lock protocol for one cursor operation: a read scope holds the
// read locks (and runs the change check) for the operation's disk reads; a
// write scope holds the write locks and writes everything on its way out.
#pragma once

#include "engine/data/data_file.h"

namespace larch {

class ReadScope {
public:
    explicit ReadScope(TDataFile& file) : m_file(file) { m_file.BeginRead(); }
    ~ReadScope() {
        try {
            m_file.EndRead();
        } catch (...) {
            // A lock the system will not release goes with the handle at close.
        }
    }
    ReadScope(const ReadScope&) = delete;
    ReadScope& operator=(const ReadScope&) = delete;

private:
    TDataFile& m_file;
};

// Finish() ends the write and reports its errors; a scope left by an
// exception aborts it quietly (rolling back what it changed), so that the
// first error is the one raised.
class WriteScope {
public:
    explicit WriteScope(TDataFile& file) : m_file(file) { m_file.BeginWrite(); }
    ~WriteScope() {
        if (m_open) m_file.AbortWrite();
    }
    void Finish() {
        m_open = false;
        m_file.EndWrite();
    }
    WriteScope(const WriteScope&) = delete;
    WriteScope& operator=(const WriteScope&) = delete;

private:
    TDataFile& m_file;
    bool m_open = true;
};

// A batch of Posts by one cursor (a bulk import): the table lock (which
// covers every record lock, so none is taken per record) and the write locks
// are taken once, and everything is written and the change counts bumped
// once at the end. Other users see the whole batch or none of it: the
// journal guards the batch as one write, and Finish reports its errors; a
// batch left by an exception is rolled back.
class BatchWriteScope {
public:
    explicit BatchWriteScope(TDataFile& file) : m_file(file) {
        m_file.LockTable();
        try {
            m_file.BeginWrite();
        } catch (...) {
            UnlockQuietly();
            throw;
        }
        m_file.SetBatch(true);
    }
    ~BatchWriteScope() {
        if (!m_open) return;
        m_file.SetBatch(false);
        m_file.AbortWrite();
        UnlockQuietly();
    }
    void Finish() {
        m_open = false;
        m_file.SetBatch(false);
        try {
            m_file.EndWrite();
        } catch (...) {
            UnlockQuietly();
            throw;
        }
        m_file.UnlockTable();
    }
    BatchWriteScope(const BatchWriteScope&) = delete;
    BatchWriteScope& operator=(const BatchWriteScope&) = delete;

private:
    void UnlockQuietly() noexcept {
        try {
            m_file.UnlockTable();
        } catch (...) {
        }
    }

    TDataFile& m_file;
    bool m_open = true;
};

}  // namespace larch
