// Reading numbers written as text.
#include "query/expr/number_text.h"

#include <charconv>
#include <cmath>

namespace larch {

namespace {

// The part of `text` the number is read from: without surrounding blanks
// and a leading '+', which from_chars does not accept.
std::string_view NumberPart(std::string_view text) {
    const std::size_t first = text.find_first_not_of(' ');
    if (first == std::string_view::npos) return {};
    text = text.substr(first, text.find_last_not_of(' ') - first + 1);
    if (text.front() == '+') text.remove_prefix(1);
    return text;
}

template <typename T>
bool ReadAll(std::string_view text, T& value) {
    const std::string_view part = NumberPart(text);
    const char* last = part.data() + part.size();
    auto [end, ec] = std::from_chars(part.data(), last, value);
    return !part.empty() && ec == std::errc() && end == last;
}

}  // namespace

bool ParseWholeNumber(std::string_view text, int64_t& value) { return ReadAll(text, value); }

bool ParseDecimalNumber(std::string_view text, double& value) { return ReadAll(text, value) && std::isfinite(value); }

}  // namespace larch
