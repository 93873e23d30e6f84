// Reading List.txt.
#include "views/table_list.h"

#include <fstream>
#include <stdexcept>

#include "data/dm2.h"

namespace hollin::ui {

std::vector<std::string> ReadTableList(const Tdm2& dm2) {
    std::ifstream in(dm2.ListFilePath(), std::ios::binary);
    if (!in) throw std::runtime_error("Cannot open file \"" + dm2.ListFilePath() + "\"");
    std::vector<std::string> lines;
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

}  // namespace hollin::ui
