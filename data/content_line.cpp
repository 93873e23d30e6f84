// Folding at 75 octets.
#include "data/content_line.h"

#include <cstdio>

#include "data/vcard_text.h"
#include "dataset/date_time.h"

namespace hollin {

void AppendContentLine(std::string& out, std::string_view line) {
    constexpr std::size_t kMostOctets = 75;
    std::size_t room = kMostOctets;  // the first line has 75 octets, later ones 74 after their blank
    while (line.size() > room) {
        const std::string_view piece = Utf8Prefix(line, room);
        out += piece;
        out += "\r\n ";
        line.remove_prefix(piece.size());
        room = kMostOctets - 1;
    }
    out += line;
    out += "\r\n";
}

std::string BasicDate(int32_t day) {
    const TDateParts p = DecodeDate(day);
    char text[16];
    std::snprintf(text, sizeof text, "%04d%02d%02d", p.year, p.month, p.day);
    return text;
}

}  // namespace hollin
