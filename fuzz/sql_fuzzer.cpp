// libFuzzer target: SQL statements, parsed, analysed and run against a small
// table; the engine's own errors are refusals, anything else a finding.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz/larch_fuzz_cases.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    larch::fuzz::RunSql(std::string(reinterpret_cast<const char*>(data), size));
    return 0;
}
