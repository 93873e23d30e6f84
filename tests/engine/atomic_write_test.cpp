// Atomic writes: an I/O fault or a crash at any step of a write leaves a table
// that opens, passes the integrity check and holds either the state before
// the write or the state after it.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <fstream>
#include <functional>
#include <random>
#include <set>
#include <sstream>
#include <thread>

#include "engine/data/larch_scopes.h"
#include "engine/files/engine_error.h"
#include "engine/cursor/larch_session.h"
#include "engine/files/file_faults.h"
#include "engine/files/table_journal.h"
#include "engine/tables/table_verify.h"
#include "tests/engine/test_folder.h"
#include "tests/support/event_cursor.h"

namespace larch {
namespace {

using hollin::TFieldValue;
using testing::ReadBytes;
using testing::TestFolder;

constexpr const char* kTableFiles[] = {"Hollin.DAT", "Hollin.IDX", "Hollin.BLB"};
constexpr int kBaseRecords = 12;

// Memos long enough for chains of several blocks, on every other record.
std::string NotesFor(int i) { return i % 2 ? std::string(600 + 90 * i, static_cast<char>('a' + i)) : ""; }

// The three files of a table of kBaseRecords events, made once.
const std::vector<std::string>& BaseFiles() {
    static const std::vector<std::string> files = [] {
        TestFolder folder;
        std::vector<testing::EventRow> rows;
        for (int i = 0; i < kBaseRecords; ++i) {
            rows.push_back({"P" + std::to_string(i), "L" + std::to_string(i), NotesFor(i)});
        }
        testing::CreateFilledEventTable(folder.path(), rows);
        std::vector<std::string> bytes;
        for (const char* name : kTableFiles) bytes.push_back(ReadBytes(folder / name));
        return bytes;
    }();
    return files;
}

void InstallBase(const TestFolder& folder) {
    for (std::size_t k = 0; k < 3; ++k) testing::WriteBytes(folder / kTableFiles[k], BaseFiles()[k]);
}

// The records as "first|last|notes" lines, sorted, and the integrity check's
// first problem when there is one. Opening rolls back a journal left behind.
std::vector<std::string> Contents(const std::string& folder) {
    auto table = testing::EventCursor(folder);
    table->Open();
    std::vector<std::string> rows;
    std::vector<std::string> problems = VerifyTable(*table->DataFile());
    if (!problems.empty()) rows.push_back("PROBLEM " + problems.front());
    for (table->First(); !table->Eof(); table->Next()) {
        rows.push_back(table->FieldByName("FirstName").AsString() + "|" + table->FieldByName("LastName").AsString() +
                       "|" + table->FieldByName("Notes").AsString());
    }
    // Restructures change the indexes and the block size, not the records.
    rows.push_back("~ indexes " + std::to_string(table->DataFile()->Index().SecondaryCount()) + ", blocks of " +
                   std::to_string(table->DataFile()->Header().blobBlockSize));
    table->Close();
    std::sort(rows.begin(), rows.end());
    return rows;
}

std::unique_ptr<TLarchTable> OpenCursor(const std::string& folder, bool flush, bool exclusive = false) {
    auto table = testing::EventCursor(folder);
    table->SetForceBufferFlush(flush);
    table->SetExclusive(exclusive);
    table->Open();
    return table;
}

void SetEvent(TLarchTable& table, const std::string& first, const std::string& last, const std::string& notes) {
    table.FieldByName("FirstName").SetAsString(first);
    table.FieldByName("LastName").SetAsString(last);
    table.FieldByName("Event").SetAsString("Passing");
    table.FieldByName("EventDate").SetAsDate(730000);
    table.FieldByName("Notes").SetAsString(notes);
}

void Restructure(const std::string& folder, bool flush, bool addIndex, uint32_t blockSize) {
    // The temporary table of a rebuild goes to the private folder: a crash
    // leaves it there, not in the current folder.
    TLarchSession& session = TLarchSessionList::Instance().DefaultSession();
    session.SetPrivateDir(folder);
    struct Reset {
        TLarchSession& session;
        ~Reset() { session.SetPrivateDir(""); }
    } reset{session};
    TLarchTable table;
    table.SetDatabaseName(folder);
    table.SetTableName("Hollin.DAT");
    table.SetForceBufferFlush(flush);
    testing::DefineEventTable(table, true);
    if (addIndex) table.RestructureIndexDefs().Add("City", "City", 0, 0);
    table.RestructureTable(0, 0, 1, 0, false, "", "", blockSize, true);
}

constexpr int kExclusivePosts = 30;
std::string ExclusiveNotes(int i) { return i % 3 ? "" : std::string(700, 'x'); }

struct Operation {
    const char* name;
    std::function<void(const std::string& folder, bool flush)> run;
};

const Operation kOperations[] = {
    {"insert",
     [](const std::string& folder, bool flush) {
         auto table = OpenCursor(folder, flush);
         table->Insert();
         SetEvent(*table, "Zed", "New", std::string(1500, 'q'));
         table->Post();
     }},
    {"edit",
     [](const std::string& folder, bool flush) {
         auto table = OpenCursor(folder, flush);
         ASSERT_TRUE(table->Locate("FirstName", {TFieldValue{std::string("P3")}}));
         table->Edit();
         table->FieldByName("LastName").SetAsString("Changed");
         table->FieldByName("Notes").SetAsString(std::string(2200, 'z'));
         table->Post();
     }},
    {"delete",
     [](const std::string& folder, bool flush) {
         auto table = OpenCursor(folder, flush);
         ASSERT_TRUE(table->Locate("FirstName", {TFieldValue{std::string("P5")}}));
         table->Delete();
     }},
    {"empty",
     [](const std::string& folder, bool flush) {
         TLarchTable table;
         table.SetDatabaseName(folder);
         table.SetTableName("Hollin.DAT");
         table.SetForceBufferFlush(flush);
         table.EmptyTable();
     }},
    {"exclusive posts",
     [](const std::string& folder, bool flush) {
         auto table = OpenCursor(folder, flush, true);
         for (int i = 0; i < kExclusivePosts; ++i) {
             table->Insert();
             SetEvent(*table, "X" + std::to_string(i), "Ex", ExclusiveNotes(i));
             table->Post();
         }
         table->Close();
     }},
    {"index rebuild", [](const std::string& folder, bool flush) { Restructure(folder, flush, true, 512); }},
    {"full rebuild", [](const std::string& folder, bool flush) { Restructure(folder, flush, false, 1024); }},
};

// The contents before and after an operation that ran without faults, and
// for the exclusive Posts, those after each of them: with ForceBufferFlush
// every Post is a write of its own.
struct Outcomes {
    std::vector<std::string> before, after;
    std::vector<std::vector<std::string>> eachPost;

