// Power cuts against a model of a disk that keeps any subset of the writes
// not yet synced. A child process runs a sequence of writes (Posts with memos
// and photos, an edit, deletes, an import batch, a full rebuild, EmptyTable)
// while the model watches every file of the folder. Before each write,
// truncate and sync of the engine, the child builds several states that a
// power cut at that moment may leave: every 4096-byte page written since its
// file's last sync holds any version it had since then (the synced one, the
// newest or one between), some torn at a 512-byte sector; files are created,
// renamed, cut and removed in order. The test process opens each state,
// which rolls back what the journal guards, and checks that the table passes
// its integrity check and holds every write that returned and no half of any
// other.
#include <gtest/gtest.h>

#include <dirent.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <map>
#include <random>
#include <sstream>

#include "engine/cursor/larch_session.h"
#include "engine/cursor/larch_table.h"
#include "engine/data/larch_scopes.h"
#include "engine/files/file_faults.h"
#include "engine/tables/table_verify.h"
#include "tests/engine/test_folder.h"
#include "tests/support/event_cursor.h"

namespace larch {
namespace {

namespace fs = std::filesystem;
using hollin::TFieldValue;
using testing::ReadBytes;
using testing::TestFolder;

constexpr std::size_t kPage = 4096;
constexpr std::size_t kSector = 512;
// States built at each cut: all kept, all lost, and random mixtures.
constexpr int kStatesPerCut = 6;

// What the disk may hold of the files of one folder.
class DiskModel {
public:
    explicit DiskModel(std::string folder) : m_folder(std::move(folder)) {
        // What is there at the start has reached the disk.
        for (const auto& [name, inode] : Scan()) {
            File& file = m_files[inode];
            file.current = file.synced = ReadBytes(m_folder + "/" + name);
        }
    }

    // Before every operation: the ones before it have finished.
    void Observe() {
        m_names = Scan();
        for (const auto& [name, inode] : m_names) {
            File& file = m_files[inode];
            const std::string bytes = ReadBytes(m_folder + "/" + name);
            const std::size_t pages = (bytes.size() + kPage - 1) / kPage;
            for (std::size_t p = 0; p < pages; ++p) {
                const std::string page = PageOf(bytes, p);
                if (page != PageOf(file.current, p)) file.versions[p].push_back(page);
            }
            file.current = bytes;
        }
    }

    void Synced(const std::string& path) {
        struct stat st;
        if (::stat(path.c_str(), &st) != 0) return;
        File& file = m_files[st.st_ino];
        file.synced = file.current;
        file.versions.clear();
    }

    // Writes state `k` of every file into `target` (an empty folder).
    void WriteState(int k, std::mt19937& random, const std::string& target) const {
        for (const auto& [name, inode] : m_names) {
            const File& file = m_files.at(inode);
            std::string bytes(file.current.size(), '\0');
            for (std::size_t at = 0; at < bytes.size(); at += kPage) {
                const std::size_t p = at / kPage;
                std::vector<std::string> candidates{PageOf(file.synced, p)};
                if (auto it = file.versions.find(p); it != file.versions.end()) {
                    candidates.insert(candidates.end(), it->second.begin(), it->second.end());
                } else {
                    candidates.back() = PageOf(file.current, p);
                }
                std::string page;
                if (k == 0) {
                    page = candidates.back();
                } else if (k == 1) {
                    page = candidates.front();
                } else {
                    page = candidates[random() % candidates.size()];
                    if (random() % 4 == 0) {  // torn: each sector from one of two versions
                        const std::string& other = candidates[random() % candidates.size()];
                        for (std::size_t s = 0; s < kPage; s += kSector) {
                            if (random() % 2) page.replace(s, kSector, other, s, kSector);
                        }
                    }
                }
                bytes.replace(at, std::min(kPage, bytes.size() - at), page, 0, std::min(kPage, bytes.size() - at));
            }
            testing::WriteBytes(target + "/" + name, bytes);
        }
    }

private:
    struct File {
        std::string synced, current;
        std::map<std::size_t, std::vector<std::string>> versions;  // by page, since the last sync
    };

    static std::string PageOf(const std::string& bytes, std::size_t page) {
        std::string out(kPage, '\0');
        if (page * kPage < bytes.size()) out.replace(0, std::min(kPage, bytes.size() - page * kPage), bytes, page * kPage);
        return out;
    }

    std::map<std::string, ino_t> Scan() const {
        std::map<std::string, ino_t> names;
        for (const auto& entry : fs::directory_iterator(m_folder)) {
            struct stat st;
            if (entry.is_regular_file() && ::stat(entry.path().c_str(), &st) == 0) {
                names[entry.path().filename().string()] = st.st_ino;
            }
        }
        return names;
    }

