// The injected-fault hook of the file layer.
#include "engine/file_faults.h"

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

}  // namespace larch
