// The mapping between the component layer's field types and the physical
// types and subtypes the engine stores.
#pragma once

#include <cstdint>
#include <string>

#include "dataset/dataset_types.h"
#include "engine/records/field_descriptor.h"

namespace larch {

struct PhysicalType {
    uint8_t type = 0;
    uint8_t subType = 0;
};

// The physical type of a field type; type 0 for a type the engine does not
// offer.
PhysicalType PhysicalTypeOf(hollin::TFieldType fieldType);

// The field type of a stored field: blob fields by their subtype, type 13 as
// ftInteger; ftUnknown for type 14 and unknown codes.
hollin::TFieldType FieldTypeOf(uint8_t physType, uint8_t subType);

// Whether `size` suits the field type: 1 to 250 for strings, bytes and
// variable bytes, 0 to 8 decimal places for BCD, 0 for every other type.
bool ValidFieldSize(hollin::TFieldType fieldType, int size);

// A descriptor for a field of the component layer (number, name, types and
// size in the right descriptor byte); widths and offsets are left to the
// record layout.
FieldDescriptor DescriptorFor(const std::string& name, hollin::TFieldType fieldType, int size, bool required,
                              uint16_t number);

}  // namespace larch
