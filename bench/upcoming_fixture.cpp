// The benchmarks' event tables.
#include "bench/upcoming_fixture.h"

#include <filesystem>
#include <map>

#include <unistd.h>

#include "dataset/date_time.h"
#include "tests/support/event_cursor.h"
#include "tests/support/event_table.h"

namespace hollin {

namespace {

const char* const kEvents[] = {"Birthday", "Anniversary", "Passing", "Graduation"};

}  // namespace

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

}  // namespace hollin
