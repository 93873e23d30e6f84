// The text layout of a report.
#include "report/report_text_writer.h"

#include <algorithm>
#include <functional>
#include <map>
#include <stdexcept>

#include "report/report_file.h"
#include "report/report_generator.h"

namespace hollin::report {

namespace {

constexpr TMicrons kColumnWidth = 2540;  // ten characters to the inch
constexpr TMicrons kRowHeight = 4233;    // six rows to the inch

struct TCell {
    int column;
    std::string text;
};

// The characters of a UTF-8 text (its code points): every byte but the
// continuation bytes starts one. Columns count characters, not bytes.
std::size_t CharacterCount(const std::string& text) {
    std::size_t count = 0;
    for (const char byte : text) count += (static_cast<unsigned char>(byte) & 0xC0) != 0x80 ? 1 : 0;
    return count;
}

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
            const std::size_t width = CharacterCount(line);
            std::size_t start = static_cast<std::size_t>(cell.column);
            if (!line.empty() && start <= width) start = width + 1;
            line.append(start - std::min(start, width), ' ');
            line += cell.text;
        }
        TrimRight(line);
        // Rows the items skip stay empty lines inside the band.
        lines.resize(static_cast<std::size_t>(row));
        lines.push_back(line);
    }
    return lines;
}

namespace {

// Generates the report and hands the text of each page to write.
int GenerateText(TReport& report, const std::function<void(const std::string& text)>& write) {
    TReportGenerator generator(report);
    generator.SetPictureDpi(0);  // the text holds no photos
    return generator.Generate([&write](TDisplayPage& page) {
        std::string text;
        if (page.pageNo > 1) text += "\f\n";
        for (const TPlacedBand& band : page.bands) {
            for (const std::string& line : BandRows(band)) text += line + '\n';
            if (band.Kind() != TBandKind::Footer) text += '\n';
        }
        write(text);
    });
}

}  // namespace

int WriteText(TReport& report, std::ostream& out) {
    return GenerateText(report, [&out](const std::string& text) { out << text; });
}

int WriteTextFile(TReport& report, const std::string& path) {
    TReportFile file(path);
    const int pages = GenerateText(report, [&file](const std::string& text) {
        // A failed write is remembered by the file and fails Commit.
        file.Device().write(text.data(), static_cast<qint64>(text.size()));
    });
    file.Commit();
    return pages;
}

}  // namespace hollin::report
