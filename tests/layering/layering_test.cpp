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
    {"dataset/", 0},          // states, record buffers, fields, data sources and links
    {"csv/", 0},              // CSV reading and writing over the dataset's fields
    {"engine/files/", 1},     // errors, the file handler, the journal, lock ranges
    {"engine/records/", 2},   // field types and descriptors, record images and their cache
    {"engine/index/", 3},     // index file, keys, pages, the B+-tree
    {"engine/blob/", 3},      // blob file and block chains
    {"engine/data/", 4},      // the data file that owns its index and blob files
    {"engine/tables/", 5},    // creation, restructure, rebuild, repair, the integrity check
    {"query/expr/", 6},       // expression trees, typing and evaluation
    {"query/sql/", 7},        // SQL lexing and parsing, parameters
    {"query/filter/", 8},     // the filter language, record sets from indexes
    {"query/exec/", 9},       // statement analysis, execution and results
    {"engine/cursor/", 10},   // sessions, databases, the table cursor, the query component
    {"shell/", 11},           // the larch shell
    {"data/", 11},            // the data module
    {"photo/", 12},           // the JPEG codec and picture types
    {"controls/", 12},        // the bound widgets and the seams
    {"photo/db_jpeg_image", 13},
    {"photo/flag_scope", 13},
    {"report/", 14},
    {"views/", 15},
    {"cli/", 16},             // the command-line commands
    {"app/", 17},
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
