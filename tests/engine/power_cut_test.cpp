// Power cuts simulated on top of the file seam: a child process posts
// records while a model of the disk remembers, for every table file and the
// journal, what has reached the disk (what was written before its last sync,
// and with ForceBufferFlush, every finished write of the write-through table
// files). At a chosen file operation the child puts every file back to that
// state and dies, as a machine losing power would leave them. The table must
// then open and pass the integrity check; with ForceBufferFlush every Post
// that returned must be there. The cut comes at every operation of a stretch
// of Posts and edits. Unsynced writes are lost whole; without ForceBufferFlush
// nothing is synced, so the table goes back to its state before the run.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <set>
#include <sstream>

#include "engine/files/file_faults.h"
#include "engine/cursor/larch_table.h"
#include "engine/tables/table_verify.h"
#include "tests/engine/test_folder.h"
#include "tests/support/event_cursor.h"
#include "tests/support/event_table.h"

namespace larch {
namespace {

namespace fs = std::filesystem;
using testing::TestFolder;

const char* const kFiles[] = {"Hollin.DAT", "Hollin.IDX", "Hollin.BLB", "Hollin.JNL"};

std::optional<std::string> Contents(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

// What the disk holds of each file, by file name.
class DiskModel {
public:
    DiskModel(std::string folder, bool writeThrough) : m_folder(std::move(folder)), m_writeThrough(writeThrough) {
        for (const char* name : kFiles) m_durable[name] = Contents(m_folder + "/" + name);
    }

    // Before each file operation: the operations before it have finished.
    void Before(FileOp op, const std::string& path) {
        if (m_writeThrough) {
            // The table files are written through: a finished write is on the disk.
            for (int k = 0; k < 3; ++k) m_durable[kFiles[k]] = Contents(m_folder + "/" + kFiles[k]);
        }
        if (op == FileOp::Sync) {
            const std::string name = fs::path(path).filename().string();
            if (m_durable.count(name) != 0) m_durable[name] = Contents(m_folder + "/" + name);
        }
    }

    // The power goes: every file is what the disk holds of it.
    void Cut() const {
        for (const auto& [name, bytes] : m_durable) {
            const std::string path = m_folder + "/" + name;
            if (!bytes) {
                ::unlink(path.c_str());
                continue;
            }
            std::ofstream out(path, std::ios::binary | std::ios::trunc);
            out << *bytes;
        }
    }

private:
    std::string m_folder;
    bool m_writeThrough;
    std::map<std::string, std::optional<std::string>> m_durable;
};

class PowerCut : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override {
        testing::CreateEventTable(folder / "Hollin.DAT");
        auto table = testing::EventCursor(folder.path());
        table->Open();
        for (int i = 0; i < 20; ++i) testing::AddEvent(*table, "Old" + std::to_string(i), "Record");
    }

    // Posts records in a child until the power goes at operation cutAt;
    // returns the names whose Post returned.
    std::set<std::string> RunUntilCut(int cutAt) {
        int report[2];
        EXPECT_EQ(::pipe(report), 0);
        pid_t child = ::fork();
        if (child == 0) {
            ::close(report[0]);
            DiskModel disk(folder.path(), GetParam());
            int operations = 0;
            SetFileFaultHook([&](FileOp op, const std::string& path, std::size_t&) {
                if (++operations == cutAt) {
                    disk.Cut();
                    ::_exit(0);
                }
                disk.Before(op, path);
                return 0;
            });
            try {
                auto table = testing::EventCursor(folder.path());
                table->SetForceBufferFlush(GetParam());
                table->Open();
                for (int i = 0; i < 60; ++i) {
                    const std::string name = "New" + std::to_string(i);
                    table->Insert();
                    table->FieldByName("FirstName").SetAsString(name);
                    table->FieldByName("LastName").SetAsString("Record");
                    table->FieldByName("Event").SetAsString("Birthday");
                    table->FieldByName("EventDate").SetAsDate(730000 + i);
                    table->FieldByName("Notes").SetAsString(std::string(300 + 97 * i % 900, 'n'));
                    table->Post();
                    const std::string line = name + "\n";
                    if (::write(report[1], line.data(), line.size()) < 0) ::_exit(3);
                    if (i % 5 == 4) {
                        table->First();
                        table->Edit();
                        table->FieldByName("MiddleName").SetAsString("E" + std::to_string(i));
                        table->Post();
                    }
                }
            } catch (...) {
                ::_exit(2);
            }
            ::_exit(1);  // the power never went
        }
        ::close(report[1]);
        std::string reported;
        char buffer[256];
        for (ssize_t n; (n = ::read(report[0], buffer, sizeof buffer)) > 0;) reported.append(buffer, n);
        ::close(report[0]);
        int status = -1;
        ::waitpid(child, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) <= 1) << "child status " << status;
        std::set<std::string> names;
        std::istringstream lines(reported);
        for (std::string line; std::getline(lines, line);) names.insert(line);
        return names;
    }

    TestFolder folder;
};

TEST_P(PowerCut, TheTableSurvivesAndWithForceBufferFlushEveryReturnedPostToo) {
    const std::string pristine[3] = {Contents(folder / "Hollin.DAT").value(), Contents(folder / "Hollin.IDX").value(),
                                     Contents(folder / "Hollin.BLB").value()};
    // Every operation of two Posts and an edit, some way into the run.
    for (int cutAt = 201; cutAt <= 300; ++cutAt) {
        // Every round starts from the same table.
        for (int k = 0; k < 3; ++k) std::ofstream(folder / kFiles[k], std::ios::binary | std::ios::trunc) << pristine[k];
        ::unlink((folder / "Hollin.JNL").c_str());
        SCOPED_TRACE("cut at operation " + std::to_string(cutAt));
        const std::set<std::string> returned = RunUntilCut(cutAt);
       

        auto table = testing::EventCursor(folder.path());
        table->Open();
        EXPECT_EQ(VerifyTable(*table->DataFile()), std::vector<std::string>{});
        std::set<std::string> stored;
        for (table->First(); !table->Eof(); table->Next()) stored.insert(table->FieldByName("FirstName").AsString());
        for (int i = 0; i < 20; ++i) EXPECT_EQ(stored.count("Old" + std::to_string(i)), 1u);
        if (GetParam()) {
            for (const std::string& name : returned) EXPECT_EQ(stored.count(name), 1u) << name;
            EXPECT_LE(stored.size(), 20 + returned.size() + 1);  // at most the Post in flight besides
        }
        table->Close();
    }
}

INSTANTIATE_TEST_SUITE_P(ForceBufferFlush, PowerCut, ::testing::Values(true, false),
                         [](const ::testing::TestParamInfo<bool>& info) { return info.param ? "On" : "Off"; });

}  // namespace
}  // namespace larch
