// Tests of the memory and file streams.
#include <gtest/gtest.h>

#include <filesystem>

#include <unistd.h>

#include "photo/photo_errors.h"
#include "photo/stream.h"

namespace hollin {
namespace {

TEST(StreamTest, MemoryStreamReadsWritesAndSeeks)
{
    TMemoryStream stream;
    stream.Write("hello", 5);
    EXPECT_EQ(stream.Position(), 5);
    stream.Seek(2, TSeekOrigin::soEnd);  // beyond the end: a later write fills the gap
    stream.Write("!", 1);
    EXPECT_EQ(stream.Size(), 8);
    EXPECT_EQ(stream.Bytes()[6], 0);

    stream.SetPosition(1);
    char buffer[16] = {};
    EXPECT_EQ(stream.Read(buffer, sizeof buffer), 7u);
    EXPECT_STREQ(buffer, "ello");
    EXPECT_EQ(stream.Read(buffer, 1), 0u);
    stream.Seek(100, TSeekOrigin::soCurrent);
    EXPECT_EQ(stream.Read(buffer, 1), 0u);
    EXPECT_THROW(stream.Seek(-1, TSeekOrigin::soBeginning), EStreamError);
    EXPECT_THROW(stream.Seek(INT64_MAX, TSeekOrigin::soCurrent), EStreamError);
}

TEST(StreamTest, FileStreamRoundTripsAndNamesTheFileItCannotOpen)
{
    std::string pattern = (std::filesystem::temp_directory_path() / "hollin-stream-XXXXXX").string();
    const std::string folder = ::mkdtemp(pattern.data());
    const std::string path = folder + "/data.bin";
    {
        TFileStream file(path, TFileMode::fmCreate);
        file.Write("abcdef", 6);
    }
    TFileStream file(path, TFileMode::fmOpenRead);
    EXPECT_EQ(file.Size(), 6);
    file.Seek(-2, TSeekOrigin::soEnd);
    EXPECT_EQ(file.ReadToEnd(), (std::vector<std::uint8_t>{'e', 'f'}));
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
