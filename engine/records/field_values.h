// Field values given as text in descriptors (defaults, minimum and maximum):
// parsing them into stored bytes and comparing stored values.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "engine/records/field_descriptor.h"

namespace larch {

// The stored bytes (field width) of `text` as a value of the field's type;
// nullopt when the text does not parse. Dates, times and date-times take
// "mm/dd/yyyy", "hh:mm:ss" and both; `allowKeywords` accepts "DATE", "TIME",
// "NOW" (evaluated now) as the insert defaults do.
std::optional<std::vector<uint8_t>> ParseFieldValue(const FieldDescriptor& field, const std::string& text,
                                                    bool allowKeywords);

// Compares two stored values of the field's type: strings by their bytes,
// numbers as numbers, dates and times as moments.
int CompareFieldValues(const FieldDescriptor& field, const uint8_t* a, const uint8_t* b);

// Fills the fields that have a default value into a zeroed record image.
void ApplyFieldDefaults(const std::vector<FieldDescriptor>& fields, uint8_t* image);

// Checks one field of a record about to be posted: 9732 when it is required
// and null, 9730 below its minimum, 9731 above its maximum, naming the field.
void CheckFieldValue(const FieldDescriptor& field, const uint8_t* image, const std::string& file);

}  // namespace larch
