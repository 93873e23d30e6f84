// The shell's .import when the engine fails in the middle of a batch: the
// import stops there and the table keeps what it held.
#include <gtest/gtest.h>

#include <cerrno>
#include <fstream>
#include <sstream>
#include <string>

#include "engine/cursor/larch_table.h"
#include "engine/files/file_faults.h"
#include "engine/tables/table_verify.h"
#include "shell/shell_context.h"
#include "tests/engine/test_folder.h"

namespace larch::shell {
namespace {

using testing::TestFolder;

std::string Rows(int first, int count) {
    std::string text = "Name\n";
    for (int i = first; i < first + count; ++i) text += "N" + std::to_string(i) + "\n";
    return text;
}

struct ShellRun {
    std::ostringstream out, err;
    ShellContext context;
    explicit ShellRun(const TestFolder& folder) {
        context.folder = folder.path() + "/";
        context.out = &out;
        context.err = &err;
    }
    void Command(const std::string& line) { RunCommand(context, ShellCommand{true, line, 0}); }
};

int CountLines(const std::string& text, const std::string& part) {
    int count = 0;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) count += line.find(part) != std::string::npos;
    return count;
}

// A table of 600 rows and a file of 50 more, in a new folder.
void MakeTable(const TestFolder& folder) {
    std::ofstream(folder / "first.csv") << Rows(0, 600);
    std::ofstream(folder / "more.csv") << Rows(600, 50);
    ShellRun setUp(folder);
    setUp.Command(".create T (Id AUTOINC, Name STRING(10) NOT NULL) PRIMARY (Id) INDEX ByName (Name)");
    setUp.Command(".import T " + (folder / "first.csv"));
    ASSERT_FALSE(setUp.context.failed) << setUp.err.str();
}

TEST(ShellImport, AFailedReadEndsTheImportAndKeepsTheTable) {
    // The batch checks the table's change counts (4-byte reads) once, when
    // it takes the locks; the first page read after that is a row's Post
    // descending to a page not cached yet.
    int reads = 0, firstPostRead = 0;
    {
        TestFolder dry;
        MakeTable(dry);
        SetFileFaultHook([&](FileOp op, const std::string& path, std::size_t& count) {
            if (op != FileOp::Read || !path.ends_with("T.IDX")) return 0;
            ++reads;
            if (count == 4) firstPostRead = 0;
            else if (firstPostRead == 0) firstPostRead = reads;
            return 0;
        });
        ShellRun import(dry);
        import.Command(".import T " + (dry / "more.csv"));
        SetFileFaultHook(nullptr);
        ASSERT_FALSE(import.context.failed) << import.err.str();
        ASSERT_GT(firstPostRead, 0);
    }

    TestFolder folder;
    MakeTable(folder);
    int seen = 0;
    SetFileFaultHook([&](FileOp op, const std::string& path, std::size_t&) {
        return op == FileOp::Read && path.ends_with("T.IDX") && ++seen == firstPostRead ? EIO : 0;
    });
    ShellRun import(folder);
    import.Command(".import T " + (folder / "more.csv"));
    SetFileFaultHook(nullptr);
    EXPECT_TRUE(import.context.failed);
    // The row whose Post failed, then the batch it broke; no row after it.
    EXPECT_EQ(CountLines(import.err.str(), "more.csv:"), 2) << import.err.str();
    EXPECT_NE(import.err.str().find("the rows from line 2 on were not added"), std::string::npos) << import.err.str();

    TLarchTable table;
    table.SetDatabaseName(folder.path());
    table.SetTableName("T");
    table.Open();
    EXPECT_EQ(table.RecordCount(), 600);
    EXPECT_TRUE(VerifyTable(*table.DataFile()).empty());
}

}  // namespace
}  // namespace larch::shell
