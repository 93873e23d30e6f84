// Reading vCard files (4.0, 3.0, and 2.1 as Outlook writes it) into cards of
// properties: lines unfolded, a UTF-8 byte order mark skipped,
// quoted-printable and legacy character sets decoded. Values keep their
// escapes; the mapping undoes them per property.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace hollin {

struct TVCardParameter {
    std::string name;   // upper-cased; a 2.1 bare parameter ("CELL") is named "TYPE"
    std::string value;  // without surrounding quotes
};

struct TVCardProperty {
    int line = 0;       // the line the property starts on, from 1
    std::string group;  // "item1" of "item1.X-ABDATE", lower-cased; empty without a group
    std::string name;   // upper-cased
    std::vector<TVCardParameter> parameters;
    std::string value;  // decoded to UTF-8, escapes kept

    // Whether a parameter of that name (upper-case) is present.
    bool Has(std::string_view parameter) const;
    // The parameter's value, empty when absent.
    std::string Value(std::string_view parameter) const;
    // Whether TYPE (any of its comma-separated values, ignoring case) names it,
    // or, for "PREF", a PREF parameter is present.
    bool HasType(std::string_view type) const;
};

struct TVCard {
    int line = 0;  // the line of BEGIN:VCARD
    std::vector<TVCardProperty> properties;
};

struct TVCardProblem {
    int line = 0;
    std::string reason;
    bool card = true;  // false for text outside any card
};

struct TVCardFile {
    std::vector<TVCard> cards;
    std::vector<TVCardProblem> broken;  // cards and text that could not be read, by line
};

// Reads every card of the text. A card without END, with a line that is no
// property, or text outside any card is listed in `broken` with its line;
// reading goes on after it.
TVCardFile ReadVCards(std::string_view text);

}  // namespace hollin
