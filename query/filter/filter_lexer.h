// The lexer of filter texts: symbols, bracketed names, quoted strings,
// numbers, parentheses and the comparison tokens.
//
// Errors are the framework's database error: "Unterminated string
// constant", "Unterminated field name", "Invalid filter expression
// character: '%s'".
#pragma once

#include <cstddef>
#include <string>

namespace larch {

enum class FilterToken { End, Symbol, Name, Constant, LParen, RParen, Eq, Ne, Ge, Le, Gt, Lt };

class TFilterLexer {
public:
    explicit TFilterLexer(std::string text);

    // Reads the next token.
    void Next();

    FilterToken Token() const { return m_token; }
    // A symbol or name as written, a string's characters (doubled quotes
    // read as one, at most 256), a number as written, or the token's
    // characters.
    const std::string& Text() const { return m_tokenText; }
    // Whether a constant was a quoted string (else a number).
    bool IsString() const { return m_isString; }
    bool IsComparison() const { return m_token >= FilterToken::Eq; }
    // The token for "... but %s found": "nothing" at the end, else its text
    // between single quotes.
    std::string Describe() const;
    // Where the current token starts in the text.
    std::size_t TokenStart() const { return m_tokenStart; }

private:
    std::string m_text;
    std::size_t m_position = 0;
    std::size_t m_tokenStart = 0;
    FilterToken m_token = FilterToken::End;
    std::string m_tokenText;
    bool m_isString = false;
};

}  // namespace larch
