// The data module's whole-table commands: the table count, emptying, reset,
// wildcard sets, and backup and restore (also while another process writes).
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "data/dm2.h"
#include "data/event_schema.h"
#include "data/file_copy.h"
#include "dataset/date_time.h"
#include "engine/files/file_faults.h"
#include "engine/files/table_journal.h"
#include "engine/tables/table_verify.h"
#include "tests/engine/test_folder.h"
#include "tests/support/event_cursor.h"
#include "tests/support/test_text.h"

namespace hollin {
namespace {

namespace fs = std::filesystem;
using larch::testing::AddEvent;
using larch::testing::EventCursor;
using larch::testing::TestFolder;
using larch::testing::ReadFile;


void MakeTable(const std::string& folder, const std::string& name) {
    larch::TLarchTable table;
    table.SetDatabaseName(folder);
    table.SetTableName(name);
    CreateEventTable(table, kUserTableIndexCount);
}

std::vector<std::string> FirstNames(TDataSet& table) {
    std::vector<std::string> names;
    for (table.First(); !table.Eof(); table.Next()) names.push_back(table.FieldByName("FirstName").AsString());
    return names;
}

TEST(Wildcards, MatchIgnoringCase) {
    struct Case {
        const char* pattern;
        const char* name;
        bool match;
    };
    const Case cases[] = {
        {"*.DAT", "Hollin.DAT", true}, {"*.DAT", "work.dat", true},  {"*.DAT", "Hollin.DATA", false},
        {"*.DAT", "DAT", false},       {"*", "List.txt", true},      {"*.*", "noext", false},
        {"H?llin.*", "Hollin.BLB", true}, {"*a*b", "xaxxb", true},   {"*a*b", "xaxxbc", false},
    };
    for (const Case& c : cases) EXPECT_EQ(WildcardMatch(c.pattern, c.name), c.match) << c.pattern << " " << c.name;
}

class TableCommands : public ::testing::Test {
protected:
    void SetUp() override {
        dm2.dm2Create();
        AddEvent(dm2.Larchtbl, "Zed", "Young", "Birthday", EncodeDate(1980, 5, 1));
        AddEvent(dm2.Larchtbl, "Ann", "Baker", "Passing", EncodeDate(2000, 6, 1));
    }