    bool Allowed(const std::vector<std::string>& rows, bool flush) const {
        return rows == before || rows == after ||
               (flush && std::find(eachPost.begin(), eachPost.end(), rows) != eachPost.end());
    }
};

Outcomes OutcomesOf(const Operation& op) {
    TestFolder folder;
    InstallBase(folder);
    Outcomes outcomes;
    outcomes.before = Contents(folder.path());
    op.run(folder.path(), false);
    outcomes.after = Contents(folder.path());
    if (std::string(op.name) == "exclusive posts") {
        std::vector<std::string> rows = outcomes.before;
        for (int i = 0; i < kExclusivePosts; ++i) {
            rows.push_back("X" + std::to_string(i) + "|Ex|" + ExclusiveNotes(i));
            std::sort(rows.begin(), rows.end());
            outcomes.eachPost.push_back(rows);
        }
    }
    return outcomes;
}

bool InFolder(const std::string& path, const TestFolder& folder) { return path.rfind(folder.path(), 0) == 0; }

struct Fault {
    const char* name;
    FileOp op;
    int error;
    bool shortWrite;
    bool flush;  // ForceBufferFlush, so that the journal is synced
};

const Fault kFaults[] = {
    {"EIO on a write", FileOp::Write, EIO, false, false},
    {"ENOSPC after half a write", FileOp::Write, ENOSPC, true, true},
    {"EIO on a read", FileOp::Read, EIO, false, false},
    {"EIO on a truncate", FileOp::Truncate, EIO, false, false},
    {"EIO on a sync", FileOp::Sync, EIO, false, true},
};

// Enough to pass the last file operation of every operation above.
constexpr int kMaxFaultPosition = 3000;

// For every n, the n-th operation of a kind fails: the write raises the
// engine's error and the stored table is the old one or the new one.
TEST(AtomicWrite, AnInjectedFaultAtAnyStepLeavesTheOldOrTheNewTable) {
    for (const Operation& op : kOperations) {
        const Outcomes outcomes = OutcomesOf(op);
        ASSERT_NE(outcomes.before, outcomes.after) << op.name;
        for (const Fault& fault : kFaults) {
            int n = 1;
            for (; n <= kMaxFaultPosition; ++n) {
                SCOPED_TRACE(std::string(op.name) + ", " + fault.name + " at " + std::to_string(n));
                TestFolder folder;
                InstallBase(folder);
                int seen = 0;
                bool fired = false;
                SetFileFaultHook([&](FileOp what, const std::string& path, std::size_t& count) {
                    if (what != fault.op || !InFolder(path, folder) || ++seen != n) return 0;
                    fired = true;
                    if (fault.shortWrite) count /= 2;
                    return fault.error;
                });
                bool threw = false;
                try {
                    op.run(folder.path(), fault.flush);
                } catch (const std::exception&) {
                    threw = true;
                }
                SetFileFaultHook(nullptr);
                if (!fired) break;
                if (fault.op != FileOp::Read) {
                    EXPECT_TRUE(threw);
                }
                const std::vector<std::string> rows = Contents(folder.path());
                EXPECT_TRUE(outcomes.Allowed(rows, fault.flush)) << rows.front();
                EXPECT_FALSE(TTableJournal::Exists(folder / "Hollin.DAT"));
                if (::testing::Test::HasFailure()) return;
            }
            EXPECT_LE(n, kMaxFaultPosition) << op.name << ", " << fault.name;
        }
    }
}

// The process dies at the n-th write (or after writing half of it): the next
// open rolls the journal back.
TEST(AtomicWrite, ACrashAtAnyWriteLeavesTheOldOrTheNewTable) {
    for (const Operation& op : kOperations) {
        const Outcomes outcomes = OutcomesOf(op);
        for (bool torn : {false, true}) {
            for (int n = 1; n <= kMaxFaultPosition; ++n) {
                SCOPED_TRACE(std::string(op.name) + (torn ? ", torn write " : ", crash at write ") + std::to_string(n));
                TestFolder folder;
                InstallBase(folder);
                pid_t child = ::fork();
                ASSERT_GE(child, 0);
                if (child == 0) {
                    int seen = 0;
                    bool dying = false;
                    SetFileFaultHook([&](FileOp what, const std::string& path, std::size_t& count) {
                        if (!InFolder(path, folder)) return 0;
                        if (dying) ::_exit(42);
                        if (what != FileOp::Write || ++seen != n) return 0;
                        if (!torn) ::_exit(42);
                        dying = true;  // half of this write lands, then the process dies
                        count /= 2;
                        return EIO;
                    });
                    try {
                        op.run(folder.path(), true);
                    } catch (...) {
                        ::_exit(dying ? 42 : 43);  // a torn write that raised ends the process too
                    }
                    ::_exit(0);
                }
                int status = 0;
                ASSERT_EQ(::waitpid(child, &status, 0), child);
                ASSERT_TRUE(WIFEXITED(status));
                const int code = WEXITSTATUS(status);
                ASSERT_NE(code, 43) << "failed without a crash";
                const std::vector<std::string> rows = Contents(folder.path());
                if (code == 0) {
                    EXPECT_EQ(rows, outcomes.after);
                    break;
                }
                EXPECT_TRUE(outcomes.Allowed(rows, true)) << rows.front();
                if (::testing::Test::HasFailure()) return;
            }
        }
    }
}

// A read that fails between two writes leaves nothing half-changed: the
// next write goes ahead.
TEST(AtomicWrite, AFailedReadBetweenWritesDoesNotFailTheNextWrite) {
    TestFolder folder;
    InstallBase(folder);
    auto table = OpenCursor(folder.path(), false);
    bool failed = false;
    SetFileFaultHook([&](FileOp what, const std::string& path, std::size_t&) {
        if (what != FileOp::Read || failed || !InFolder(path, folder)) return 0;
        failed = true;
        return EIO;
    });
    EXPECT_ANY_THROW(table->Last());
    SetFileFaultHook(nullptr);
    ASSERT_TRUE(failed);
    table->Insert();
    SetEvent(*table, "After", "Fault", "");
    EXPECT_NO_THROW(table->Post());
    table->Close();
    const std::vector<std::string> rows = Contents(folder.path());
    EXPECT_NE(std::find(rows.begin(), rows.end(), "After|Fault|"), rows.end());
}

// A shared writer journals the pages it changes from the copies it holds of
// their bytes on disk; the pages a batch wrote must not answer with the
// bytes they had before it.
TEST(AtomicWrite, AFailedPostAfterABatchRollsBackToTheBatch) {
    auto batchThenPost = [](const std::string& folder, const std::function<void()>& beforePost) {
        auto table = OpenCursor(folder, false);
        {
            BatchWriteScope batch(*table->DataFile());
            for (const char* name : {"B1", "B2", "B3"}) {
                table->Insert();
                SetEvent(*table, name, name, "");
                table->Post();
            }
            batch.Finish();
        }
        beforePost();
        table->Insert();
        SetEvent(*table, "Late", "Post", "");
        table->Post();
    };
    std::vector<std::string> afterBatch, afterPost;
    {
        TestFolder folder;
        InstallBase(folder);
        batchThenPost(folder.path(), [&] { afterBatch = Contents(folder.path()); });
        afterPost = Contents(folder.path());
    }
    ASSERT_NE(afterBatch, afterPost);
    for (int n = 1;; ++n) {
        SCOPED_TRACE("write " + std::to_string(n) + " of the Post fails");
        TestFolder folder;
        InstallBase(folder);
        int seen = 0;
        bool fired = false;
        try {
            batchThenPost(folder.path(), [&] {
                SetFileFaultHook([&](FileOp what, const std::string& path, std::size_t&) {
                    if (what != FileOp::Write || !InFolder(path, folder) || ++seen != n) return 0;
                    fired = true;
                    return EIO;
                });
            });
        } catch (const std::exception&) {
        }
        SetFileFaultHook(nullptr);
        if (!fired) break;
        const std::vector<std::string> rows = Contents(folder.path());
        EXPECT_TRUE(rows == afterBatch || rows == afterPost) << rows.front();
        if (::testing::Test::HasFailure()) return;
        ASSERT_LT(n, kMaxFaultPosition);
    }
}

// Every journal entry is on the disk before the table file it guards is
// changed, every changed file is synced before the journal's invalidation,
// and the invalidation is on the disk when the write returns; with and
// without ForceBufferFlush.
TEST(AtomicWrite, TheJournalIsSyncedBeforeTheTableChangesAndTheTableBeforeItsEnd) {
    for (bool flush : {false, true}) {
        SCOPED_TRACE(flush ? "ForceBufferFlush" : "default");
        TestFolder folder;
        InstallBase(folder);
        struct Step {
            FileOp op;
            std::string file;
        };
        std::vector<Step> steps;
        SetFileFaultHook([&](FileOp op, const std::string& path, std::size_t&) {
            if (op != FileOp::Read && InFolder(path, folder)) steps.push_back({op, path.substr(path.size() - 3)});
            return 0;
        });
        for (const char* name : {"insert", "edit", "delete"}) {
            for (const Operation& op : kOperations) {
                if (std::string(op.name) == name) op.run(folder.path(), flush);
            }
        }
        SetFileFaultHook(nullptr);
        bool journalUnsynced = false;
        std::set<std::string> tableUnsynced;
        int tableWrites = 0;
        for (const Step& step : steps) {
            const bool journal = step.file == "JNL";
            if (journal && step.op == FileOp::Write) {
                EXPECT_TRUE(tableUnsynced.empty()) << "the journal changed before the table files were synced";
                journalUnsynced = true;
            }
            if (journal && step.op == FileOp::Sync) journalUnsynced = false;
            if (!journal && step.op == FileOp::Write) {
                EXPECT_FALSE(journalUnsynced) << "a table write before the journal was synced";
                tableUnsynced.insert(step.file);
                ++tableWrites;
            }
            if (!journal && step.op == FileOp::Sync) tableUnsynced.erase(step.file);
        }
        EXPECT_FALSE(journalUnsynced) << "the end of the write was not synced";
        EXPECT_TRUE(tableUnsynced.empty());
        EXPECT_GT(tableWrites, 0);
    }
}

// A Post on the event table syncs the journal, the data and the index file,
// the blob file when it wrote a memo, and the journal's invalidation.
TEST(AtomicWrite, APostCostsOneSyncForTheJournalEachChangedFileAndTheEnd) {
    TestFolder folder;
    InstallBase(folder);
    auto table = OpenCursor(folder.path(), false);
    for (const std::string& notes : {std::string(), std::string(900, 'm')}) {
        int syncs = 0;
        SetFileFaultHook([&](FileOp op, const std::string&, std::size_t&) {
            syncs += op == FileOp::Sync;
            return 0;
        });
        table->Insert();
        SetEvent(*table, "Counted", "Syncs", notes);
        table->Post();
        SetFileFaultHook(nullptr);
        EXPECT_EQ(syncs, notes.empty() ? 4 : 5) << "notes of " << notes.size();
    }
}

// ---- a writer killed at a random moment

// Operation i of the killing test: two inserts, an edit of the newest record
// of the writer, a delete of its oldest.
struct WriterModel {
    std::vector<std::pair<std::string, std::string>> records;  // first, last; oldest first

