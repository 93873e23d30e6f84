// Benchmarks of filter record sets over 100,000 event records: a filter on
// Event answered by its case-insensitive index, and the month condition
// that reads every record.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <stdexcept>
#include <string>

#include <unistd.h>

#include "dataset/date_time.h"
#include "engine/data/larch_scopes.h"
#include "query/filter/filter_buffer.h"
#include "query/filter/filter_list.h"
#include "tests/support/event_table.h"
#include "tests/support/month_condition.h"

namespace larch {
namespace {

constexpr int kRecords = 100000;

// A table of kRecords event records, written once through the data file, in
// a temporary folder removed when the program ends.
struct FilledTableFolder {
    FilledTableFolder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "larch-filter-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("cannot make " + pattern);
        folder = pattern;
        table = folder + "/Hollin.DAT";
        testing::CreateEventTable(table);
        TDataFile file;
        file.SetExclusive(true);
        file.SetFileName(table);
        file.Open();
        const char* events[] = {"Birthday", "Passing", "Anniversary", "birthday"};
        for (int i = 0; i < kRecords; ++i) {
            testing::EventValues values;
            values.firstName = "First" + std::to_string(i % 977);
            values.lastName = "Last" + std::to_string(i % 50021);
            values.event = events[i % 4];
            values.eventDate = hollin::EncodeDate(1950 + i % 60, 1 + i % 12, 1 + i % 28);
            std::vector<uint8_t> image = testing::MakeEventImage(file, values);
            file.InsertRecord(image);
        }
        file.Close();
    }
    ~FilledTableFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(folder, ignored);
    }

    std::string folder;
    std::string table;
};

const std::string& FilledTable() {
    static const FilledTableFolder filled;
    return filled.table;
}

std::unique_ptr<TDataFile> OpenTable() {
    auto file = std::make_unique<TDataFile>();
    file->SetExclusive(true);
    file->SetFileName(FilledTable());
    file->Open();
    return file;
}

// Activates the filter once per iteration and reports records per second
// and the records read per build.
void RunFilter(benchmark::State& state, TDataFile& file, TFilterList& list, TFilter* filter) {
    uint64_t reads = list.RecordReads();
    uint32_t passing = 0;
    for (auto _ : state) {
        list.Activate(filter);
        passing = list.Count();
        list.Deactivate(filter);
    }
    state.counters["records/s"] = benchmark::Counter(double(kRecords) * state.iterations(), benchmark::Counter::kIsRate);
    state.counters["record reads/filter"] = double(list.RecordReads() - reads) / double(state.iterations());
    state.counters["passing"] = passing;
    benchmark::DoNotOptimize(file.ReadCalls());
}

void BM_FilterEventByIndex(benchmark::State& state) {
    auto file = OpenTable();
    TFilterList list(*file);
    hollin::TFilterOptions options;
    options.caseInsensitive = true;
    TFilter* filter = list.AddBuffer(BuildFilterBuffer("Event = 'Passing'", options, DescriptorLookup(file->Fields())));
    RunFilter(state, *file, list, filter);
}
BENCHMARK(BM_FilterEventByIndex)->Unit(benchmark::kMillisecond);

void BM_FilterMonthByScan(benchmark::State& state) {
    auto file = OpenTable();
    auto root = testing::MonthCondition(*file, 5);
    TFilterList list(*file);
    TFilter* filter = list.AddTree(std::move(root));
    RunFilter(state, *file, list, filter);
}
BENCHMARK(BM_FilterMonthByScan)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace larch