    TestFolder folder;
    Tdm2 dm2{folder.path()};
};

TEST_F(TableCommands, TableCountAndReset) {
    EXPECT_EQ(dm2.TableCount(), 1);
    MakeTable(folder.path(), "Work.DAT");
    EXPECT_EQ(dm2.TableCount(), 2);

    dm2.Larchtbl.SetIndexName("LastName");
    dm2.Larchtbl.SetFilter("Event = 'Passing'");
    dm2.Larchtbl.SetFiltered(true);
    EXPECT_EQ(FirstNames(dm2.Larchtbl), std::vector<std::string>{"Ann"});
    dm2.ResetView();
    EXPECT_EQ(FirstNames(dm2.Larchtbl), (std::vector<std::string>{"Ann", "Zed"}));
    EXPECT_EQ(dm2.Larchtbl.IndexName(), "FirstName");
    EXPECT_EQ(dm2.Larchtbl.Filter(), "Event = 'Passing'");  // the text stays
}

TEST_F(TableCommands, EmptyingLeavesTheTableClosedAndRestartsTheKeys) {
    dm2.RunSql(0);
    EXPECT_EQ(dm2.StatusTexts().recNo, "Record 1 of 2");
    dm2.EmptyOpenTable();
    EXPECT_FALSE(dm2.Larchtbl.Active());
    EXPECT_FALSE(dm2.Larchq.Active());
    EXPECT_FALSE(dm2.Larchq.Prepared());
    EXPECT_EQ(dm2.StatusTexts().recNo, "");
    EXPECT_EQ(dm2.StatusTexts().eTitle, "");
    dm2.Larchtbl.Open();
    EXPECT_TRUE(dm2.Larchtbl.IsEmpty());
    AddEvent(dm2.Larchtbl, "New", "One");
    EXPECT_EQ(dm2.Larchtbl.FieldByName("IndexField").AsInteger(), 1);
}

TEST_F(TableCommands, BackupCopiesEveryTableAndRestoreBringsItBack) {
    MakeTable(folder.path(), "Work.DAT");
    EXPECT_FALSE(dm2.RestoreTables({}));  // no backup yet: nothing happens
    EXPECT_TRUE(dm2.Larchtbl.Active());

    EXPECT_EQ(dm2.BackupTables({}), 0);
    for (const char* name : {"Hollin.DAT", "Hollin.IDX", "Hollin.BLB", "Work.DAT", "Work.IDX", "Work.BLB"}) {
        ASSERT_TRUE(fs::exists(folder / ("Backup/" + std::string(name)))) << name;
        EXPECT_EQ(ReadFile(folder / ("Backup/" + std::string(name))), ReadFile(folder / name)) << name;
    }
    EXPECT_EQ(MatchingFiles(dm2.BackupFolder(), {"*"}).size(), 6u);

    AddEvent(dm2.Larchtbl, "Late", "Comer");
    EXPECT_EQ(dm2.BackupTables({}), 0);  // a second backup replaces the copies
    dm2.Larchtbl.First();
    dm2.Larchtbl.Delete();
    EXPECT_EQ(FirstNames(dm2.Larchtbl), (std::vector<std::string>{"Late", "Zed"}));

    std::vector<std::string> texts;
    dm2.OnStatusChange = [&](const TRecordStatusTexts& status) { texts.push_back(status.recNo); };
    EXPECT_TRUE(dm2.RestoreTables({}));
    EXPECT_TRUE(dm2.Larchtbl.Active());
    EXPECT_EQ(FirstNames(dm2.Larchtbl), (std::vector<std::string>{"Ann", "Late", "Zed"}));
    ASSERT_FALSE(texts.empty());
    EXPECT_EQ(texts.back(), "Record 3 of 3");
    EXPECT_FALSE(dm2.Larchq.Active());
}

TEST_F(TableCommands, AFailedTableIsReportedAndTheOthersAreStillCopied) {
    MakeTable(folder.path(), "Work.DAT");
    EXPECT_EQ(dm2.BackupTables({}), 0);
    const std::string oldWork = ReadFile(folder / "Backup/Work.IDX");
    AddEvent(dm2.Larchtbl, "Late", "Comer");
    {
        auto work = EventCursor(folder.path());
        work->Close();
    }
    larch::TLarchTable work;
    work.SetDatabaseName(folder.path());
    work.SetTableName("Work.DAT");
    work.Open();
    AddEvent(work, "Worker", "W");
    work.Close();

    // Something in the way of Work's copy: its temporary name is a folder.
    fs::create_directories(folder / "Backup/Work.IDX.copying");
    std::vector<std::string> failed;
    TCopyCallbacks callbacks;
    callbacks.onError = [&](const std::string& file, const std::string&) { failed.push_back(file); };
    EXPECT_EQ(dm2.BackupTables(callbacks), 1);
    EXPECT_EQ(failed, std::vector<std::string>{folder / "Work.BLB"});
    // Work's old copy is whole and untouched; Hollin's is the new one.
    EXPECT_EQ(ReadFile(folder / "Backup/Work.IDX"), oldWork);
    EXPECT_EQ(ReadFile(folder / "Backup/Hollin.DAT"), ReadFile(folder / "Hollin.DAT"));
    EXPECT_NE(ReadFile(folder / "Backup/Work.DAT"), ReadFile(folder / "Work.DAT"));
}

TEST_F(TableCommands, ABackupWhileAnotherProcessWritesIsConsistent) {
    dm2.Larchtbl.Close();
    const std::string stopFile = folder / "stop";
    pid_t writer = ::fork();
    if (writer == 0) {
        int status = 0;
        try {
            auto table = EventCursor(folder.path());
            table->Open();
            for (int i = 0; i < 20000 && !fs::exists(stopFile); ++i) {
                table->Insert();
                table->FieldByName("FirstName").SetAsString("W" + std::to_string(i));
                table->FieldByName("LastName").SetAsString("Writer");
                table->FieldByName("Event").SetAsString("Birthday");
                table->FieldByName("EventDate").SetAsDate(EncodeDate(1990, 1, 1 + i % 28));
                table->FieldByName("Notes").SetAsString(std::string(200 + i % 700, 'n'));
                table->Post();
            }
        } catch (...) {
            status = 1;
        }
        ::_exit(status);
    }
    for (int run = 0; run < 4; ++run) {
        std::this_thread::sleep_for(std::chrono::milliseconds(40));
        ASSERT_EQ(dm2.BackupTables({}), 0);
        larch::TLarchTable copy;
        copy.SetDatabaseName(dm2.BackupFolder());
        copy.SetTableName("Hollin.DAT");
        copy.SetReadOnly(true);
        copy.Open();
        EXPECT_EQ(larch::VerifyTable(*copy.DataFile()), std::vector<std::string>{}) << "run " << run;
        EXPECT_GE(copy.RecordCount(), 2);
    }
    std::ofstream(stopFile) << "stop";
    int status = -1;
    ::waitpid(writer, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

}  // namespace
}  // namespace hollin

namespace hollin {
namespace {

TEST_F(TableCommands, RestoreAfterAKilledWriterPutsBackTheBackupWhole) {
    EXPECT_EQ(dm2.BackupTables({}), 0);
    for (int i = 0; i < 30; ++i) AddEvent(dm2.Larchtbl, "More" + std::to_string(i), "Rows");
    dm2.Larchtbl.Close();
    // A writer killed in the middle of a Post leaves a journal to roll back.
    pid_t writer = ::fork();
    if (writer == 0) {
        auto table = EventCursor(folder.path());
        table->Open();
        int writes = 0;
        larch::SetFileFaultHook([&](larch::FileOp op, const std::string& path, std::size_t&) {
            if (op == larch::FileOp::Write && path.find(".JNL") == std::string::npos && ++writes == 2) ::_exit(0);
            return 0;
        });
        AddEvent(*table, "Killed", "Midway");
        ::_exit(1);
    }
    int status = -1;
    ::waitpid(writer, &status, 0);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    ASSERT_TRUE(larch::TTableJournal::MayBeHot(folder / "Hollin.DAT"));

    EXPECT_TRUE(dm2.RestoreTables({}));
    EXPECT_FALSE(larch::TTableJournal::MayBeHot(folder / "Hollin.DAT"));
    EXPECT_EQ(FirstNames(dm2.Larchtbl), (std::vector<std::string>{"Ann", "Zed"}));
    EXPECT_EQ(larch::VerifyTable(*dm2.Larchtbl.DataFile()), std::vector<std::string>{});
    // Nothing of the swap is left beside the table.
    EXPECT_EQ(MatchingFiles(folder.path(), {"Hollin.*"}),
              (std::vector<std::string>{"Hollin.BLB", "Hollin.DAT", "Hollin.IDX"}));
}

}  // namespace
}  // namespace hollin

namespace hollin {
namespace {

// A second program that has the table open keeps it through a restore: the
// restore refuses that table, names it, and goes on with the others; what the
// second program posts afterwards is on the disk.
TEST_F(TableCommands, RestoreLeavesATableThatAnotherProgramHasOpenAndSaysSo) {
    MakeTable(folder.path(), "Work.DAT");
    EXPECT_EQ(dm2.BackupTables({}), 0);
    AddEvent(dm2.Larchtbl, "After", "Backup");
    {
        larch::TLarchTable work;
        work.SetDatabaseName(folder.path());
        work.SetTableName("Work.DAT");
        work.Open();
        AddEvent(work, "Gone", "After");  // the restore puts the empty Work back
    }
    int toChild[2], fromChild[2];
    ASSERT_EQ(::pipe(toChild), 0);
    ASSERT_EQ(::pipe(fromChild), 0);
    const pid_t other = ::fork();
    if (other == 0) {
        // The other program: has the table open across the restore, then
        // refreshes, edits and posts.
        char byte = 0;
        int status = 1;
        try {
            auto table = EventCursor(folder.path());
            table->Open();
            if (::write(fromChild[1], "o", 1) != 1 || ::read(toChild[0], &byte, 1) != 1) ::_exit(3);
            table->Refresh();
            table->First();
            table->Edit();
            table->FieldByName("LastName").SetAsString("Kept");
            table->Post();
            table->Close();
            status = 0;
        } catch (...) {
            status = 2;
        }
        ::_exit(status);
    }
    char byte = 0;
    ASSERT_EQ(::read(fromChild[0], &byte, 1), 1);
    std::vector<std::string> errors;
    TCopyCallbacks callbacks;
    callbacks.onError = [&](const std::string& file, const std::string& message) {
        errors.push_back(fs::path(file).filename().string() + ": " + message);
    };
    EXPECT_TRUE(dm2.RestoreTables(callbacks));
    ASSERT_EQ(::write(toChild[1], "g", 1), 1);
    int status = -1;
    ::waitpid(other, &status, 0);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_NE(errors[0].find("Hollin.DAT is already locked by another user"), std::string::npos) << errors[0];

    // The other program's edit is on the disk, the table is whole, and the
    // table nobody held was restored.
    dm2.Larchtbl.Refresh();
    dm2.Larchtbl.First();
    EXPECT_EQ(dm2.Larchtbl.FieldByName("LastName").AsString(), "Kept");
    EXPECT_EQ(FirstNames(dm2.Larchtbl), (std::vector<std::string>{"After", "Ann", "Zed"}));
    EXPECT_EQ(larch::VerifyTable(*dm2.Larchtbl.DataFile()), std::vector<std::string>{});
    larch::TLarchTable work;
    work.SetDatabaseName(folder.path());
    work.SetTableName("Work.DAT");
    work.Open();
    EXPECT_TRUE(work.IsEmpty());
}

}  // namespace
}  // namespace hollin
