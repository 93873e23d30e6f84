// The text layout of a report.
#include "report/report_text_writer.h"

#include <algorithm>
#include <fstream>
#include <map>
#include <stdexcept>

#include "report/report_generator.h"

namespace hollin::report {

namespace {

constexpr TMicrons kColumnWidth = 2540;  // ten characters to the inch
constexpr TMicrons kRowHeight = 4233;    // six rows to the inch

struct TCell {
    int column;
    std::string text;
};

void TrimRight(std::string& line) {
    const std::size_t end = line.find_last_not_of(' ');
    line.erase(end == std::string::npos ? 0 : end + 1);
}

}  // namespace

std::vector<std::string> BandRows(const TPlacedBand& band) {
    std::map<int, std::vector<TCell>> rows;
    for (const TPlacedItem& placed : band.items) {
        if (!placed.item->IsText()) continue;
        const int column = std::max(0, (placed.rect.left - band.left) / kColumnWidth);
        const int row = std::max(0, (placed.rect.top - band.top) / kRowHeight);
        if (placed.Kind() == TItemKind::Memo || placed.Kind() == TItemKind::DBMemo) {
            for (std::size_t i = 0; i < placed.lines.size(); ++i) {
                rows[row + static_cast<int>(i)].push_back({column, placed.lines[i]});
            }
        } else {
            rows[row].push_back({column, placed.text});
        }
    }
    std::vector<std::string> lines;
    for (auto& [row, cells] : rows) {
        std::stable_sort(cells.begin(), cells.end(), [](const TCell& a, const TCell& b) { return a.column < b.column; });
        std::string line;
        for (const TCell& cell : cells) {
            TrimRight(line);
            std::size_t start = static_cast<std::size_t>(cell.column);
            if (!line.empty() && start <= line.size()) start = line.size() + 1;
            line.resize(std::max(line.size(), start), ' ');
            line += cell.text;
        }
        TrimRight(line);
        // Rows the items skip stay empty lines inside the band.
        lines.resize(static_cast<std::size_t>(row));
        lines.push_back(line);
    }
    return lines;
}

int WriteText(TReport& report, std::ostream& out) {
    TReportGenerator generator(report);
    return generator.Generate([&out](TDisplayPage& page) {
        if (page.pageNo > 1) out << "\f\n";
        for (const TPlacedBand& band : page.bands) {
            for (const std::string& line : BandRows(band)) out << line << '\n';
            if (band.Kind() != TBandKind::Footer) out << '\n';
        }
    });
}

int WriteTextFile(TReport& report, const std::string& path) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    if (!file) throw std::runtime_error("Cannot create file " + path);
    const int pages = WriteText(report, file);
    file.flush();
    if (!file) throw std::runtime_error("Cannot write file " + path);
    return pages;
}

}  // namespace hollin::report
