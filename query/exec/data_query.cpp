// TDataQuery: preparing a statement and the table-name rules.
#include "query/exec/data_query.h"

#include "query/exec/query_execution.h"

namespace larch {

std::string ResolveTablePath(std::string_view name, std::string_view databaseDirectory) {
    if (name.empty() || name.find_first_of(":\\/") != std::string_view::npos) return std::string(name);
    std::size_t first = 0;
    std::size_t last = databaseDirectory.size();
    while (first < last && static_cast<unsigned char>(databaseDirectory[first]) <= ' ') ++first;
    while (last > first && static_cast<unsigned char>(databaseDirectory[last - 1]) <= ' ') --last;
    std::string folder(databaseDirectory.substr(first, last - first));
    // Without a directory a separator would turn the name into a root path.
    if (folder.empty()) return std::string(name);
    if (folder.back() != '/') folder += '/';
    return folder + std::string(name);
}

void TDataQuery::Clear() { m_result = TParseResult{}; }

void TDataQuery::Prepare(std::string_view text, std::string_view databaseDirectory) {
    // Whatever an earlier statement held (tables, a temporary result) goes first.
    m_execution->Release();
    m_execution = std::make_unique<Execution>(*this);
    Parse(text, databaseDirectory);
    try {
        m_execution->Analyse();
    } catch (...) {
        m_execution->Release();
        m_execution = std::make_unique<Execution>(*this);
        Clear();
        throw;
    }
}

void TDataQuery::Parse(std::string_view text, std::string_view databaseDirectory) {
    Clear();
    m_databaseDirectory = std::string(databaseDirectory);
    try {
        m_parser.Start(text, &m_result.parameters);
        ParseStatement();
    } catch (...) {
        // Nothing of a half-built result may be used.
        Clear();
        throw;
    }
}

}  // namespace larch
