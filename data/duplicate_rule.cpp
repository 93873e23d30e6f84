// The duplicate rule's key: the names and event lower-cased, and the date.
#include "data/duplicate_rule.h"

#include "data/vcard_text.h"
#include "dataset/cursor_keeper.h"

namespace hollin {

void TDuplicateRule::LearnTable(TDataSet& dataSet) {
    TField& first = dataSet.FieldByName("FirstName");
    TField& last = dataSet.FieldByName("LastName");
    TField& event = dataSet.FieldByName("Event");
    TField& date = dataSet.FieldByName("EventDate");
    TCursorKeeper keep(dataSet);
    TDataSet::TFetchRun oneReadLock(dataSet);
    for (dataSet.First(); !dataSet.Eof(); dataSet.Next()) {
        if (date.IsNull()) continue;
        Admit(first.AsString(), last.AsString(), event.AsString(), date.AsDate());
    }
}

bool TDuplicateRule::Admit(const std::string& firstName, const std::string& lastName, const std::string& event,
                           int32_t date) {
    return m_seen.emplace(AsciiLower(firstName), AsciiLower(lastName), AsciiLower(event), date).second;
}

}  // namespace hollin
