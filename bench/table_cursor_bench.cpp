// Benchmarks of the table cursor: Posts in shared and exclusive mode, with
// and without ForceBufferFlush, FindNearest by last name and a walk in
// first-name order.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <random>
#include <string>

#include <unistd.h>

#include "tests/support/event_cursor.h"
#include "tests/support/event_table.h"

namespace larch {
namespace {

constexpr int kPosts = 100000;

std::string MakeFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "larch-cursor-XXXXXX").string();
    return ::mkdtemp(pattern.data());
}

std::string LastNameFor(int i) { return "Name" + std::to_string((i * 7919) % 50021); }

void PostEvents(TLarchTable& table, int count) {
    for (int i = 0; i < count; ++i) {
        testing::AddEvent(table, "First" + std::to_string(i % 977), LastNameFor(i), i % 2 ? "Birthday" : "Passing",
                          700000 + i % 20000);
    }
}

// A table of kPosts records posted in exclusive mode, made once.
const std::string& FilledFolder() {
    static const std::string folder = [] {
        std::string made = MakeFolder();
        testing::CreateEventTable(made + "/Hollin.DAT");
        auto table = testing::EventCursor(made);
        table->SetExclusive(true);
        table->Open();
        PostEvents(*table, kPosts);
        table->Close();
        return made;
    }();
    return folder;
}

// Posts `count` events into a new table; shared, every Post is written before
// its locks are released; with ForceBufferFlush every write reaches the disk.
void Posts(benchmark::State& state, bool exclusive, bool flush, int count) {
    for (auto _ : state) {
        std::string folder = MakeFolder();
        testing::CreateEventTable(folder + "/Hollin.DAT");
        auto table = testing::EventCursor(folder);
        table->SetExclusive(exclusive);
        table->SetForceBufferFlush(flush);
        table->Open();
        PostEvents(*table, count);
        table->Close();
        std::filesystem::remove_all(folder);
    }
    state.counters["posts/s"] = benchmark::Counter(double(count) * state.iterations(), benchmark::Counter::kIsRate);
}

// Fewer Posts where each one waits for the disk: every shared Post does, and
// an exclusive one with ForceBufferFlush.
constexpr int kFlushedPosts = 2000;

void BM_PostShared(benchmark::State& state) { Posts(state, false, false, kFlushedPosts); }
BENCHMARK(BM_PostShared)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_PostExclusive(benchmark::State& state) { Posts(state, true, false, kPosts); }
BENCHMARK(BM_PostExclusive)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_PostSharedFlushed(benchmark::State& state) { Posts(state, false, true, kFlushedPosts); }
BENCHMARK(BM_PostSharedFlushed)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_PostExclusiveFlushed(benchmark::State& state) { Posts(state, true, true, kFlushedPosts); }
BENCHMARK(BM_PostExclusiveFlushed)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_FindNearestByLastName(benchmark::State& state) {
    auto table = testing::EventCursor(FilledFolder(), "LastName");
    table->Open();
    std::mt19937 random(3);
    int64_t searches = 0;
    for (auto _ : state) {
        table->FindNearest({hollin::TFieldValue{LastNameFor(static_cast<int>(random() % kPosts))}});
        benchmark::DoNotOptimize(table->RecNo());
        ++searches;
    }
    state.counters["searches/s"] = benchmark::Counter(double(searches), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_FindNearestByLastName);

void BM_WalkInFirstNameOrder(benchmark::State& state) {
    auto table = testing::EventCursor(FilledFolder(), "FirstName");
    table->Open();
    int64_t seen = 0;
    for (auto _ : state) {
        for (table->First(); !table->Eof(); table->Next()) ++seen;
    }
    state.counters["records/s"] = benchmark::Counter(double(seen), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_WalkInFirstNameOrder)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace larch
