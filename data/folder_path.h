// Folder paths as the program keeps them: ending with the separator, so that
// a file name appended to one makes a path.
#pragma once

#include <string>

namespace hollin {

// folder with a "/" added unless it ends with one (an empty folder gives "/").
inline std::string WithSeparator(std::string folder) {
    if (folder.empty() || folder.back() != '/') folder += '/';
    return folder;
}

}  // namespace hollin