    std::string m_folder;
    std::map<ino_t, File> m_files;
    std::map<std::string, ino_t> m_names;
};

// ---- the writes

// How the writer opens the table: shared (the program's way) or exclusively,
// with or without ForceBufferFlush. An exclusive table is durable at every
// write only with ForceBufferFlush, so that is the exclusive mode tested.
struct Mode {
    bool flush;
    bool exclusive;
};

std::unique_ptr<TLarchTable> OpenTable(const std::string& folder, Mode mode) {
    auto table = testing::EventCursor(folder);
    table->SetForceBufferFlush(mode.flush);
    table->SetExclusive(mode.exclusive);
    table->Open();
    return table;
}

void Insert(TLarchTable& table, const std::string& first, std::size_t notes, std::size_t photo) {
    table.Insert();
    table.FieldByName("FirstName").SetAsString(first);
    table.FieldByName("LastName").SetAsString("Cut");
    table.FieldByName("Event").SetAsString("Birthday");
    table.FieldByName("EventDate").SetAsDate(730000);
    if (notes) table.FieldByName("Notes").SetAsString(std::string(notes, static_cast<char>('a' + first.size())));
    if (photo) table.FieldByName("Photo").SetAsString(std::string(photo, '\xd8'));
    table.Post();
}

void Find(TLarchTable& table, const std::string& first) {
    ASSERT_TRUE(table.Locate("FirstName", {TFieldValue{first}})) << first;
}

struct WriteRun {
    std::string folder;
    Mode mode;
    std::unique_ptr<TLarchTable> table;
    void Reopen() { table = OpenTable(folder, mode); }
};

const std::vector<std::function<void(WriteRun&)>>& Writes() {
    static const std::vector<std::function<void(WriteRun&)>> writes = {
        [](WriteRun& r) { Insert(*r.table, "A1", 1200, 3000); },
        [](WriteRun& r) { Insert(*r.table, "A2", 300, 0); },
        [](WriteRun& r) {
            Find(*r.table, "A1");
            r.table->Edit();
            r.table->FieldByName("MiddleName").SetAsString("Edited");
            r.table->FieldByName("Notes").SetAsString(std::string(5000, 'e'));
            r.table->Post();
        },
        [](WriteRun& r) {
            Find(*r.table, "Old3");
            r.table->Delete();
        },
        [](WriteRun& r) {
            BatchWriteScope batch(*r.table->DataFile());
            for (int i = 0; i < 5; ++i) Insert(*r.table, "B" + std::to_string(i), 700, i == 2 ? 2500 : 0);
            batch.Finish();
        },
        [](WriteRun& r) { Insert(*r.table, "A3", 0, 9000); },
        [](WriteRun& r) {
            // A full rebuild (a new blob block size) through the swap of files.
            r.table->Close();
            TLarchSession& session = TLarchSessionList::Instance().DefaultSession();
            session.SetPrivateDir(r.folder);
            TLarchTable table;
            table.SetDatabaseName(r.folder);
            table.SetTableName("Hollin.DAT");
            table.SetForceBufferFlush(r.mode.flush);
            testing::DefineEventTable(table, true);
            table.RestructureTable(0, 0, 1, 0, false, "", "", 1024, true);
            session.SetPrivateDir("");
            r.Reopen();
        },
        [](WriteRun& r) {
            Find(*r.table, "A2");
            r.table->Delete();
        },
        [](WriteRun& r) {
            r.table->Close();
            TLarchTable table;
            table.SetDatabaseName(r.folder);
            table.SetTableName("Hollin.DAT");
            table.SetForceBufferFlush(r.mode.flush);
            table.EmptyTable();
            r.Reopen();
        },
        [](WriteRun& r) { Insert(*r.table, "C1", 2000, 2000); },
    };
    return writes;
}

// The records as "first|middle|notes length|photo length", sorted, after the
// integrity check's problems.
std::vector<std::string> Contents(const std::string& folder) {
    auto table = testing::EventCursor(folder);
    table->Open();
    std::vector<std::string> rows;
    for (const std::string& problem : VerifyTable(*table->DataFile())) rows.push_back("PROBLEM " + problem);
    std::vector<std::string> records;
    for (table->First(); !table->Eof(); table->Next()) {
        records.push_back(table->FieldByName("FirstName").AsString() + "|" +
                          table->FieldByName("MiddleName").AsString() + "|" +
                          std::to_string(table->FieldByName("Notes").AsString().size()) + "|" +
                          std::to_string(table->FieldByName("Photo").AsString().size()));
    }
    table->Close();
    std::sort(records.begin(), records.end());
    rows.insert(rows.end(), records.begin(), records.end());
    return rows;
}

std::string Describe(const std::vector<std::string>& rows) {
    std::string text;
    for (const std::string& row : rows) text += row + "; ";
    return text;
}

void CreateBase(const std::string& folder) {
    std::vector<testing::EventRow> rows;
    for (int i = 0; i < 20; ++i) rows.push_back({"Old" + std::to_string(i), "Base", i % 3 ? "" : std::string(900, 'o')});
    testing::CreateFilledEventTable(folder, rows);
}

class PowerCut : public ::testing::TestWithParam<Mode> {
protected:
    // The contents after each number of writes, from a run without cuts.
    std::vector<std::vector<std::string>> Expected() {
        TestFolder reference;
        CreateBase(reference.path());
        WriteRun run{reference.path(), GetParam(), nullptr};
        std::vector<std::vector<std::string>> expected{Contents(reference.path())};
        run.Reopen();
        for (const auto& write : Writes()) {
            write(run);
            run.table->Close();  // an exclusive table admits no reader beside it
            expected.push_back(Contents(reference.path()));
            run.Reopen();
        }
        run.table->Close();
        return expected;
    }

