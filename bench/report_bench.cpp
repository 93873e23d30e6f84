// Benchmarks of the reports written to PDF: the detailed report of 1,000
// records with 100 KB photos and the list of 10,000 records. Counters: the
// file's size in bytes and its pages.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <map>
#include <memory>

#include <QApplication>

#include "report/report_painter.h"
#include "tests/report/report_fixture.h"

namespace hollin {
namespace {

using testing::ReportFixture;

// A fixture with count records, made once per process.
ReportFixture& Filled(int count, bool photos) {
    static std::map<std::pair<int, bool>, std::unique_ptr<ReportFixture>> made;
    auto& slot = made[{count, photos}];
    if (!slot) {
        slot = std::make_unique<ReportFixture>();
        // About 100 KB per photo; every record gets its own bytes.
        const std::vector<uint8_t> photo = photos ? testing::MakePhoto(560, 420, 85) : std::vector<uint8_t>();
        for (int i = 1; i <= count; ++i) {
            testing::Person p = testing::NumberedPerson(i);
            p.photo = photo;
            if (!p.photo.empty()) p.photo[p.photo.size() - 3] = static_cast<uint8_t>(i % 200);
            slot->Add(p);
        }
    }
    return *slot;
}

void WritePdf(benchmark::State& state, ReportFixture& f, report::TReport& report, const std::string& name) {
    const std::string path = f.folder / name;
    report::TPaintResult result;
    for (auto _ : state) result = report::WritePdfFile(report, path);
    state.counters["pages"] = result.pages;
    state.counters["file_bytes"] = static_cast<double>(std::filesystem::file_size(path));
    if (!f.table->IsEmpty() && f.table->FieldByName("Photo").AsBytes().size() > 0) {
        state.counters["photo_bytes"] = static_cast<double>(f.table->FieldByName("Photo").AsBytes().size());
    }
}

void BM_DetailedReport1000WithPhotosToPdf(benchmark::State& state) {
    ReportFixture& f = Filled(1000, true);
    WritePdf(state, f, f.rb->ppReport1, "detailed.pdf");
}
BENCHMARK(BM_DetailedReport1000WithPhotosToPdf)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_ListReport10000ToPdf(benchmark::State& state) {
    ReportFixture& f = Filled(10000, false);
    WritePdf(state, f, f.rb->ppReport2, "list.pdf");
}
BENCHMARK(BM_ListReport10000ToPdf)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
}  // namespace hollin

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
