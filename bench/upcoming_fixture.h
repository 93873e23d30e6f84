// Event tables for the upcoming-events benchmarks: `count` records of
// birthdays, anniversaries, passings and graduations with dates spread over a
// century, made once per count in a temporary folder.
#pragma once

#include <string>

namespace hollin {

// The folder holding Hollin.DAT with count records.
const std::string& FilledFolder(int count);

}  // namespace hollin
