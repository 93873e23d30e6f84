// The integrity check of a whole table: data file, every index and the blob
// file agree with each other.
#pragma once

#include <string>
#include <vector>

#include "engine/data/data_file.h"

namespace larch {

// Checks an open table and returns one line per problem (empty: sound):
// every record in use has exactly one key in every index and its (0, ID) key
// in "Sys Deleted", every deleted slot its (1, ID) key; key counts, the
// header's record count and each tree's own structure (order, subtree counts,
// links, free pages) agree; the free-record chain holds exactly the deleted
// records without a cycle; the blob chains of the records are owned by them,
// acyclic, and the blob free list is sound. Reads under a held read lock.
std::vector<std::string> VerifyTable(TDataFile& file);

}  // namespace larch
