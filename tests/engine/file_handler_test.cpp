#include "engine/files/file_handler.h"

#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <functional>

#include <gtest/gtest.h>

#include "engine/files/engine_error.h"
#include "tests/engine/test_folder.h"
#include "tests/support/engine_error_code.h"

namespace larch {
namespace {

using testing::TestFolder;

using testing::CodeOf;

void WriteFile(const std::string& path, const std::string& content) {
    std::ofstream(path, std::ios::binary) << content;
}

TEST(MakeTableFileName, ExtensionRule) {
    struct Case {
        const char* name;
        const char* made;
    } cases[] = {
        {"Hollin", "Hollin.DAT"},       {"Hollin.dat", "Hollin.dat"},
        {"Hollin.txt", "Hollin.DAT"},   {"  Hollin.DAT  ", "Hollin.DAT"},
        {"/a.b/Hollin", "/a.b/Hollin.DAT"}, {"/a.b/c.x", "/a.b/c.DAT"},
    };
    for (const Case& c : cases) EXPECT_EQ(MakeTableFileName(c.name, ".DAT"), c.made);
}

TEST(FileHandler, OpensAFileSpelledInAnotherCase) {
    TestFolder folder;
    WriteFile(folder / "Hollin.DAT", "abc");
    TFileHandler file;
    file.SetFileName(folder / "hollin.dat");
    EXPECT_TRUE(file.Exists());
    file.Open();
    char buffer[3];
    EXPECT_EQ(file.Read(buffer, 3), 3u);
    EXPECT_EQ(std::string(buffer, 3), "abc");
}

TEST(FileHandler, ErrorsOfOpenCreateAndChangesWhileOpen) {
    TestFolder folder;
    TFileHandler missing;
    missing.SetFileName(folder / "none.DAT");
    EXPECT_EQ(CodeOf([&] { missing.Open(); }), 11010);

    TFileHandler shared;
    shared.SetFileName(folder / "new.DAT");
    EXPECT_EQ(CodeOf([&] { shared.Create(); }), 10253);

    TFileHandler file;
    file.SetExclusive(true);
    file.SetFileName(folder / "new.DAT");
    file.Create();
    EXPECT_EQ(CodeOf([&] { file.SetFileName(folder / "other.DAT"); }), 10031);
    EXPECT_EQ(CodeOf([&] { file.SetExclusive(false); }), 10031);
    EXPECT_EQ(CodeOf([&] { file.SetExclusive(true); }), 0);  // same value is allowed
    EXPECT_EQ(CodeOf([&] { file.Delete(); }), 10031);
    char byte;
    EXPECT_EQ(CodeOf([&] { file.ReadAt(0, &byte, 1); }), 9217);
    EXPECT_EQ(file.ReadAt(0, &byte, 1, true), 0u);
}

TEST(FileHandler, ShareModesExcludeEachOther) {
    TestFolder folder;
    WriteFile(folder / "t.DAT", "x");
    TFileHandler first, second, exclusive;
    for (TFileHandler* f : {&first, &second, &exclusive}) f->SetFileName(folder / "t.DAT");
    exclusive.SetExclusive(true);

    first.Open();
    second.Open();  // two shared opens coexist
    EXPECT_EQ(CodeOf([&] { exclusive.Open(); }), 11013);
    first.Close();
    second.Close();
    exclusive.Open();
    EXPECT_EQ(CodeOf([&] { first.Open(); }), 11013);
}

TEST(FileHandler, ReadOnlyAttributeOpensReadOnly) {
    TestFolder folder;
    WriteFile(folder / "r.DAT", "data");
    ::chmod((folder / "r.DAT").c_str(), 0444);
    TFileHandler file;
    file.SetFileName(folder / "r.DAT");
    file.Open();
    EXPECT_TRUE(file.ReadOnly());
    EXPECT_TRUE(file.ReadOnlyByAttribute());
    EXPECT_EQ(CodeOf([&] { file.WriteAt(0, "z", 1); }), 11013);
}

TEST(FileHandler, LocksConflictBetweenHandlesOfOneProcess) {
    TestFolder folder;
    WriteFile(folder / "l.DAT", "x");
    TFileHandler a, b;
    a.SetFileName(folder / "l.DAT");
    b.SetFileName(folder / "l.DAT");
    a.Open();
    b.Open();
    EXPECT_TRUE(a.Lock(2147483647LL, 1));
    EXPECT_FALSE(b.Lock(2147483647LL, 1));
    EXPECT_TRUE(b.Lock(2147483600LL, 1, true));  // readers of other bytes pass
    EXPECT_TRUE(a.Unlock(2147483647LL, 1));
    EXPECT_TRUE(b.Lock(2147483647LL, 1));
}

TEST(FileHandler, WriteOfZeroBytesTruncatesAndCopyToCopiesAll) {
    TestFolder folder;
    TFileHandler file;
    file.SetExclusive(true);
    file.SetFileName(folder / "c.DAT");
    file.Create();
    std::string big(200000, 'q');
    file.WriteAt(0, big.data(), big.size());
    file.CopyTo(folder / "copy.bin");
    EXPECT_EQ(std::filesystem::file_size(folder / "copy.bin"), big.size());
    file.Seek(10, 0);
    file.Write(nullptr, 0);
    EXPECT_EQ(file.Size(), 10);
    file.Close();
    file.Rename(folder / "d");
    EXPECT_EQ(file.FileName(), folder / "d");
    EXPECT_TRUE(std::filesystem::exists(folder / "d"));
    file.Delete();
    EXPECT_EQ(CodeOf([&] { file.Delete(); }), 9220);
}

}  // namespace
}  // namespace larch
