#include "dataset/file_stream.h"

#include <filesystem>

#include <gtest/gtest.h>
#include <unistd.h>

namespace hollin {
namespace {

TEST(FileStream, RoundTripsAndNamesTheFileItCannotOpen) {
    std::string pattern = (std::filesystem::temp_directory_path() / "hollin-stream-XXXXXX").string();
    const std::string folder = ::mkdtemp(pattern.data());
    const std::string path = folder + "/data.bin";
    {
        TFileStream file(path, TFileMode::fmCreate);
        file.Write("abcdefgh", 8);
        file.SetPosition(6);
        file.Truncate();
    }
    TFileStream file(path, TFileMode::fmOpenRead);
    EXPECT_EQ(file.Size(), 6);
    file.Seek(-2, TSeekOrigin::End);
    EXPECT_EQ(file.ReadRest(), (std::vector<uint8_t>{'e', 'f'}));
    EXPECT_THROW(file.Write("x", 1), EStreamError);
    try {
        TFileStream missing(folder + "/missing.jpg", TFileMode::fmOpenRead);
        FAIL() << "opened a missing file";
    } catch (const EStreamError& error) {
        EXPECT_EQ(std::string(error.what()), "Cannot open file \"" + folder + "/missing.jpg\". No such file or directory");
    }
    std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace hollin
