// The injected-fault hook of the file layer.
#include "engine/files/file_faults.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <utility>

namespace larch {
namespace {

FileFaultHook& Hook() {
    static FileFaultHook hook;
    return hook;
}

}  // namespace

void SetFileFaultHook(FileFaultHook hook) { Hook() = std::move(hook); }

int CheckFileFault(FileOp op, const std::string& path, std::size_t& count) {
    FileFaultHook& hook = Hook();
    return hook ? hook(op, path, count) : 0;
}

bool WriteThroughSeam(int fd, int64_t offset, const void* data, std::size_t count, const std::string& path,
                      uint64_t* calls) {
    std::size_t allowed = count;
    const int fault = CheckFileFault(FileOp::Write, path, allowed);
    const std::size_t target = fault != 0 ? std::min(allowed, count) : count;
    std::size_t done = 0;
    const char* in = static_cast<const char*>(data);
    while (done < target) {
        if (calls) ++*calls;
        ssize_t n = ::pwrite(fd, in + done, target - done, static_cast<off_t>(offset + static_cast<int64_t>(done)));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return fault == 0;
}

}  // namespace larch
