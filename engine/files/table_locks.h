// Byte ranges of the locks through which several users share a table. All lie
// beyond any real data, so they never block reading or writing the bytes.
//
// Invariants:
//  1. A writer takes the data file's write semaphore before the index and blob
//     write locks, and releases them in reverse order after it has written
//     everything it changed; writers are therefore serialised.
//  2. A reader holds a one-byte read lock inside the write-lock range of the
//     index (and blob) file while it reads from disk, so it never sees a
//     writer's half-written pages.
//  3. The table lock covers the record-lock byte of every possible record.
//  4. An exclusive table, or one whose data file is read-only by attribute,
//     takes no locks: it can have no other user.
#pragma once

#include <cstdint>

namespace larch::locks {

// Data file.
constexpr int64_t kWriteSemaphore = 2147483647;  // 2^31 - 1, one byte
constexpr int64_t kRecordLockBase = 2147483646;  // record n: base - n, one byte
constexpr int64_t kTableLock = 2047483645;
constexpr int64_t kTableLockLength = 100000001;
// Index and blob files.
constexpr int64_t kWriteLock = 2147418112;  // 2^31 - 65536
constexpr int64_t kWriteLockLength = 65535;
constexpr int64_t kReadLockTop = 2147483647;  // read byte: top - r, r in 1..65534
constexpr int kMaxReadLockOffset = 65534;
// File-level locks are retried every 3 ms up to 8192 times.
constexpr int kFileLockRetries = 8192;
constexpr int kFileLockWaitMs = 3;

inline int64_t RecordLockOffset(uint32_t number) { return kRecordLockBase - static_cast<int64_t>(number); }

}  // namespace larch::locks
