// Benchmark of moving through event records whose photos a bound photo
// control of the main window's size decodes on every move.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <algorithm>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "dataset/data_source.h"
#include "engine/cursor/larch_table.h"
#include "jpeg_fixtures.h"
#include "photo/db_jpeg_image.h"
#include "tests/engine/test_folder.h"
#include "tests/support/event_cursor.h"
#include "tests/support/event_table.h"

namespace {

constexpr int kRecords = 1000;
constexpr int kDistinctPhotos = 8;  // encoding is slow; decoding does not care

// A photo-like picture: smooth shading under fine texture, so that it
// compresses about as well as a camera's.
hollin::testing::Bytes MakePhoto(int seed) {
    hollin::testing::JpegFixture fixture;
    fixture.Width = 1024;
    fixture.Height = 768;
    fixture.Quality = 75;
    return hollin::testing::MakeJpeg(fixture, [seed](int x, int y) {
        unsigned h = static_cast<unsigned>(x * 73856093) ^ static_cast<unsigned>(y * 19349663) ^
                     static_cast<unsigned>(seed * 83492791);
        h = (h ^ (h >> 13)) * 0x5bd1e995U;
        const int noise = static_cast<int>((h >> 24) % 24) - 12;
        auto channel = [noise](int v) { return std::clamp(v + noise, 0, 255); };
        return qRgb(channel((x / 4 + seed * 30) % 256), channel((y / 3) % 256), channel(((x + y) / 7) % 256));
    });
}

// The table, its data source and a bound control, made once for all runs.
struct PhotoTable {
    PhotoTable() {
        larch::testing::CreateEventTable(folder / "Hollin.DAT");
        table = larch::testing::EventCursor(folder.path());
        table->Open();
        for (int i = 0; i < kDistinctPhotos; ++i) photos.push_back(MakePhoto(i));
        for (int i = 0; i < kRecords; ++i) {
            table->Insert();
            table->FieldByName("FirstName").SetAsString("First" + std::to_string(100000 + i));
            table->FieldByName("LastName").SetAsString("Smith");
            table->FieldByName("Event").SetAsString("Birthday");
            table->FieldByName("EventDate").SetAsDate(730000);
            hollin::TMemoryStream stream(photos[static_cast<std::size_t>(i % kDistinctPhotos)]);
            table->FieldByName("Photo").LoadFromStream(stream);
            table->Post();
        }
        table->First();
        source.SetDataSet(table.get());
        image.resize(185, 169);
        image.SetStretch(true);
        image.SetCenter(true);
        image.SetDataSource(&source);
        image.SetDataField("Photo");
    }

    // The next record, back to the first after the last (not timed).
    void Move(benchmark::State& state) {
        table->Next();
        if (table->Eof()) {
            state.PauseTiming();
            table->First();
            state.ResumeTiming();
        }
    }

    larch::testing::TestFolder folder;
    std::unique_ptr<larch::TLarchTable> table;
    std::vector<hollin::testing::Bytes> photos;
    hollin::TDataSource source;
    hollin::ui::TDBJPEGImage image;
};

// Made on first use, freed before the application object goes.
std::unique_ptr<PhotoTable> g_table;

PhotoTable& Table() {
    if (!g_table) g_table = std::make_unique<PhotoTable>();
    return *g_table;
}

// Next with the photo decoded into the control's picture.
void BM_MoveNextDecoding(benchmark::State& state) {
    PhotoTable& photos = Table();
    for (auto _ : state) {
        photos.Move(state);
        benchmark::DoNotOptimize(photos.image.Picture().Width());
    }
    state.counters["photo_bytes"] = static_cast<double>(photos.photos[0].size());
}
BENCHMARK(BM_MoveNextDecoding)->Unit(benchmark::kMillisecond);

// Next and a grab of the control, which paints it: the photo is scaled once
// per move into the paint cache.
void BM_MoveNextAndPaint(benchmark::State& state) {
    PhotoTable& photos = Table();
    for (auto _ : state) {
        photos.Move(state);
        benchmark::DoNotOptimize(photos.image.grab().size());
    }
}
BENCHMARK(BM_MoveNextAndPaint)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    g_table.reset();
    return 0;
}
