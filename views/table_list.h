// Reading the table list List.txt of the program folder, for the windows
// that offer its tables.
#pragma once

#include <string>
#include <vector>

namespace hollin {
class Tdm2;
}

namespace hollin::ui {

// The lines of the data module's List.txt as they stand (a trailing carriage
// return dropped). Throws when the file cannot be opened.
std::vector<std::string> ReadTableList(const Tdm2& dm2);

}  // namespace hollin::ui
