// Several processes on one table: record locks, exclusive opens, change
// detection and a stress run checked with the integrity check.
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <functional>
#include <map>
#include <random>

#include <gtest/gtest.h>

#include "engine/files/engine_error.h"
#include "engine/cursor/larch_table.h"
#include "engine/tables/table_verify.h"
#include "tests/engine/test_folder.h"
#include "tests/support/event_cursor.h"
#include "tests/support/event_table.h"
#include "tests/support/engine_error_code.h"

namespace larch {
namespace {

using testing::AddEvent;
using testing::EventCursor;
using testing::TestFolder;

using testing::CodeOf;

// Runs `body` in a child process; its return value is the exit status.
pid_t Spawn(const std::function<int()>& body) {
    pid_t pid = ::fork();
    if (pid == 0) {
        int status = 99;
        try {
            status = body();
        } catch (const std::exception& e) {
            std::fprintf(stderr, "child %d: %s\n", static_cast<int>(::getpid()), e.what());
            status = 98;
        }
        ::_exit(status);
    }
    return pid;
}

int Wait(pid_t pid) {
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

class Sharing : public ::testing::Test {
protected:
    void SetUp() override { testing::CreateEventTable(folder / "Hollin.DAT"); }
    TestFolder folder;
};

TEST_F(Sharing, EditOfARecordAnotherProcessHoldsFailsWith10258) {
    auto table = EventCursor(folder.path());
    table->Open();
    AddEvent(*table, "Ann", "Smith");
    table->First();
    table->Edit();  // holds the record lock
    for (int retries : {0, 2}) {
        pid_t child = Spawn([&] {
            auto other = EventCursor(folder.path());
            other->SetLockRetryCount(static_cast<uint8_t>(retries));
            other->SetLockWaitTime(10);
            other->Open();
            other->First();
            int code = CodeOf([&] { other->Edit(); });
            return code == 10258 && other->State() == hollin::dsBrowse ? 0 : 1;
        });
        EXPECT_EQ(Wait(child), 0) << "retries " << retries;
    }
    table->Cancel();  // releases the lock: now the other process may edit
    pid_t child = Spawn([&] {
        auto other = EventCursor(folder.path());
        other->Open();
        other->First();
        other->Edit();
        other->FieldByName("City").SetAsString("Paris");
        other->Post();
        return 0;
    });
    EXPECT_EQ(Wait(child), 0);
    table->Refresh();
    EXPECT_EQ(table->FieldByName("City").AsString(), "Paris");
}

TEST_F(Sharing, ExclusiveOpenKeepsOthersOut) {
    auto table = EventCursor(folder.path());
    table->SetExclusive(true);
    table->Open();
    pid_t child = Spawn([&] {
        auto other = EventCursor(folder.path());
        return CodeOf([&] { other->Open(); }) == 11013 ? 0 : 1;
    });
    EXPECT_EQ(Wait(child), 0);
    table->Close();
    table->SetExclusive(false);
    table->Open();
    child = Spawn([&] {
        auto other = EventCursor(folder.path());
        other->SetExclusive(true);
        return CodeOf([&] { other->Open(); }) == 11013 ? 0 : 1;
    });
    EXPECT_EQ(Wait(child), 0);
}

TEST_F(Sharing, ARecordPostedElsewhereIsSeenAfterRefreshAndWithStrictDetection) {
    auto table = EventCursor(folder.path());
    auto strict = EventCursor(folder.path());
    strict->SetStrictChangeDetection(true);
    table->Open();
    strict->Open();
    AddEvent(*table, "Ann", "Smith");
    strict->First();
    EXPECT_EQ(strict->RecordCount(), 1);
    pid_t child = Spawn([&] {
        auto other = EventCursor(folder.path());
        other->Open();
        AddEvent(*other, "Bob", "Jones");
        return 0;
    });
    ASSERT_EQ(Wait(child), 0);
    table->Refresh();
    EXPECT_EQ(table->RecordCount(), 2);
    strict->First();
    strict->Next();
    EXPECT_EQ(strict->FieldByName("FirstName").AsString(), "Bob");
}

TEST_F(Sharing, FourWritersLeaveASoundTableAndLoseNoRecord) {
    const int kWriters = 4;
    const auto kDuration = std::chrono::seconds(3);
    std::vector<pid_t> children;
    for (int w = 0; w < kWriters; ++w) {
        children.push_back(Spawn([&, w] {
            std::mt19937 random(static_cast<unsigned>(w + 1));
            auto table = EventCursor(folder.path(), "LastName");
            table->Open();
            const std::string mine = "W" + std::to_string(w);
            int alive = 0;
            auto until = std::chrono::steady_clock::now() + kDuration;
            for (int step = 0; std::chrono::steady_clock::now() < until; ++step) {
                int action = static_cast<int>(random() % 10);
                if (action < 6 || alive == 0) {
                    AddEvent(*table, "N" + std::to_string(step), mine);
                    ++alive;
                    continue;
                }
                // Edit or delete one of this writer's own records.
                table->SetRange({hollin::TFieldValue{mine}}, {hollin::TFieldValue{mine}});
                table->SetRecNo(1 + static_cast<int>(random() % static_cast<unsigned>(table->RecordCount())));
                if (action < 8) {
                    table->Edit();
                    table->FieldByName("City").SetAsString("C" + std::to_string(step));
                    table->Post();
                } else {
                    table->Delete();
                    --alive;
                }
                table->CancelRange();
            }
            std::ofstream(folder / (mine + ".count")) << alive;
            return 0;
        }));
    }
    std::map<std::string, int> expected;
    for (int w = 0; w < kWriters; ++w) {
        std::string mine = "W" + std::to_string(w);
        ASSERT_EQ(Wait(children[static_cast<std::size_t>(w)]), 0) << mine;
        std::ifstream(folder / (mine + ".count")) >> expected[mine];
    }

    auto table = EventCursor(folder.path(), "LastName");
    table->Open();
    std::map<std::string, int> found;
    for (table->First(); !table->Eof(); table->Next()) ++found[table->FieldByName("LastName").AsString()];
    EXPECT_EQ(found, expected);
    std::vector<std::string> problems = VerifyTable(*table->DataFile());
    EXPECT_TRUE(problems.empty()) << problems.front();
}

}  // namespace
}  // namespace larch