    void Apply(int i) {
        switch (i % 4) {
            case 0:
            case 1: records.emplace_back("W" + std::to_string(i), "N" + std::to_string(i)); break;
            case 2: records.back().second = "E" + std::to_string(i); break;
            default: records.erase(records.begin()); break;
        }
    }
    std::vector<std::string> Rows(const std::vector<std::string>& base) const {
        std::vector<std::string> rows = base;
        for (const auto& [first, last] : records) rows.push_back(first + "|" + last + "|");
        std::sort(rows.begin(), rows.end());
        return rows;
    }
};

void RunWriter(const std::string& folder, int reportFd) {
    auto table = OpenCursor(folder, false);
    WriterModel model;
    for (int i = 0;; ++i) {
        switch (i % 4) {
            case 0:
            case 1:
                table->Insert();
                SetEvent(*table, "W" + std::to_string(i), "N" + std::to_string(i), "");
                table->FieldByName("Event").SetAsString("Birthday");
                table->Post();
                break;
            case 2:
                table->Locate("FirstName", {TFieldValue{model.records.back().first}});
                table->Edit();
                table->FieldByName("LastName").SetAsString("E" + std::to_string(i));
                table->Post();
                break;
            default:
                table->Locate("FirstName", {TFieldValue{model.records.front().first}});
                table->Delete();
                break;
        }
        model.Apply(i);
        if (::write(reportFd, &i, sizeof i) != sizeof i) ::_exit(3);
    }
}

// A reader checks the whole table again and again while the writer works
// and after it died; it must never see a half-written table.
int RunReader(const std::string& folder) {
    for (int round = 0; round < 60; ++round) {
        try {
            auto table = testing::EventCursor(folder);
            table->Open();
            if (!VerifyTable(*table->DataFile()).empty()) return 1;
            table->Close();
        } catch (const ELarchEngineError& e) {
            if (e.ErrorCode() != err::LockFailure && e.ErrorCode() != err::RecordInUse) return 2;
        }
    }
    return 0;
}

TEST(AtomicWrite, AWriterKilledAtRandomKeepsEveryFinishedOperation) {
    const std::vector<std::string> base = [] {
        TestFolder folder;
        InstallBase(folder);
        return Contents(folder.path());
    }();
    for (unsigned seed = 1; seed <= 16; ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        TestFolder folder;
        InstallBase(folder);
        int report[2];
        ASSERT_EQ(::pipe(report), 0);
        pid_t writer = ::fork();
        ASSERT_GE(writer, 0);
        if (writer == 0) {
            ::close(report[0]);
            try {
                RunWriter(folder.path(), report[1]);
            } catch (...) {
            }
            ::_exit(2);
        }
        ::close(report[1]);
        pid_t reader = -1;
        if (seed % 2 == 0) {
            reader = ::fork();
            ASSERT_GE(reader, 0);
            if (reader == 0) ::_exit(RunReader(folder.path()));
        }
        // The kill comes at a random moment after the first finished operation.
        int finished = 0, last = -1;
        if (::read(report[0], &last, sizeof last) == sizeof last) finished = last + 1;
        std::mt19937 random(seed);
        std::this_thread::sleep_for(std::chrono::milliseconds(random() % 120));
        ::kill(writer, SIGKILL);
        int status = 0;
        ASSERT_EQ(::waitpid(writer, &status, 0), writer);
        EXPECT_TRUE(WIFSIGNALED(status)) << "the writer stopped by itself";
        while (::read(report[0], &last, sizeof last) == sizeof last) finished = last + 1;
        ::close(report[0]);
        if (reader > 0) {
            ASSERT_EQ(::waitpid(reader, &status, 0), reader);
            EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the reader saw a damaged table";
        }
        WriterModel done;
        for (int i = 0; i < finished; ++i) done.Apply(i);
        WriterModel inFlight = done;
        inFlight.Apply(finished);
        const std::vector<std::string> rows = Contents(folder.path());
        EXPECT_TRUE(rows == done.Rows(base) || rows == inFlight.Rows(base))
            << finished << " operations reported, " << rows.size() << " rows";
        EXPECT_GT(finished, 0);
    }
}

}  // namespace
}  // namespace larch
