// Import of 10,000 vCards with photos into an empty table, and the export of
// 10,000 records as iCalendar and as vCard, as the commands do them.
#include <benchmark/benchmark.h>

#include <filesystem>

#include "bench/upcoming_fixture.h"
#include "data/transfer_files.h"
#include "data/vcard_text.h"
#include "dataset/date_time.h"
#include "tests/support/event_cursor.h"

namespace hollin {
namespace {

// count cards, each with a birthday, an anniversary, contact fields and a
// 6 KB JPEG photo (stored byte for byte), as a phone's address book has them.
std::string Cards(int count) {
    std::vector<uint8_t> photo = {0xFF, 0xD8, 0xFF, 0xE0};
    for (int i = 0; i < 6000; ++i) photo.push_back(static_cast<uint8_t>(i * 31 + 7));
    const std::string base64 = EncodeBase64(photo);
    std::string text;
    for (int i = 0; i < count; ++i) {
        const std::string n = std::to_string(i);
        text += "BEGIN:VCARD\r\nVERSION:3.0\r\nN:Last" + n + ";First" + n + ";;;\r\nFN:First" + n + " Last" + n +
                "\r\nBDAY:19" + std::to_string(10 + i % 90) + "-0" + std::to_string(1 + i % 9) + "-1" +
                std::to_string(i % 10) + "\r\nANNIVERSARY:20010612\r\nTEL;TYPE=CELL:555 " + n +
                "\r\nEMAIL:person" + n + "@example.com\r\nADR;TYPE=HOME:;;" + n +
                " Elm Street;Springfield;IL;62704;USA\r\nNOTE:Met at the reunion\\, likes tea\r\nPHOTO;ENCODING=b;TYPE=JPEG:";
        for (std::size_t at = 0; at < base64.size(); at += 74) text += (at ? "\r\n " : "") + base64.substr(at, 74);
        text += "\r\nEND:VCARD\r\n";
    }
    return text;
}

void BM_VCardImport(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    const std::string text = Cards(count);
    int added = 0;
    int round = 0;
    const std::string folder = std::filesystem::temp_directory_path() / "hollin-vcard-bench";
    for (auto _ : state) {
        state.PauseTiming();
        std::filesystem::remove_all(folder);
        std::filesystem::create_directories(folder);
        auto table = larch::testing::NewEventTable(folder, "Import" + std::to_string(++round) + ".DAT");
        state.ResumeTiming();
        added = ImportText(*table, TTransferFormat::VCard, text, nullptr).added;
    }
    std::filesystem::remove_all(folder);
    state.counters["cards"] = count;
    state.counters["added"] = added;
    state.counters["MB"] = static_cast<double>(text.size()) / 1e6;
}
BENCHMARK(BM_VCardImport)->Arg(10000)->Unit(benchmark::kMillisecond)->Iterations(2);

void BM_Export(benchmark::State& state, TTransferFormat format) {
    const int count = static_cast<int>(state.range(0));
    auto table = larch::testing::EventCursor(FilledFolder(count));
    table->SetReadOnly(true);
    table->Open();
    TICalendarOptions ics;
    ics.calendarName = "Hollin.DAT";
    ics.today = EncodeDate(2026, 12, 11);
    ics.stamp = "20261211T000000Z";
    std::size_t bytes = 0;
    int written = 0;
    for (auto _ : state) {
        const std::string text = ExportText(*table, format, ics, written);
        bytes = text.size();
        benchmark::DoNotOptimize(text.data());
    }
    state.counters["records"] = written;
    state.counters["MB"] = static_cast<double>(bytes) / 1e6;
}
BENCHMARK_CAPTURE(BM_Export, ICalendar, TTransferFormat::ICalendar)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Export, VCard, TTransferFormat::VCard)->Arg(10000)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace hollin

BENCHMARK_MAIN();
