// Reading numbers written as text, as parameter and column values hold them.
#pragma once

#include <cstdint>
#include <string_view>

namespace larch {

// Reads all of `text` as a whole number: blanks around it and one leading
// '+' are allowed. False (and `value` unspecified) when the text is empty,
// holds anything else, or is out of the 64-bit range.
bool ParseWholeNumber(std::string_view text, int64_t& value);

// The same for a decimal number; false too when it is not finite.
bool ParseDecimalNumber(std::string_view text, double& value);

}  // namespace larch
