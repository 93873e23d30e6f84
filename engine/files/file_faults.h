// A test seam for injected I/O faults in the table files and their journal.
#pragma once

#include <cstddef>
#include <functional>
#include <string>

namespace larch {

enum class FileOp { Read, Write, Truncate, Sync };

// Called before every read, write, truncate and sync that the table file
// handlers and the rollback journal make. It returns 0 to let the operation
// run, or an errno value to make it fail with that error; for a write it may
// also lower `count`, so that only that many bytes are written before the
// failure (a short write). A hook may end the process itself (a crash).
using FileFaultHook = std::function<int(FileOp op, const std::string& path, std::size_t& count)>;

// Installs the hook (an empty one removes it). Not thread-safe: for tests.
void SetFileFaultHook(FileFaultHook hook);

// The hook's answer, 0 when none is installed.
int CheckFileFault(FileOp op, const std::string& path, std::size_t& count);

// Writes `count` bytes at `offset` of `fd` (the file `path`) through the
// seam, retrying short and interrupted writes; false when it failed. Each
// write() call is counted in `calls` when given.
bool WriteThroughSeam(int fd, int64_t offset, const void* data, std::size_t count, const std::string& path,
                      uint64_t* calls = nullptr);

}  // namespace larch
