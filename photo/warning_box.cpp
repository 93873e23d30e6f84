// The warning-box seam and its recording default.
#include "photo/warning_box.h"

#include <cstddef>

namespace hollin {

namespace {

constexpr std::size_t kRecordLimit = 100;

TWarningBoxHandler& Handler()
{
    static TWarningBoxHandler handler;
    return handler;
}

std::vector<std::string>& Record()
{
    static std::vector<std::string> record;
    return record;
}

}  // namespace

void SetWarningBoxHandler(TWarningBoxHandler handler)
{
    Handler() = std::move(handler);
}

void ShowWarningBox(const std::string& text)
{
    if (Handler()) {
        Handler()(text);
        return;
    }
    std::vector<std::string>& record = Record();
    if (record.size() == kRecordLimit) {
        record.erase(record.begin());
    }
    record.push_back(text);
}

std::vector<std::string> TakeRecordedWarningBoxes()
{
    std::vector<std::string> taken;
    taken.swap(Record());
    return taken;
}

}  // namespace hollin
