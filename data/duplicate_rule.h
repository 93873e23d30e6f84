// The duplicate rule of an import: a record whose FirstName, LastName and
// Event (ignoring case) and EventDate equal those of a record already in the
// table, or of one added earlier by the same import, is not added again.
#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <tuple>

#include "dataset/dataset.h"

namespace hollin {

class TDuplicateRule {
public:
    // Learns every record the data set shows; it is back on its record afterwards.
    void LearnTable(TDataSet& dataSet);
    // False when the record is a duplicate; otherwise remembers it and says true.
    bool Admit(const std::string& firstName, const std::string& lastName, const std::string& event, int32_t date);

private:
    std::set<std::tuple<std::string, std::string, std::string, int32_t>> m_seen;
};

}  // namespace hollin
