// The table list the windows that offer the folder's tables show.
#pragma once

#include <exception>
#include <string>
#include <vector>

namespace hollin {
class Tdm2;
}

namespace hollin::ui {

struct TTableList {
    std::vector<std::string> names;  // as List.txt holds them
    std::exception_ptr writeError;   // List.txt could not be written; null when it was
};

// Rewrites List.txt (Tdm2::BuildTableList) and gives the names it holds.
// They are the names built from the folder, not List.txt read back, so that
// a folder where List.txt cannot be written (read-only) still lists its
// tables; the failed write comes back in writeError, for the window to show
// once it is set up.
TTableList ListTables(const Tdm2& dm2);

}  // namespace hollin::ui
