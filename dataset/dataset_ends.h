// Whether the current record of a dataset has a neighbour in either
// direction: what a navigator needs to enable its moving buttons.
#pragma once

namespace hollin {

class TDataSet;

// False at the first record (and on an empty or closed dataset). Bof alone
// is not enough: after a Post, a Locate or a filter change it is false even
// on the first record, so the record number decides where it is known.
bool HasPriorRecord(const TDataSet& dataSet);
// False at the last record (and on an empty or closed dataset).
bool HasNextRecord(const TDataSet& dataSet);

}  // namespace hollin
