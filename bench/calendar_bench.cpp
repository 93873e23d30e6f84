// The printable calendar of a year as PDF over a table of 10,000 event
// records: the year's occurrences read through the cursor, then twelve
// pages drawn and written, as hollin --report calendar does.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <filesystem>

#include "bench/upcoming_fixture.h"
#include "data/calendar_layout.h"
#include "tests/support/event_cursor.h"
#include "views/calendar_painter.h"

namespace hollin {
namespace {

void BM_CalendarPdf(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    const std::string folder = FilledFolder(count);
    const std::string output = folder + "/calendar.pdf";
    for (auto _ : state) {
        auto table = larch::testing::EventCursor(folder);
        table->SetReadOnly(true);
        table->Open();
        ui::WriteCalendarPdf(EventsOfYear(*table, 2026), 2026, "Hollin.DAT", output);
    }
    state.counters["records"] = count;
    state.counters["bytes"] = static_cast<double>(std::filesystem::file_size(output));
}
BENCHMARK(BM_CalendarPdf)->Arg(10000)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace hollin

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
