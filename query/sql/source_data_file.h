// TSourceDataFile: one table named in the FROM list (or the target) of a
// statement, as the parser records it and the query opens it.
#pragma once

#include <cstdint>
#include <string>

namespace larch {

class TDataFile;

struct TSourceDataFile {
    int sequence = 0;             // 1, 2, ... in order of appearance
    std::string path;             // the table's data file path
    std::string correlationName;  // the alias, or the file name without folder and extension
    bool inMemory = false;
    // Set while the statement runs: the open data file and the image of the
    // record currently being looked at (null: the columns read as NULL).
    TDataFile* file = nullptr;
    const uint8_t* record = nullptr;
};

}  // namespace larch
