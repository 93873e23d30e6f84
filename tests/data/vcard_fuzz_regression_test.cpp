// The vCard fuzz target's kept inputs and the corpus, replayed through the
// target's own code: each must run to its end.
#include <gtest/gtest.h>

#include <filesystem>

#include "data/vcard_import.h"
#include "fuzz/vcard_fuzz_case.h"

namespace hollin {
namespace {

TEST(VCardFuzzRegressions, EveryKeptInputRunsCleanly) {
    int replayed = 0;
    for (const char* folder : {"/tests/data/vcard_fuzz_regressions", "/tests/data/vcards"}) {
        for (const auto& entry : std::filesystem::directory_iterator(std::string(HOLLIN_SOURCE_DIR) + folder)) {
            SCOPED_TRACE(entry.path().filename().string());
            const std::string bytes = ReadWholeFile(entry.path().string());
            fuzz::RunVCard(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
            ++replayed;
        }
    }
    EXPECT_GE(replayed, 9);
}

}  // namespace
}  // namespace hollin
