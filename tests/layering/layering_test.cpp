// The layers of the program depend one way: a file may include headers of
// its own layer and of the layers below it, never of a layer above. This
// test reads every #include of the sources and names the file and line of
// each include that runs against the order.
#include <gtest/gtest.h>

#include <filesystem>
#include <cstring>
#include <fstream>
#include <regex>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

// The layers from the bottom up: a path (folder or file-name prefix) and its
// rank; the longest matching prefix decides. Peers share a rank.
struct Layer {
    const char* prefix;
    int rank;
};

const Layer kLayers[] = {
    {"dataset/", 0},
    {"engine/", 1},          // files, records, indexes, blobs, table-wide operations
    {"query/", 2},           // SQL, expressions, filters, execution
    {"engine/larch_", 3},    // sessions, databases, the table cursor, the query component
    {"engine/larch_scopes", 1},  // read and write scopes over a data file
    {"shell/", 4},           // the larch shell
    {"data/", 4},            // the data module
    {"photo/", 5},           // the JPEG codec and picture types
    {"controls/", 5},        // the bound widgets and the seams
    {"photo/db_jpeg_image", 6},
    {"photo/flag_scope", 6},
    {"report/", 7},
    {"views/", 8},
    {"app/", 9},
};

const Layer* LayerOf(const std::string& path) {
    const Layer* best = nullptr;
    for (const Layer& layer : kLayers) {
        const std::string prefix = layer.prefix;
        if (path.compare(0, prefix.size(), prefix) == 0 && (best == nullptr || prefix.size() > std::strlen(best->prefix))) {
            best = &layer;
        }
    }
    return best;
}

TEST(Layering, NoIncludeRunsAgainstTheLayerOrder) {
    const fs::path root = LAYERING_SOURCE_DIR;
    const std::regex include(R"(^\s*#\s*include\s*"([^"]+)\")");
    std::vector<std::string> violations;
    int files = 0;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        if (!entry.is_regular_file()) continue;
        const std::string relative = fs::relative(entry.path(), root).generic_string();
        const std::string ext = entry.path().extension().string();
        if (ext != ".h" && ext != ".cpp") continue;
        const Layer* own = LayerOf(relative);
        if (own == nullptr) continue;  // tests, benchmarks, fuzz targets, build trees
        ++files;
        std::ifstream in(entry.path());
        std::string line;
        for (int number = 1; std::getline(in, line); ++number) {
            std::smatch match;
            if (!std::regex_search(line, match, include)) continue;
            const Layer* used = LayerOf(match[1].str());
            if (used != nullptr && used->rank > own->rank) {
                violations.push_back(relative + ":" + std::to_string(number) + " includes " + match[1].str() + " (" +
                                     own->prefix + " may not use " + used->prefix + ")");
            }
        }
    }
    EXPECT_GT(files, 100);  // the sources were found
    for (const std::string& violation : violations) ADD_FAILURE() << violation;
}

}  // namespace
