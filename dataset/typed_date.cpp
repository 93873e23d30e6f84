// Reading the date a user typed.
#include "dataset/typed_date.h"

#include <string>

#include "dataset/dataset_errors.h"
#include "dataset/date_time.h"

namespace hollin {

bool TryTypedDate(std::string_view text, int32_t& day) {
    if (text.find_first_not_of(' ') == std::string_view::npos) {
        day = Today();
        return true;
    }
    return TryParseDate(text, day);
}

int32_t TypedDate(std::string_view text) {
    int32_t day = 0;
    if (TryTypedDate(text, day)) return day;
    const std::size_t first = text.find_first_not_of(' ');
    const std::size_t last = text.find_last_not_of(' ');
    throw EConvertError(std::string(text.substr(first, last - first + 1)) + " is not a valid date");
}

}  // namespace hollin
