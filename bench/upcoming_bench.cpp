// The upcoming list of the next 30 days over tables of 10,000 and 100,000
// event records (dates spread over a century), read through a shared
// read-only cursor as the --upcoming command reads it.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <map>
#include <string>

#include <unistd.h>

#include "data/upcoming_list.h"
#include "dataset/date_time.h"
#include "tests/support/event_cursor.h"
#include "tests/support/event_table.h"

namespace hollin {
namespace {

const char* const kEvents[] = {"Birthday", "Anniversary", "Passing", "Graduation"};

// A folder with a table of `count` records, made once per count.
const std::string& FilledFolder(int count) {
    static std::map<int, std::string> folders;
    auto found = folders.find(count);
    if (found != folders.end()) return found->second;
    std::string pattern = (std::filesystem::temp_directory_path() / "hollin-upcoming-XXXXXX").string();
    const std::string folder = ::mkdtemp(pattern.data());
    larch::testing::CreateEventTable(folder + "/Hollin.DAT");
    auto table = larch::testing::EventCursor(folder);
    table->SetExclusive(true);
    table->Open();
    const int32_t first = EncodeDate(1926, 1, 1);
    for (int i = 0; i < count; ++i) {
        larch::testing::AddEvent(*table, "First" + std::to_string(i % 977), "Last" + std::to_string((i * 7919) % 5003),
                                 kEvents[i % 4], first + (i * 37) % 36500);
    }
    table->Close();
    return folders.emplace(count, folder).first->second;
}

void BM_UpcomingList(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    auto table = larch::testing::EventCursor(FilledFolder(count));
    table->SetReadOnly(true);
    table->Open();
    const int32_t today = EncodeDate(2026, 12, 11);
    std::size_t listed = 0;
    for (auto _ : state) {
        const std::vector<TUpcomingEvent> list = UpcomingEvents(*table, today, 30);
        listed = list.size();
        benchmark::DoNotOptimize(list.data());
    }
    state.counters["records"] = count;
    state.counters["listed"] = static_cast<double>(listed);
}
BENCHMARK(BM_UpcomingList)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace hollin

BENCHMARK_MAIN();
