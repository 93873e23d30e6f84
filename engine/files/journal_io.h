// The journal's file operations and byte encodings (layout in table_journal.h),
// shared by the writer's side and the rollback.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/files/table_journal.h"

namespace larch::journal_io {

constexpr uint8_t kKindRegions = 1;
constexpr uint8_t kKindSwap = 2;

std::vector<uint8_t> EncodeHeader(uint8_t kind, uint8_t present, const int64_t sizes[3], uint32_t writeNumber,
                                  uint32_t bodyLength, uint32_t bodyCrc);
// Fills the 20-byte entry header in front of its n data bytes at `entry`.
void EncodeEntry(uint8_t* entry, uint8_t file, int64_t offset, uint32_t length, uint32_t writeNumber);
// Whether the 64 bytes are a journal header that checks out.
bool HeaderValid(const uint8_t* header);
// Whether the journal open at `fd` starts with a header that checks out.
bool HasValidHeader(int fd);
std::vector<uint8_t> EncodeSwap(const std::vector<TTableJournal::SwapFile>& files);

// Opens (creating when missing) the journal and takes its lock, waiting for
// another holder; the descriptor refers to the file under its name. Raises
// the engine's error on failure.
int OpenLocked(const std::string& path);
// Takes the journal lock without waiting, or waiting as the file locks do;
// gives it back.
bool TryLock(int fd);
bool LockWait(int fd);
void Unlock(int fd) noexcept;
// Whether `fd` is the file that bears the name `path` now.
bool StillNamed(int fd, const std::string& path);
// Opens a journal and waits for its lock; -1 when there is none or it was
// removed meanwhile (its writer finished). 11013 when it cannot be written.
int OpenHot(const std::string& path);
// Positional writes and syncs through the fault seam; 9218 on failure.
void WriteAll(int fd, int64_t offset, const void* data, std::size_t count, const std::string& path);
void Sync(int fd, const std::string& path);
// Makes a new or removed name in the path's folder durable (best effort).
void SyncFolderOf(const std::string& path) noexcept;

// Rolls back the journal open at `fd` onto the table whose data file is
// `dataPath`; false when its header does not check out (nothing to do).
bool Apply(int fd, const std::string& path, const std::string& dataPath);

}  // namespace larch::journal_io
