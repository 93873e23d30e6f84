// The three texts of the main window that describe the current record: the
// record counter, the editing mode and the event sentence.
#pragma once

#include <string>

#include "dataset/dataset_types.h"

namespace hollin {

class TDataSet;

// "Record %d of %d", or "Table is Empty" when the count is below 1.
std::string RecordCounterText(int recNo, int recordCount);
// "Inserting", "Editing" or empty.
std::string ModeText(TDataSetState state);
// The sentence for an event, compared exactly: "Ann is 42 years old.",
// "Ann were married 12 years ago.", "Ann Passed 3 years ago."; empty for any
// other event. Empty texts are passed as "Empty" by the caller.
std::string EventSentence(const std::string& event, const std::string& name, int years);
// The sentence for the current record of an open dataset (fields Event,
// FirstName, EventDate; an empty date counts from today).
std::string EventSentenceOf(const TDataSet& dataSet);

}  // namespace hollin
