// The text codings a vCard value may carry: backslash escapes, components
// separated by ';', quoted-printable (vCard 2.1), legacy character sets, and
// base64 (inline photos).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace hollin {

// Undoes \n \N \, \; \: \\ ; any other backslash stays as it is.
std::string UnescapeVCardText(std::string_view text);
// Escapes '\', ',', ';' and line breaks for a text value.
std::string EscapeVCardText(std::string_view text);
// Splits at every ';' not escaped by a backslash, and unescapes each part.
std::vector<std::string> SplitVCardComponents(std::string_view value);
// Decodes "=XX" sequences; a soft line break "=" before a line break is dropped.
std::string DecodeQuotedPrintable(std::string_view text);
// The text as UTF-8: ISO-8859-1 and windows-1252 are converted, anything else
// is taken to be UTF-8 already.
std::string ToUtf8(std::string_view text, std::string_view charset);
// Standard base64 (RFC 4648); whitespace is skipped. Nothing when the text is
// not base64.
std::optional<std::vector<uint8_t>> DecodeBase64(std::string_view text);
std::string EncodeBase64(const std::vector<uint8_t>& bytes);
// ASCII letters lower-cased or upper-cased; other bytes kept.
std::string AsciiLower(std::string_view text);
std::string AsciiUpper(std::string_view text);
// The longest prefix of text of at most maxBytes bytes that ends on a whole
// UTF-8 character; text that is no UTF-8 there is cut at maxBytes.
std::string_view Utf8Prefix(std::string_view text, std::size_t maxBytes);

}  // namespace hollin
