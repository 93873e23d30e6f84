// Record counter, mode text and event sentence.
#include "data/record_status.h"

#include "data/date_routines.h"
#include "dataset/dataset.h"
#include "dataset/date_time.h"

namespace hollin {

std::string RecordCounterText(int recNo, int recordCount) {
    if (recordCount < 1) return "Table is Empty";
    return "Record " + std::to_string(recNo) + " of " + std::to_string(recordCount);
}

std::string ModeText(TDataSetState state) {
    switch (state) {
        case dsInsert: return "Inserting";
        case dsEdit: return "Editing";
        default: return "";
    }
}

std::string EventSentence(const std::string& event, const std::string& name, int years) {
    const std::string n = std::to_string(years);
    if (event == "Birthday") return name + " is " + n + " years old.";
    if (event == "Anniversary") return name + " were married " + n + " years ago.";
    if (event == "Passing") return name + " Passed " + n + " years ago.";
    return "";
}

std::string EventSentenceOf(const TDataSet& dataSet) {
    const TField& dateField = dataSet.FieldByName("EventDate");
    int32_t date = dateField.IsNull() ? Today() : dateField.AsDate();
    const TField& eventField = dataSet.FieldByName("Event");
    const TField& nameField = dataSet.FieldByName("FirstName");
    std::string event = eventField.IsNull() ? "Empty" : eventField.AsString();
    std::string name = nameField.IsNull() ? "Empty" : nameField.AsString();
    if (event.empty()) event = "Empty";
    if (name.empty()) name = "Empty";
    return EventSentence(event, name, AgeNow(date));
}

}  // namespace hollin
