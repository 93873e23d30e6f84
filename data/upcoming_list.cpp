// One pass over the records, then the sort.
#include "data/upcoming_list.h"

#include <algorithm>

#include "data/date_routines.h"
#include "data/upcoming_rules.h"
#include "dataset/cursor_keeper.h"
#include "dataset/field.h"

namespace hollin {

namespace {

// Negative, zero or positive as a < b ignoring ASCII letter case.
int CompareIgnoringCase(const std::string& a, const std::string& b) {
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        unsigned char x = static_cast<unsigned char>(a[i]);
        unsigned char y = static_cast<unsigned char>(b[i]);
        if (x >= 'a' && x <= 'z') x = static_cast<unsigned char>(x - 'a' + 'A');
        if (y >= 'a' && y <= 'z') y = static_cast<unsigned char>(y - 'a' + 'A');
        if (x != y) return x < y ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

bool SoonerFirst(const TUpcomingEvent& a, const TUpcomingEvent& b) {
    if (a.date != b.date) return a.date < b.date;
    if (int c = CompareIgnoringCase(a.lastName, b.lastName); c != 0) return c < 0;
    if (int c = CompareIgnoringCase(a.firstName, b.firstName); c != 0) return c < 0;
    return a.indexField < b.indexField;
}

}  // namespace

std::string FullName(const TUpcomingEvent& event) {
    return event.lastName.empty() ? event.firstName : event.firstName + " " + event.lastName;
}

std::vector<TUpcomingEvent> UpcomingEvents(TDataSet& dataSet, int32_t from, int days) {
    std::vector<TUpcomingEvent> list;
    if (days < 0) return list;
    const int32_t last = from + days;
    TField& date = dataSet.FieldByName("EventDate");
    TField& firstName = dataSet.FieldByName("FirstName");
    TField& lastName = dataSet.FieldByName("LastName");
    TField& event = dataSet.FieldByName("Event");
    TField& key = dataSet.FieldByName("IndexField");
    TCursorKeeper keeper(dataSet);
    // One read lock and change check for the whole pass, not one per record.
    TDataSet::TFetchRun oneReadLock(dataSet);
    for (dataSet.First(); !dataSet.Eof(); dataSet.Next()) {
        if (date.IsNull()) continue;
        const int32_t eventDate = date.AsDate();
        const std::optional<int32_t> next = NextOccurrence(eventDate, from);
        if (!next || *next > last) continue;
        TUpcomingEvent& entry = list.emplace_back();
        entry.date = *next;
        entry.daysToGo = *next - from;
        entry.eventDate = eventDate;
        entry.firstName = firstName.AsString();
        entry.lastName = lastName.AsString();
        entry.event = event.AsString();
        entry.indexField = key.IsNull() ? 0 : key.AsInteger();
        entry.years = YearsBetween(eventDate, *next);
    }
    std::sort(list.begin(), list.end(), SoonerFirst);
    for (TUpcomingEvent& entry : list) {
        entry.round = IsRoundMilestone(entry.event, entry.years);
        entry.milestone = MilestoneSentence(entry.event, entry.firstName, entry.years);
    }
    return list;
}

}  // namespace hollin
