// The upcoming list: the occurrences of a table's events from a day through
// a number of days later, soonest first.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "dataset/dataset.h"

namespace hollin {

struct TUpcomingEvent {
    int32_t date = 0;      // the occurrence
    int daysToGo = 0;      // from the first day of the list
    int years = 0;         // YearsBetween(EventDate, date)
    bool round = false;    // IsRoundMilestone
    int32_t indexField = 0;
    int32_t eventDate = 0;
    std::string firstName, lastName, event;
    std::string milestone;  // MilestoneSentence with the first name
};

// "Ann Lee": the first and last name, or the first name alone.
std::string FullName(const TUpcomingEvent& event);

// The occurrences from `from` through from + days (days >= 0; 0 is that day
// only) of the records the data set shows (its range and filter), sorted by
// occurrence, then LastName and FirstName ignoring case, then IndexField.
// Records without an EventDate are left out. One pass over the records,
// which reads only the date of a record that does not qualify; the data set
// is back on its record afterwards, and its data sources hear nothing of the
// pass. A record being edited is the caller's to post or cancel first.
std::vector<TUpcomingEvent> UpcomingEvents(TDataSet& dataSet, int32_t from, int days);

}  // namespace hollin
