// The vCard reader: physical lines to logical lines to properties to cards.
#include "data/vcard_reader.h"

#include <optional>

#include "data/vcard_text.h"

namespace hollin {

bool TVCardProperty::Has(std::string_view parameter) const {
    for (const TVCardParameter& p : parameters) {
        if (p.name == parameter) return true;
    }
    return false;
}

std::string TVCardProperty::Value(std::string_view parameter) const {
    for (const TVCardParameter& p : parameters) {
        if (p.name == parameter) return p.value;
    }
    return {};
}

bool TVCardProperty::HasType(std::string_view type) const {
    if (type == "PREF" && Has("PREF")) return true;
    for (const TVCardParameter& p : parameters) {
        if (p.name != "TYPE") continue;
        const std::string values = AsciiUpper(p.value);
        std::size_t start = 0;
        while (start <= values.size()) {
            std::size_t comma = values.find(',', start);
            if (comma == std::string::npos) comma = values.size();
            if (std::string_view(values).substr(start, comma - start) == type) return true;
            start = comma + 1;
        }
    }
    return false;
}

namespace {

struct TLogicalLine {
    int line = 0;
    std::string text;
};

// Whether the part of a line before its value asks for quoted-printable.
bool IsQuotedPrintable(std::string_view line) {
    const std::size_t colon = line.find(':');
    return AsciiUpper(line.substr(0, colon)).find("QUOTED-PRINTABLE") != std::string::npos;
}

// Splits into lines (CRLF, LF or CR), unfolds continuation lines (a leading
// blank or tab) and joins quoted-printable soft line breaks.
std::vector<TLogicalLine> LogicalLines(std::string_view text) {
    if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
    std::vector<TLogicalLine> lines;
    int number = 0;
    bool softBreak = false;  // the last line ended with a quoted-printable "="
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find_first_of("\r\n", pos);
        if (end == std::string_view::npos) end = text.size();
        std::string_view physical = text.substr(pos, end - pos);
        pos = end;
        if (pos < text.size() && text[pos] == '\r') {
            ++pos;
            if (pos < text.size() && text[pos] == '\n') ++pos;
        } else if (pos < text.size()) {
            ++pos;
        }
        ++number;
        if (softBreak && !lines.empty()) {
            lines.back().text.pop_back();  // the "=" of the soft break
            lines.back().text += physical;
        } else if (!physical.empty() && (physical[0] == ' ' || physical[0] == '\t') && !lines.empty()) {
            lines.back().text += physical.substr(1);
        } else {
            lines.push_back({number, std::string(physical)});
        }
        const std::string& last = lines.back().text;
        softBreak = !last.empty() && last.back() == '=' && IsQuotedPrintable(last);
    }
    return lines;
}

// "name;param=value;...:value" to a property; nothing when there is no colon
// or no name.
std::optional<TVCardProperty> ParseProperty(const TLogicalLine& line) {
    const std::string& text = line.text;
    // The value starts at the first colon outside a quoted parameter value.
    std::size_t colon = std::string::npos;
    bool quoted = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '"') quoted = !quoted;
        else if (text[i] == ':' && !quoted) {
            colon = i;
            break;
        }
    }
    if (colon == std::string::npos) return std::nullopt;
    TVCardProperty property;
    property.line = line.line;
    std::vector<std::string> parts;
    std::string part;
    quoted = false;
    for (std::size_t i = 0; i < colon; ++i) {
        const char c = text[i];
        if (c == '"') quoted = !quoted;
        if (c == ';' && !quoted) {
            parts.push_back(part);
            part.clear();
        } else {
            part += c;
        }
    }
    parts.push_back(part);
    std::string name = parts[0];
    if (const std::size_t dot = name.find('.'); dot != std::string::npos) {
        property.group = AsciiLower(name.substr(0, dot));
        name = name.substr(dot + 1);
    }
    property.name = AsciiUpper(name);
    if (property.name.empty()) return std::nullopt;
    for (std::size_t i = 1; i < parts.size(); ++i) {
        const std::size_t equals = parts[i].find('=');
        TVCardParameter parameter;
        if (equals == std::string::npos) {
            parameter.name = "TYPE";
            parameter.value = parts[i];
            // 2.1 writes the encoding bare as well.
            const std::string upper = AsciiUpper(parts[i]);
            if (upper == "QUOTED-PRINTABLE" || upper == "BASE64") parameter.name = "ENCODING";
        } else {
            parameter.name = AsciiUpper(parts[i].substr(0, equals));
            parameter.value = parts[i].substr(equals + 1);
        }
        std::string& v = parameter.value;
        if (v.size() >= 2 && v.front() == '"' && v.back() == '"') v = v.substr(1, v.size() - 2);
        property.parameters.push_back(std::move(parameter));
    }
    std::string value = text.substr(colon + 1);
    if (AsciiUpper(property.Value("ENCODING")) == "QUOTED-PRINTABLE") value = DecodeQuotedPrintable(value);
    property.value = ToUtf8(value, property.Value("CHARSET"));
    return property;
}

bool IsMarker(const TVCardProperty& property, std::string_view name) {
    return property.name == name && AsciiUpper(property.value) == "VCARD";
}

}  // namespace

TVCardFile ReadVCards(std::string_view text) {
    TVCardFile file;
    std::optional<TVCard> card;
    std::string cardProblem;  // why the open card is broken; empty while it is sound
    bool outsideReported = false;
    for (const TLogicalLine& line : LogicalLines(text)) {
        if (line.text.find_first_not_of(" \t") == std::string::npos) continue;
        std::optional<TVCardProperty> property = ParseProperty(line);
        if (property && IsMarker(*property, "BEGIN")) {
            if (card) file.broken.push_back({card->line, "card without END"});
            card = TVCard{line.line, {}};
            cardProblem.clear();
            outsideReported = false;
            continue;
        }
        if (!card) {
            // Text between cards: reported once per stretch.
            if (!outsideReported) file.broken.push_back({line.line, "text outside a card", false});
            outsideReported = true;
            continue;
        }
        if (property && IsMarker(*property, "END")) {
            if (cardProblem.empty()) file.cards.push_back(std::move(*card));
            else file.broken.push_back({card->line, cardProblem});
            card.reset();
            continue;
        }
        if (!property) {
            if (cardProblem.empty()) cardProblem = "line " + std::to_string(line.line) + " is not a property";
            continue;
        }
        card->properties.push_back(std::move(*property));
    }
    if (card) file.broken.push_back({card->line, "card without END"});
    return file;
}

}  // namespace hollin
