// Benchmarks of the engine's files: appending event records with their five
// indexes, point lookups, and scans in index and physical order.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <random>
#include <string>

#include <unistd.h>

#include "engine/data/data_file.h"
#include "engine/records/record_fields.h"
#include "tests/support/event_table.h"

namespace larch {
namespace {

constexpr uint32_t kRecords = 100000;

std::string NameFor(uint32_t i) {
    static const char* const kNames[] = {"Adams", "Baker", "Carter", "Davis", "Evans", "Fisher", "Green", "Hill"};
    return std::string(kNames[i % 8]) + std::to_string(i % 9973);
}

// A folder holding an event table with kRecords records, made once.
class Fixture {
public:
    static Fixture& Get() {
        static Fixture fixture;
        return fixture;
    }
    std::string path;

private:
    Fixture() {
        std::string pattern = (std::filesystem::temp_directory_path() / "larch-bench-XXXXXX").string();
        m_folder = ::mkdtemp(pattern.data());
        path = m_folder + "/Bench.DAT";
        Fill(path, kRecords);
    }
    ~Fixture() { std::filesystem::remove_all(m_folder); }

public:
    static void Fill(const std::string& target, uint32_t count) {
        testing::CreateEventTable(target);
        TDataFile file;
        file.SetExclusive(true);
        file.SetFileName(target);
        file.Open();
        for (uint32_t i = 0; i < count; ++i) {
            std::vector<uint8_t> image = testing::MakeEventImage(
                file, testing::EventValues{NameFor(i * 7), "", NameFor(i), i % 3 ? "Birthday" : "Anniversary",
                                           static_cast<int32_t>(700000 + i % 30000), "Springfield"});
            file.InsertRecord(image);
        }
        file.Close();
    }

private:
    std::string m_folder;
};

void BM_AppendEventRecords(benchmark::State& state) {
    std::string pattern = (std::filesystem::temp_directory_path() / "larch-append-XXXXXX").string();
    std::string folder = ::mkdtemp(pattern.data());
    for (auto _ : state) {
        Fixture::Fill(folder + "/Append.DAT", kRecords);
    }
    state.counters["records/s"] = benchmark::Counter(static_cast<double>(kRecords) * state.iterations(),
                                                     benchmark::Counter::kIsRate);
    std::filesystem::remove_all(folder);
}
BENCHMARK(BM_AppendEventRecords)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_PointLookupByPrimaryKey(benchmark::State& state) {
    TDataFile file;
    file.SetFileName(Fixture::Get().path);
    file.Open();
    std::mt19937 random(7);
    std::vector<uint8_t> image(file.ImageSize(), 0);
    uint64_t lookups = 0;
    for (auto _ : state) {
        SetRecordId(image.data(), 1 + random() % kRecords);
        std::vector<uint8_t> key = file.KeyOf(kPrimarySlot, image.data());
        uint32_t number = 0;
        file.Index().FindExact(kPrimarySlot, key.data(), &number);
        RecordPin record(file, file.GetRecord(number));
        benchmark::DoNotOptimize(record->image[9]);
        ++lookups;
    }
    state.counters["records/s"] = benchmark::Counter(static_cast<double>(lookups), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_PointLookupByPrimaryKey);

void BM_ScanInFirstNameOrder(benchmark::State& state) {
    TDataFile file;
    file.SetFileName(Fixture::Get().path);
    file.Open();
    const int firstNameSlot = file.Index().FindIndex("FirstName");
    uint64_t seen = 0;
    for (auto _ : state) {
        file.Index().SelectIndex(firstNameSlot);
        for (bool ok = file.Index().First(); ok; ok = file.Index().Next()) {
            RecordPin record(file, file.GetRecord(file.Index().CurrentRecordNumber()));
            benchmark::DoNotOptimize(record->image[9]);
            ++seen;
        }
    }
    state.counters["records/s"] = benchmark::Counter(static_cast<double>(seen), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_ScanInFirstNameOrder)->Unit(benchmark::kMillisecond);

void BM_ScanInPhysicalOrder(benchmark::State& state) {
    TDataFile file;
    file.SetFileName(Fixture::Get().path);
    file.Open();
    uint64_t seen = 0;
    uint64_t reads = 0;
    for (auto _ : state) {
        file.DropCache();
        uint64_t before = file.ReadCalls();
        uint32_t last = file.Header().nextRecordNumber - 1;
        for (uint32_t n = 1; n <= last; ++n) {
            RecordPin record(file, file.GetRecord(n));
            benchmark::DoNotOptimize(record->image[9]);
            ++seen;
        }
        reads += file.ReadCalls() - before;
    }
    uint64_t perRun = kReadRunBytes / file.RecordSize();
    state.counters["records/s"] = benchmark::Counter(static_cast<double>(seen), benchmark::Counter::kIsRate);
    state.counters["reads/scan"] = static_cast<double>(reads) / state.iterations();
    state.counters["runs/scan"] = static_cast<double>((kRecords + perRun - 1) / perRun);
    if (reads > state.iterations() * ((kRecords + perRun - 1) / perRun)) {
        state.SkipWithError("more than one read() per 32767-byte run");
    }
}
BENCHMARK(BM_ScanInPhysicalOrder)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace larch

BENCHMARK_MAIN();
