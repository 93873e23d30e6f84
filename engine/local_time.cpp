// Local wall-clock time for header time stamps.
#include "engine/local_time.h"

#include <ctime>
#include <mutex>

namespace larch {
namespace {
std::mutex g_mutex;
std::optional<double> g_fixed;
}  // namespace

double LocalNowAsDateTime() {
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        if (g_fixed) return *g_fixed;
    }
    std::time_t now = std::time(nullptr);
    std::tm local{};
    ::localtime_r(&now, &local);
    // Days from 12/30/1899 to 1/1/1970 are 25569.
    double days = 25569.0 + static_cast<double>(now + local.tm_gmtoff) / 86400.0;
    return days;
}

void SetLocalNowForTesting(std::optional<double> dateTime) {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_fixed = dateTime;
}

}  // namespace larch
