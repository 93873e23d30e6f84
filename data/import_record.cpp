// The summary and details of an import.
#include "data/import_record.h"

#include <algorithm>

namespace hollin {

namespace {

std::string Counted(int count, const std::string& kind) {
    if (kind == skip::kDuplicate) return std::to_string(count) + (count == 1 ? " duplicate" : " duplicates");
    if (kind == skip::kBroken) return std::to_string(count) + (count == 1 ? " broken entry" : " broken entries");
    return std::to_string(count) + " " + kind;
}

}  // namespace

std::string TImportReport::Summary() const {
    std::string text = "Added " + std::to_string(added) + (added == 1 ? " record" : " records") + " from " +
                       std::to_string(sources) + " " + sourceName + (sources == 1 ? "" : "s");
    if (!skipped.empty()) {
        // The reasons by count, most first; equal counts in the order first met.
        std::vector<std::pair<std::string, int>> counts;
        for (const TImportEntry& entry : skipped) {
            auto it = std::find_if(counts.begin(), counts.end(), [&](const auto& c) { return c.first == entry.kind; });
            if (it == counts.end()) counts.emplace_back(entry.kind, 1);
            else ++it->second;
        }
        std::stable_sort(counts.begin(), counts.end(), [](const auto& a, const auto& b) { return a.second > b.second; });
        text += "; skipped " + std::to_string(skipped.size()) + ":";
        for (std::size_t i = 0; i < counts.size(); ++i) {
            text += (i ? ", " : " ") + Counted(counts[i].second, counts[i].first);
        }
    }
    if (shortened > 0) {
        text += "; " + std::to_string(shortened) + (shortened == 1 ? " value shortened" : " values shortened");
    }
    return text;
}

std::string TImportReport::Details() const {
    std::vector<TImportEntry> all = skipped;
    all.insert(all.end(), notes.begin(), notes.end());
    std::stable_sort(all.begin(), all.end(), [](const TImportEntry& a, const TImportEntry& b) { return a.line < b.line; });
    std::string text;
    for (const TImportEntry& entry : all) text += "line " + std::to_string(entry.line) + ": " + entry.detail + "\n";
    return text;
}

}  // namespace hollin
