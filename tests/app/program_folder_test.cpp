// The command line and the choice of the data folder.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/program_folder.h"
#include "tests/engine/test_folder.h"

namespace hollin {
namespace {

TEST(CommandLine, OptionsAndErrors) {
    TCommandLine line = ParseCommandLine({"--data-dir", "/x", "--report", "list", "--output", "a.pdf"});
    EXPECT_TRUE(line.error.empty());
    EXPECT_EQ(line.dataDir.value_or(""), "/x");
    EXPECT_EQ(line.reportKind.value_or(""), "list");
    EXPECT_EQ(line.reportOutput.value_or(""), "a.pdf");
    EXPECT_TRUE(ParseCommandLine({"--help"}).help);
    EXPECT_EQ(ParseCommandLine({"--data-dir"}).error, "Option --data-dir needs a value");
    EXPECT_EQ(ParseCommandLine({"--what"}).error, "Unknown argument: --what");
    EXPECT_EQ(ParseCommandLine({"--report", "grid", "--output", "x"}).error, "--report takes list or detailed");
    EXPECT_EQ(ParseCommandLine({"--report", "list"}).error, "--report and --output go together");
}

TEST(DataFolder, DataDirThenExecutableFolderThenUserFolder) {
    larch::testing::TestFolder folder;
    EXPECT_EQ(ProgramDataFolder(folder / "given/sub", folder / "exe"), folder / "given/sub/");
    EXPECT_TRUE(std::filesystem::is_directory(folder / "given/sub"));

    std::filesystem::create_directory(folder / "exe");
    EXPECT_EQ(ProgramDataFolder(std::nullopt, folder / "exe/"), folder / "exe/");

    ::setenv("XDG_DATA_HOME", (folder / "xdg").c_str(), 1);
    EXPECT_EQ(UserDataFolder(), folder / "xdg/Hollin/");
    // A folder the program cannot write into (here: one that is not there,
    // which holds for root too) sends the tables to the user's folder.
    EXPECT_EQ(ProgramDataFolder(std::nullopt, folder / "usr/bin/"), folder / "xdg/Hollin/");
    EXPECT_TRUE(std::filesystem::is_directory(folder / "xdg/Hollin"));
    ::unsetenv("XDG_DATA_HOME");
    EXPECT_THROW(ProgramDataFolder(std::string("/proc/no/such"), folder / "exe/"), std::runtime_error);
}

// The command line's report reads the folder the program would use, and
// makes none.
TEST(DataFolder, TheReportsChoiceIsTheProgramsAndCreatesNothing) {
    larch::testing::TestFolder folder;
    ::setenv("XDG_DATA_HOME", (folder / "xdg").c_str(), 1);
    std::filesystem::create_directory(folder / "exe");
    struct Case {
        std::optional<std::string> dataDir;
        std::string executableFolder;
        std::string chosen;
    };
    const Case cases[] = {{folder / "given/./sub", folder / "exe/", folder / "given/sub/"},
                          {std::nullopt, folder / "exe", folder / "exe/"},
                          {std::nullopt, folder / "usr/bin/", folder / "xdg/Hollin/"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.chosen);
        EXPECT_EQ(ChosenDataFolder(c.dataDir, c.executableFolder), c.chosen);
        if (c.chosen != folder / "exe/") {
            EXPECT_FALSE(std::filesystem::exists(c.chosen));
        }
        EXPECT_EQ(ProgramDataFolder(c.dataDir, c.executableFolder), c.chosen);
    }
    ::unsetenv("XDG_DATA_HOME");
}

// The help file beside the executable wins; an installed layout
// (PREFIX/bin, PREFIX/share/hollin) finds it under share.
TEST(HelpFile, BesideTheExecutableThenInstalledUnderShare) {
    larch::testing::TestFolder folder;
    std::filesystem::create_directories(folder / "prefix/bin");
    std::filesystem::create_directories(folder / "prefix/share/hollin");
    const std::string bin = folder / "prefix/bin/";
    EXPECT_EQ(HelpFilePath(bin), bin + "HN.HLP");  // neither: the place beside it
    std::ofstream(folder / "prefix/share/hollin/HN.HLP") << "installed";
    EXPECT_EQ(HelpFilePath(bin), folder / "prefix/share/hollin/HN.HLP");
    EXPECT_EQ(HelpFilePath(folder / "prefix/bin"), folder / "prefix/share/hollin/HN.HLP");
    std::ofstream(folder / "prefix/bin/HN.HLP") << "beside";
    EXPECT_EQ(HelpFilePath(bin), bin + "HN.HLP");
}

// The manual page names every option --help names.
TEST(CommandLine, TheManualPageNamesEveryOption) {
    std::ifstream in(HOLLIN_DIST_DIR "/hollin.1");
    std::stringstream text;
    text << in.rdbuf();
    std::string page = text.str();
    for (std::size_t at; (at = page.find("\\-")) != std::string::npos;) page.erase(at, 1);  // groff's "\-"
    ASSERT_FALSE(page.empty());
    std::istringstream usage(UsageText());
    int options = 0;
    for (std::string word; usage >> word;) {
        if (word.rfind("--", 0) != 0 && word != "-h") continue;
        word = word.substr(0, word.find_first_of("=,]"));
        ++options;
        EXPECT_NE(page.find(word), std::string::npos) << word << " is not in hollin.1";
    }
    EXPECT_GE(options, 5);
}

}  // namespace
}  // namespace hollin
