// The hollin executable run as a process: its command line, and the reports
// written without a window.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "data/dm2.h"
#include "tests/engine/test_folder.h"
#include "tests/support/event_cursor.h"

namespace {

namespace fs = std::filesystem;

struct ProcessRun {
    int status = -1;
    std::string output;
};

// Runs the program with arguments (and no display), collecting what it prints.
ProcessRun RunHollin(const std::string& arguments) {
    const std::string command = "env -u DISPLAY -u QT_QPA_PLATFORM " HOLLIN_EXECUTABLE " " + arguments + " 2>&1";
    ProcessRun run;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) return run;
    char buffer[512];
    while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) run.output += buffer;
    const int status = ::pclose(pipe);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

TEST(Executable, CommandLineAndReports) {
    larch::testing::TestFolder folder;
    hollin::Tdm2::CreateTables(folder.path());
    {
        auto table = larch::testing::EventCursor(folder.path());
        table->Open();
        larch::testing::AddEvent(*table, "Ann", "Baker");
    }
    ProcessRun help = RunHollin("--help");
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.output.find("--data-dir DIR"), std::string::npos);
    EXPECT_NE(help.output.find(".local/share/Hollin"), std::string::npos);
    // In the build tree the help file lies beside the executable.
    EXPECT_NE(help.output.find("The help file: " + fs::path(HOLLIN_EXECUTABLE).parent_path().string() + "/HN.HLP\n"),
              std::string::npos)
        << help.output;
    EXPECT_EQ(RunHollin("--bogus").status, 2);

    struct Case {
        const char* kind;
        const char* file;
        int status;
    };
    const Case cases[] = {{"list", "list.pdf", 0}, {"detailed", "detailed.pdf", 0}, {"list", "list.txt", 0},
                          {"detailed", "detailed.txt", 2}};
    for (const Case& c : cases) {
        const std::string output = folder / c.file;
        ProcessRun run = RunHollin("--data-dir " + folder.path() + " --report " + c.kind + " --output " + output);
        EXPECT_EQ(run.status, c.status) << c.kind << " " << c.file << ": " << run.output;
        EXPECT_EQ(fs::exists(output), c.status == 0) << c.file;
        if (c.status == 0) {
            EXPECT_GT(fs::file_size(output), 0u) << c.file;
        }
    }
    ProcessRun missing = RunHollin("--data-dir " + (folder / "nowhere") + " --report list --output " + (folder / "x.pdf"));
    EXPECT_EQ(missing.status, 1) << missing.output;
    EXPECT_FALSE(fs::exists(folder / "nowhere"));
}

}  // namespace
