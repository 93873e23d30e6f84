// The event record table for engine tests and benchmarks.
#include "tests/support/event_table.h"

#include "engine/records/record_fields.h"
#include "engine/records/record_layout.h"

namespace larch::testing {
namespace {

FieldDescriptor Field(const char* name, uint8_t type, uint8_t sub, uint8_t size, bool required) {
    FieldDescriptor f;
    f.name = name;
    f.physType = type;
    f.subType = sub;
    f.size = size;
    f.required = required;
    return f;
}

IndexDescriptor Index(const char* name, std::initializer_list<uint16_t> fieldNumbers, bool caseInsensitive,
                      bool unique) {
    IndexDescriptor d;
    d.name = name;
    d.caseInsensitive = caseInsensitive;
    d.unique = unique;
    for (uint16_t n : fieldNumbers) d.fieldNumbers[d.fieldCount++] = n;
    return d;
}

}  // namespace

std::vector<FieldDescriptor> EventFields() {
    std::vector<FieldDescriptor> fields = {
        Field("IndexField", phys::Int32, subtype::AutoInc, 0, false),
        Field("FirstName", phys::String, 0, 15, true),
        Field("MiddleName", phys::String, 0, 15, false),
        Field("LastName", phys::String, 0, 15, true),
        Field("Event", phys::String, 0, 15, true),
        Field("EventDate", phys::Date, 0, 0, true),
        Field("Notes", phys::Blob, subtype::Memo, 0, false),
        Field("Phone", phys::String, 0, 13, false),
        Field("PhoneFax", phys::String, 0, 13, false),
        Field("CellPhone", phys::String, 0, 13, false),
        Field("Email", phys::String, 0, 30, false),
        Field("Website", phys::String, 0, 35, false),
        Field("Zip", phys::String, 0, 10, false),
        Field("State", phys::String, 0, 2, false),
        Field("City", phys::String, 0, 15, false),
        Field("Address", phys::String, 0, 25, false),
        Field("Photo", phys::Blob, 0, 0, false),
    };
    for (std::size_t i = 0; i < fields.size(); ++i) fields[i].number = static_cast<uint16_t>(i + 1);
    AssignRecordLayout(fields);
    return fields;
}

IndexDescriptor EventPrimaryIndex(const std::vector<FieldDescriptor>& fields) {
    IndexDescriptor primary = Index("", {1}, true, true);
    primary.keyLength = ComputeKeyLength(primary, fields, true);
    return primary;
}

std::vector<IndexDescriptor> EventSecondaryIndexes(const std::vector<FieldDescriptor>& fields) {
    std::vector<IndexDescriptor> indexes = {
        Index("Event", {5}, true, false),
        Index("LastName", {4}, true, false),
        Index("FirstName", {2}, true, false),
        Index("Edate", {6, 5, 2, 4}, false, false),
    };
    for (IndexDescriptor& d : indexes) d.keyLength = ComputeKeyLength(d, fields, false);
    return indexes;
}

void CreateEventTable(const std::string& path) {
    std::vector<FieldDescriptor> fields = EventFields();
    TDataFile file;
    file.SetExclusive(true);
    file.SetFileName(path);
    file.CreateTable(fields, EventPrimaryIndex(fields), EventSecondaryIndexes(fields), TableSettings{});
}

std::vector<uint8_t> MakeEventImage(const TDataFile& file, const EventValues& values) {
    std::vector<uint8_t> image(file.ImageSize(), 0);
    const auto& fields = file.Fields();
    SetStringField(fields[1], image.data(), values.firstName);
    SetStringField(fields[2], image.data(), values.middleName);
    SetStringField(fields[3], image.data(), values.lastName);
    SetStringField(fields[4], image.data(), values.event);
    if (values.eventDate != 0) SetInt32Field(fields[5], image.data(), values.eventDate);
    SetStringField(fields[14], image.data(), values.city);
    return image;
}

}  // namespace larch::testing
