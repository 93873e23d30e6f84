// The rules of the upcoming events: when an event next comes round, how
// many years it then marks, which counts are round, and the sentence that
// names the milestone ("Ann turns 43"). Dates are day numbers
// (dataset/date_time.h).
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace hollin {

// The first day on or after `from` that falls on the event's month and day:
// in from's year or the next. A 29 February falls on 1 March in years
// without one (as YearsBetween counts). An event dated after `from` occurs
// first on its own date. Nothing when that day would lie beyond 12/31/9999.
std::optional<int32_t> NextOccurrence(int32_t eventDate, int32_t from);

// 1st, 2nd, 3rd, 4th, 11th, 12th, 13th, 21st, 101st, 111th ...
std::string Ordinal(int n);

// Whether the count is one to mark: every tenth year of any event, and for
// an "Anniversary" also the 25th. Year 0 is never round.
bool IsRoundMilestone(const std::string& event, int years);

// The traditional name of a wedding anniversary ("silver" for 25, "ruby"
// 40, "golden" 50, "diamond" 60); empty for other counts.
std::string AnniversaryName(int years);

// The milestone sentence of an occurrence: the event is compared exactly,
// letter case included, as the age sentence compares it.
//   "Birthday"     Ann turns 43            (year 0: Ann is born)
//   "Anniversary"  Ann: 25th anniversary (silver)   (year 0: Ann: wedding day)
//   "Passing"      Ann: 10 years since passing      (year 0: Ann: day of passing)
//   other          Ann: Graduation, 10 years        (year 0: Ann: Graduation)
// An empty name or event reads "Empty", as in the age sentence.
std::string MilestoneSentence(const std::string& event, const std::string& name, int years);

// "today", "tomorrow", "in 12 days" for 0, 1, 12 days to go.
std::string DaysToGoText(int days);

// 0 Sunday to 6 Saturday.
int WeekdayOf(int32_t dayNumber);
// "Sun" to "Sat".
std::string WeekdayAbbreviation(int32_t dayNumber);
// "Sun 12/14/2025".
std::string DateWithWeekday(int32_t dayNumber);

}  // namespace hollin
