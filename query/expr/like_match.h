// Matching a text against a LIKE pattern.
#pragma once

#include <string_view>

namespace larch {

// Whether `pattern` matches the whole of `text`, byte by byte and
// case-sensitively: "%" matches any sequence of characters (also none), "_"
// exactly one character, every other character itself. There is no escape
// character.
bool LikeMatch(std::string_view text, std::string_view pattern);

}  // namespace larch
