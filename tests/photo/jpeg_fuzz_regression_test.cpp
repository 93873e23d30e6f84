// Inputs the decoder fuzz target once crashed or hung on (fuzz_regressions/):
// each must now decode or fail with the codec's error, in every output mode.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "photo/jpeg_stream_decompressor.h"
#include "photo/photo_errors.h"
#include "dataset/file_stream.h"

namespace hollin {
namespace {

std::vector<std::filesystem::path> RegressionFiles()
{
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::directory_iterator(PHOTO_FUZZ_REGRESSIONS_DIR)) {
        if (entry.is_regular_file() && entry.path().extension() == ".jpg") {
            files.push_back(entry.path());
        }
    }
    std::sort(files.begin(), files.end());
    return files;
}

TEST(FuzzRegressionTest, EveryKeptInputDecodesOrFailsCleanly)
{
    const std::vector<std::filesystem::path> files = RegressionFiles();
    ASSERT_FALSE(files.empty());
    for (const auto& path : files) {
        std::ifstream file(path, std::ios::binary);
        const std::vector<std::uint8_t> bytes(std::istreambuf_iterator<char>(file), {});
        for (TScreenKind screen : {TScreenKind::skTrueColour, TScreenKind::skPalette, TScreenKind::skSixteenColours}) {
            TJPEGFileDecompressor decoder;
            decoder.OnWarning = [](const std::string&) {};
            decoder.SetScreen(screen);
            TMemoryStream stream(bytes);
            try {
                const QImage image = decoder.DecompressBitmap(stream);
                EXPECT_FALSE(image.isNull()) << path;
            } catch (const EJPEGError& error) {
                EXPECT_STRNE(error.what(), "") << path;
            } catch (const EOutOfMemory&) {
            }
            EXPECT_FALSE(decoder.Busy()) << path;
        }
    }
}

}  // namespace
}  // namespace hollin
