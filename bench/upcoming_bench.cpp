// The upcoming list of the next 30 days over tables of 10,000 and 100,000
// event records (dates spread over a century), read through a shared
// read-only cursor as the --upcoming command reads it.
#include <benchmark/benchmark.h>

#include "bench/upcoming_fixture.h"
#include "data/upcoming_list.h"
#include "dataset/date_time.h"
#include "tests/support/event_cursor.h"

namespace hollin {
namespace {

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
