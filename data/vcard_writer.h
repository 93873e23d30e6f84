// The records of a table as vCard 4.0: one card per person (records grouped
// by FirstName, MiddleName and LastName, ignoring case), with BDAY,
// ANNIVERSARY and DEATHDATE from the person's earliest Birthday,
// Anniversary and Passing, every other event as a labelled X-ABDATE, and the
// contact fields, notes and photo of the person's first record.
#pragma once

#include <string>
#include <vector>

#include "data/transfer_record.h"

namespace hollin {

// The whole file, lines folded and ended with CRLF. `tableName` makes each
// card's UID, which stays the same at every export of the same person.
std::string VCardText(const std::vector<TTransferRecord>& records, const std::string& tableName);

}  // namespace hollin
