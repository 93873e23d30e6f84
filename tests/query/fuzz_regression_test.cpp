// Inputs the fuzz targets once failed on, replayed through the same code: each
// must end in a refusal or a result, never a crash or a sanitizer report.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "fuzz/larch_fuzz_cases.h"

namespace larch {
namespace {

std::string ReadBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

TEST(FuzzRegressions, EveryKeptInputRunsCleanly) {
    int replayed = 0;
    for (const auto& entry : std::filesystem::directory_iterator(LARCH_FUZZ_REGRESSIONS_DIR)) {
        const std::string bytes = ReadBytes(entry.path());
        const std::string kind = entry.path().extension().string();
        SCOPED_TRACE(entry.path().filename().string());
        if (kind == ".sql") {
            fuzz::RunSql(bytes);
        } else if (kind == ".filter") {
            fuzz::RunFilter(bytes);
        } else if (kind == ".tables") {
            fuzz::RunTableFiles(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
        } else {
            continue;
        }
        ++replayed;
    }
    EXPECT_GE(replayed, 3);
}

// The seeds themselves pass, so a target starts from inputs that work.
TEST(FuzzRegressions, TheFixtureTableRoundTrips) {
    const std::vector<uint8_t> packed = fuzz::PackedFixtureTable();
    EXPECT_TRUE(fuzz::RunTableFiles(packed.data(), packed.size()));
    EXPECT_TRUE(fuzz::RunSql("SELECT * FROM T WHERE Name = 'Ann'"));
    EXPECT_TRUE(fuzz::RunFilter("Age > 10"));
    // A refusal is told apart from a result.
    EXPECT_FALSE(fuzz::RunSql("SELEC nothing"));
    EXPECT_FALSE(fuzz::RunFilter("Age >"));
}

}  // namespace
}  // namespace larch
