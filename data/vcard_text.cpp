// Escapes, quoted-printable, character sets and base64 of vCard values.
#include "data/vcard_text.h"

#include <array>

namespace hollin {

std::string UnescapeVCardText(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\' || i + 1 == text.size()) {
            out += text[i];
            continue;
        }
        const char next = text[i + 1];
        if (next == 'n' || next == 'N') {
            out += '\n';
        } else if (next == ',' || next == ';' || next == ':' || next == '\\') {
            out += next;
        } else {
            out += '\\';
            continue;
        }
        ++i;
    }
    return out;
}

std::string EscapeVCardText(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\\' || c == ',' || c == ';') {
            out += '\\';
            out += c;
        } else if (c == '\r') {
            out += "\\n";
            if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
        } else if (c == '\n') {
            out += "\\n";
        } else {
            out += c;
        }
    }
    return out;
}

std::vector<std::string> SplitVCardComponents(std::string_view value) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (std::size_t i = 0; i <= value.size(); ++i) {
        if (i < value.size() && value[i] == '\\') {
            ++i;
            continue;
        }
        if (i == value.size() || value[i] == ';') {
            parts.push_back(UnescapeVCardText(value.substr(start, i - start)));
            start = i + 1;
        }
    }
    return parts;
}

namespace {

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

void AppendUtf8(std::string& out, uint32_t code) {
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

// windows-1252's characters at 0x80 to 0x9F (0 where it has none).
constexpr std::array<uint16_t, 32> kWindows1252High = {
    0x20AC, 0, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0, 0x017D, 0,
    0, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0, 0x017E, 0x0178};

}  // namespace

std::string DecodeQuotedPrintable(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '=') {
            out += text[i];
            continue;
        }
        if (i + 1 < text.size() && (text[i + 1] == '\r' || text[i + 1] == '\n')) {
            // A soft line break.
            ++i;
            if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
            continue;
        }
        const int high = i + 1 < text.size() ? HexDigit(text[i + 1]) : -1;
        const int low = i + 2 < text.size() ? HexDigit(text[i + 2]) : -1;
        if (high < 0 || low < 0) {
            out += '=';  // not a code: kept as written
            continue;
        }
        out += static_cast<char>(high * 16 + low);
        i += 2;
    }
    return out;
}

std::string ToUtf8(std::string_view text, std::string_view charset) {
    const std::string name = AsciiUpper(charset);
    const bool latin1 = name == "ISO-8859-1" || name == "LATIN1" || name == "ISO8859-1";
    const bool windows = name == "WINDOWS-1252" || name == "CP1252";
    if (!latin1 && !windows) return std::string(text);
    std::string out;
    out.reserve(text.size() + text.size() / 4);
    for (unsigned char c : text) {
        uint32_t code = c;
        if (windows && c >= 0x80 && c < 0xA0 && kWindows1252High[c - 0x80] != 0) code = kWindows1252High[c - 0x80];
        AppendUtf8(out, code);
    }
    return out;
}

namespace {

constexpr char kBase64Alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

int Base64Value(char c) {
    if (c >= 'A' && c <= 'Z') return c - 'A';
    if (c >= 'a' && c <= 'z') return c - 'a' + 26;
    if (c >= '0' && c <= '9') return c - '0' + 52;
    if (c == '+') return 62;
    if (c == '/') return 63;
    return -1;
}

}  // namespace

std::optional<std::vector<uint8_t>> DecodeBase64(std::string_view text) {
    std::vector<uint8_t> bytes;
    bytes.reserve(text.size() * 3 / 4);
    uint32_t bits = 0;
    int count = 0;
    int padding = 0;
    for (char c : text) {
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n') continue;
        if (c == '=') {
            ++padding;
            continue;
        }
        const int value = Base64Value(c);
        if (value < 0 || padding > 0) return std::nullopt;
        bits = (bits << 6) | static_cast<uint32_t>(value);
        if (++count == 4) {
            bytes.push_back(static_cast<uint8_t>(bits >> 16));
            bytes.push_back(static_cast<uint8_t>(bits >> 8));
            bytes.push_back(static_cast<uint8_t>(bits));
            bits = 0;
            count = 0;
        }
    }
    if (count == 1 || padding > 2) return std::nullopt;
    if (count == 2) bytes.push_back(static_cast<uint8_t>(bits >> 4));
    if (count == 3) {
        bytes.push_back(static_cast<uint8_t>(bits >> 10));
        bytes.push_back(static_cast<uint8_t>(bits >> 2));
    }
    return bytes;
}

std::string EncodeBase64(const std::vector<uint8_t>& bytes) {
    std::string out;
    out.reserve((bytes.size() + 2) / 3 * 4);
    std::size_t i = 0;
    for (; i + 2 < bytes.size(); i += 3) {
        const uint32_t v = (bytes[i] << 16) | (bytes[i + 1] << 8) | bytes[i + 2];
        out += kBase64Alphabet[v >> 18];
        out += kBase64Alphabet[(v >> 12) & 63];
        out += kBase64Alphabet[(v >> 6) & 63];
        out += kBase64Alphabet[v & 63];
    }
    if (i + 1 == bytes.size()) {
        const uint32_t v = bytes[i] << 16;
        out += kBase64Alphabet[v >> 18];
        out += kBase64Alphabet[(v >> 12) & 63];
        out += "==";
    } else if (i + 2 == bytes.size()) {
        const uint32_t v = (bytes[i] << 16) | (bytes[i + 1] << 8);
        out += kBase64Alphabet[v >> 18];
        out += kBase64Alphabet[(v >> 12) & 63];
        out += kBase64Alphabet[(v >> 6) & 63];
        out += '=';
    }
    return out;
}

std::string AsciiLower(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return out;
}

std::string AsciiUpper(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return out;
}

std::string_view Utf8Prefix(std::string_view text, std::size_t maxBytes) {
    if (text.size() <= maxBytes) return text;
    std::size_t end = maxBytes;
    // Step back over continuation bytes to the start of the cut character; a
    // character has at most three of them, so a longer run is no UTF-8 and is
    // cut where it stands (never to nothing, which would stall a caller
    // cutting a text into pieces).
    while (end > 0 && maxBytes - end < 3 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
    if (end == 0 || (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) end = maxBytes;
    return text.substr(0, end);
}

}  // namespace hollin
