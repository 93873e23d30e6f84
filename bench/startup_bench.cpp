// Benchmark of the program's start: the start-up sequence over a default
// table of 10,000 records until the main window has painted once.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <cstdlib>
#include <memory>
#include <string>

#include "app/start_up.h"
#include "controls/message_box.h"
#include "data/dm2.h"
#include "dataset/date_time.h"
#include "tests/engine/test_folder.h"
#include "tests/support/event_cursor.h"

namespace {

constexpr int kRecords = 10000;

// The folder with the default table, filled once for all runs.
struct FilledFolder {
    FilledFolder() {
        hollin::Tdm2::CreateTables(folder.path());
        auto table = larch::testing::EventCursor(folder.path());
        table->SetExclusive(true);
        table->Open();
        for (int i = 0; i < kRecords; ++i) {
            larch::testing::AddEvent(*table, "First" + std::to_string(100000 + i), "Last" + std::to_string(i % 977),
                                     i % 3 == 0 ? "Birthday" : i % 3 == 1 ? "Anniversary" : "Passing",
                                     hollin::EncodeDate(1930 + i % 90, 1 + i % 12, 1 + i % 28));
        }
    }
    larch::testing::TestFolder folder;
};

void BM_StartUpToFirstPaint(benchmark::State& state) {
    static FilledFolder data;
    for (auto _ : state) {
        auto program = hollin::ui::StartProgram(data.folder.path(), data.folder.path() + "/");
        program->frmMain->show();
        // Painting the window once; the events-by-month window it schedules
        // goes away with it.
        QImage painted = program->frmMain->grab().toImage();
        benchmark::DoNotOptimize(painted.bits());
        state.PauseTiming();
        program.reset();
        QApplication::processEvents();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_StartUpToFirstPaint)->Unit(benchmark::kMillisecond)->Iterations(10);

// Moving to the next record in the main window while the month query is
// open: it follows ds1, so every move runs it again.
void BM_MainWindowNext(benchmark::State& state) {
    static FilledFolder data;
    auto program = hollin::ui::StartProgram(data.folder.path(), data.folder.path() + "/");
    hollin::Tdm2& dm2 = *program->dm2;
    if (state.range(0) != 0) dm2.RunSql(0);
    for (auto _ : state) {
        dm2.Larchtbl.Next();
        if (dm2.Larchtbl.Eof()) dm2.Larchtbl.First();
    }
    state.SetLabel(state.range(0) != 0 ? "month query open" : "month query closed");
}
BENCHMARK(BM_MainWindowNext)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    hollin::ui::SetTestMode(true);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
