// libFuzzer target: filter texts on a cursor over a small table.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz/larch_fuzz_cases.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    larch::fuzz::RunFilter(std::string(reinterpret_cast<const char*>(data), size));
    return 0;
}
