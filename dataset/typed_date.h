// The date a user typed into a date box: "mm/dd/yyyy", an emptied box
// meaning today.
#pragma once

#include <cstdint>
#include <string_view>

namespace hollin {

// The day number of the typed text: a blank or empty text is today (the
// dataset layer's clock). Text that is no date, such as "02/30/2020", raises
// EConvertError "02/30/2020 is not a valid date": it is refused, never taken
// as another day.
int32_t TypedDate(std::string_view text);
// As TypedDate, without raising: false for text that is no date.
bool TryTypedDate(std::string_view text, int32_t& day);

}  // namespace hollin
