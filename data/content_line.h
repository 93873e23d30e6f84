// Content lines of vCard and iCalendar files: folded after 75 octets (a
// CRLF and one blank before each continuation), never inside a UTF-8
// character.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace hollin {

// Appends the line, folded, with its CRLF.
void AppendContentLine(std::string& out, std::string_view line);

// A day as both formats write a date: "yyyymmdd".
std::string BasicDate(int32_t day);

}  // namespace hollin
