// What an import reports: records
// added, entries skipped with their reason and line, values shortened.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "data/transfer_record.h"

namespace hollin {


// The reasons an entry is skipped, as the summary counts them.
namespace skip {
constexpr const char* kDuplicate = "duplicate";
constexpr const char* kWithoutYear = "without a year";
constexpr const char* kWithoutDate = "without a date";
constexpr const char* kWithoutName = "without a name";
constexpr const char* kBroken = "broken";
}  // namespace skip

struct TImportEntry {
    int line = 0;
    std::string kind;    // one of the skip reasons above, or empty for a note
    std::string detail;  // what the user reads in the details
};

struct TImportReport {
    int added = 0;
    int sources = 0;              // cards (or rows) read
    std::string sourceName = "card";  // what a source is, singular: "card", "row"
    int shortened = 0;            // values cut to their field's size
    std::vector<TImportEntry> skipped;
    std::vector<TImportEntry> notes;  // things done differently, not skipped (a photo by URL)

    // "Added 212 records from 180 cards; skipped 9: 4 duplicates, 3 without a
    // year, 2 without a date; 12 values shortened"
    std::string Summary() const;
    // One line per skipped entry and note, by line: "line 12: duplicate (Ann Lee, Birthday)".
    std::string Details() const;
};

}  // namespace hollin
