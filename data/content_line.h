// Content lines of vCard and iCalendar files: folded after 75 octets (a
// CRLF and one blank before each continuation), never inside a UTF-8
// character.
#pragma once

#include <string>
#include <string_view>

namespace hollin {

// Appends the line, folded, with its CRLF.
void AppendContentLine(std::string& out, std::string_view line);

}  // namespace hollin
