// Dates of vCard properties.
#include "data/vcard_date.h"

#include <string>

#include "data/vcard_text.h"
#include "dataset/date_time.h"

namespace hollin {

namespace {

// Apple and others write 1604 for "year unknown".
constexpr int kPlaceholderYear = 1604;

bool AllDigits(const std::string& text) {
    return !text.empty() && text.find_first_not_of("0123456789") == std::string::npos;
}

}  // namespace

TVCardDate ParseVCardDate(const TVCardProperty& property) {
    if (AsciiLower(property.Value("VALUE")) == "text") return {};
    std::string value = property.value;
    value.erase(0, value.find_first_not_of(" \t"));
    value.erase(value.find_last_not_of(" \t") + 1);
    if (const std::size_t t = value.find_first_of("Tt"); t != std::string::npos) value.resize(t);
    if (value.rfind("--", 0) == 0) return {TVCardDate::WithoutYear, 0};
    std::string digits;
    if (value.size() == 10 && value[4] == '-' && value[7] == '-') {
        digits = value.substr(0, 4) + value.substr(5, 2) + value.substr(8, 2);
    } else {
        digits = value;
    }
    if (digits.size() != 8 || !AllDigits(digits)) return {};
    const int year = std::stoi(digits.substr(0, 4));
    const int month = std::stoi(digits.substr(4, 2));
    const int day = std::stoi(digits.substr(6, 2));
    int32_t dayNumber = 0;
    if (!TryEncodeDate(year, month, day, dayNumber)) return {};
    if (property.Has("X-APPLE-OMIT-YEAR") || year == kPlaceholderYear) return {TVCardDate::WithoutYear, 0};
    return {TVCardDate::Full, dayNumber};
}

}  // namespace hollin
