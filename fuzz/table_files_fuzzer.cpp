// libFuzzer target: damaged table files (data, index and blob file packed
// into one input) opened, read, checked and repaired.
#include <cstddef>
#include <cstdint>

#include "fuzz/larch_fuzz_cases.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    larch::fuzz::RunTableFiles(data, size);
    return 0;
}