    // The child: runs the writes in `folder`; before each of its file
    // operations that change the disk it writes kStatesPerCut states into
    // `states`/0.. and waits for the test to check them. It reports
    // "W n" when write n returned and "C" when states are ready.
    [[noreturn]] void RunChild(const std::string& folder, const std::string& states, int report, int ack) {
        DiskModel disk(folder);  // before the move into the folder
        std::mt19937 random(7);
        SetFileFaultHook([&](FileOp op, const std::string& path, std::size_t&) {
            if (op == FileOp::Read) return 0;
            disk.Observe();
            for (int k = 0; k < kStatesPerCut; ++k) {
                const std::string target = states + "/" + std::to_string(k);
                fs::create_directories(target);
                disk.WriteState(k, random, target);
            }
            if (::write(report, "C\n", 2) != 2) ::_exit(3);
            char byte;
            if (::read(ack, &byte, 1) != 1) ::_exit(3);
            if (op == FileOp::Sync) disk.Synced(path);
            return 0;
        });
        try {
            // Relative names throughout, so that a swap journal names the
            // files of whichever folder it is found in.
            fs::current_path(folder);
            WriteRun run{"./", GetParam(), nullptr};
            run.Reopen();
            for (std::size_t n = 0; n < Writes().size(); ++n) {
                Writes()[n](run);
                const std::string line = "W " + std::to_string(n + 1) + "\n";
                if (::write(report, line.data(), line.size()) < 0) ::_exit(3);
            }
            run.table->Close();
        } catch (const std::exception& e) {
            const std::string line = std::string("E ") + e.what() + "\n";
            if (::write(report, line.data(), line.size()) < 0) ::_exit(3);
            ::_exit(2);
        }
        ::_exit(0);
    }
};

// Syncs are made by the engine where the model needs them, so the sync
// operation itself is a cut point like any write.
TEST_P(PowerCut, EveryStateAPowerCutCanLeaveOpensSoundWithTheReturnedWritesAndNoHalfOfAnother) {
    const std::vector<std::vector<std::string>> expected = Expected();
    TestFolder folder, states;
    CreateBase(folder.path());
    int report[2], ack[2];
    ASSERT_EQ(::pipe(report), 0);
    ASSERT_EQ(::pipe(ack), 0);
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(report[0]);
        ::close(ack[1]);
        RunChild(folder.path(), states.path(), report[1], ack[0]);
    }
    ::close(report[1]);
    ::close(ack[0]);
    const fs::path home = fs::current_path();
    FILE* lines = ::fdopen(report[0], "r");
    std::size_t returned = 0, cuts = 0, damaged = 0;
    std::string firstDamage;
    char buffer[4096];
    while (std::fgets(buffer, sizeof buffer, lines)) {
        const std::string line(buffer);
        if (line.starts_with("W ")) {
            returned = std::stoul(line.substr(2));
            continue;
        }
        ASSERT_TRUE(line.starts_with("C")) << line;
        ++cuts;
        for (int k = 0; k < kStatesPerCut; ++k) {
            const std::string state = states / std::to_string(k);
            std::vector<std::string> rows;
            fs::current_path(state);
            try {
                rows = Contents("./");
            } catch (const std::exception& e) {
                rows = {std::string("FAILED TO OPEN: ") + e.what()};
            }
            fs::current_path(home);
            const bool old = rows == expected[returned];
            const bool next = returned + 1 < expected.size() && rows == expected[returned + 1];
            if (!old && !next) {
                if (damaged++ == 0) {
                    firstDamage = "cut " + std::to_string(cuts) + ", state " + std::to_string(k) + ", after write " +
                                  std::to_string(returned) + ": " + Describe(rows);
                }
            }
            fs::remove_all(state);
        }
        if (::write(ack[1], "A", 1) != 1) break;
    }
    std::fclose(lines);
    ::close(ack[1]);
    int status = -1;
    ::waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "child status " << status;
    EXPECT_EQ(returned, Writes().size());
    EXPECT_GT(cuts, 100u);
    RecordProperty("states", std::to_string(cuts * kStatesPerCut));
    EXPECT_EQ(damaged, 0u) << "of " << cuts * kStatesPerCut << " states; the first: " << firstDamage;
}

INSTANTIATE_TEST_SUITE_P(Modes, PowerCut, ::testing::Values(Mode{false, false}, Mode{true, false}, Mode{true, true}),
                         [](const ::testing::TestParamInfo<Mode>& info) {
                             return std::string(info.param.exclusive ? "Exclusive" : "Shared") +
                                    (info.param.flush ? "ForceBufferFlush" : "Default");
                         });

}  // namespace
}  // namespace larch
