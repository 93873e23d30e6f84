// The event record's fields and indexes, and creating a table of that layout.
#include "data/event_schema.h"

#include "engine/cursor/larch_table.h"

namespace hollin {

const std::vector<TEventField>& EventFieldList() {
    static const std::vector<TEventField> fields = {
        {"IndexField", ftAutoInc, 0, false}, {"FirstName", ftString, 15, true},
        {"MiddleName", ftString, 15, false}, {"LastName", ftString, 15, true},
        {"Event", ftString, 15, true},       {"EventDate", ftDate, 0, true},
        {"Notes", ftMemo, 0, false},         {"Phone", ftString, 13, false},
        {"PhoneFax", ftString, 13, false},   {"CellPhone", ftString, 13, false},
        {"Email", ftString, 30, false},      {"Website", ftString, 35, false},
        {"Zip", ftString, 10, false},        {"State", ftString, 2, false},
        {"City", ftString, 15, false},       {"Address", ftString, 25, false},
        {"Photo", ftBlob, 0, false},
    };
    return fields;
}

const std::vector<TEventIndex>& EventIndexList() {
    using namespace larch;
    static const std::vector<TEventIndex> indexes = {
        {"", "IndexField", ixPrimary | ixUnique | ixCaseInsensitive},
        {"Event", "Event", ixCaseInsensitive},
        {"LastName", "LastName", ixCaseInsensitive},
        {"FirstName", "FirstName", ixCaseInsensitive},
        {"Edate", "EventDate;Event;FirstName;LastName", 0},
    };
    return indexes;
}

void DefineEventTable(larch::TLarchTable& table, int indexCount) {
    table.FieldDefs().Clear();
    for (const TEventField& field : EventFieldList()) {
        table.FieldDefs().Add(field.name, field.type, field.size, field.required);
    }
    table.IndexDefs().Clear();
    for (int i = 0; i < indexCount; ++i) {
        const TEventIndex& index = EventIndexList()[i];
        table.IndexDefs().Add(index.name, index.fields, index.options);
    }
}

void CreateEventTable(larch::TLarchTable& table, int indexCount) {
    DefineEventTable(table, indexCount);
    table.CreateTable();

    table.RestructureFieldDefs().Clear();
    uint16_t fieldNumber = 1;
    for (const TEventField& field : EventFieldList()) {
        table.RestructureFieldDefs().Add(field.name, field.type, field.size, field.required, "", "", "", "",
                                         fieldNumber++);
    }
    table.RestructureIndexDefs().Clear();
    for (int i = 0; i < indexCount; ++i) {
        const TEventIndex& index = EventIndexList()[i];
        table.RestructureIndexDefs().Add(index.name, index.fields, index.options, 0);
    }
    table.RestructureTable(0, 0, 1, 0, false, "", "", 512, true);
}

}  // namespace hollin
