// A batch of Posts on a shared table (BatchWriteScope, the bulk path of the
// shell's import): other users see all of it or none of it, also when the
// writer dies half-way with part of the batch already on disk.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include "engine/data/larch_scopes.h"
#include "engine/files/table_journal.h"
#include "engine/tables/table_verify.h"
#include "tests/engine/test_folder.h"
#include "tests/support/event_cursor.h"
#include "tests/support/event_table.h"

namespace larch {
namespace {

using testing::TestFolder;

// Enough rows that the caches write records and pages before the batch ends.
constexpr int kBatchRows = 1500;

class BatchWrite : public ::testing::Test {
protected:
    void SetUp() override {
        testing::CreateEventTable(folder / "Hollin.DAT");
        auto table = testing::EventCursor(folder.path());
        table->Open();
        for (int i = 0; i < 20; ++i) testing::AddEvent(*table, "Old" + std::to_string(i), "Before");
        table->Close();
    }

    static void PostBatch(TLarchTable& table) {
        for (int i = 0; i < kBatchRows; ++i) {
            testing::AddEvent(table, "New" + std::to_string(i), "Name" + std::to_string(i * 7919 % kBatchRows),
                              i % 2 ? "Birthday" : "Passing", 730000 + i % 400);
        }
    }

    TestFolder folder;
};

TEST_F(BatchWrite, AnotherUserSeesTheWholeBatchAtItsEnd) {
    auto reader = testing::EventCursor(folder.path());
    reader->Open();
    EXPECT_EQ(reader->RecordCount(), 20);
    auto writer = testing::EventCursor(folder.path());
    writer->Open();
    {
        BatchWriteScope batch(*writer->DataFile());
        PostBatch(*writer);
        batch.Finish();
    }
    EXPECT_FALSE(writer->DataFile()->HoldsTableLock());
    // The writer's own Posts outside a batch still work as before.
    testing::AddEvent(*writer, "After", "Batch");
    writer->Close();
    reader->Refresh();
    EXPECT_EQ(reader->RecordCount(), 20 + kBatchRows + 1);
    EXPECT_TRUE(VerifyTable(*reader->DataFile()).empty());
    reader->Close();
}

TEST_F(BatchWrite, AWriterThatDiesInTheBatchLeavesTheTableAsBefore) {
    pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        auto writer = testing::EventCursor(folder.path());
        writer->Open();
        BatchWriteScope batch(*writer->DataFile());
        PostBatch(*writer);
        // Part of the batch must be on disk already, guarded by the journal.
        ::_exit(TTableJournal::MayBeHot(folder / "Hollin.DAT") ? 0 : 3);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    ASSERT_EQ(WEXITSTATUS(status), 0) << "the batch wrote nothing before it ended";
    auto reader = testing::EventCursor(folder.path());
    reader->Open();
    EXPECT_EQ(reader->RecordCount(), 20);
    EXPECT_TRUE(VerifyTable(*reader->DataFile()).empty());
    reader->Close();
}

}  // namespace
}  // namespace larch
