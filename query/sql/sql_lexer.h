// The SQL lexer: splits a statement text into tokens, one current token at a
// time, and keeps the marks the parser needs for expression source texts.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace larch {

// Token classes. A single-character token carries its character in Char().
enum class TokenKind {
    End,            // end of the statement text
    Symbol,         // a letter or "_", then letters, digits and "_"
    BracketedName,  // "[" ... "]", text without the brackets
    Quoted,         // '...' or "...", text without the delimiters (doubled ones kept)
    Integer,        // digits only
    Float,          // digits with ".", "E"/"e" and a sign directly after the exponent letter
    Character,      // any other single character
};

// Texts of tokens, names and aliases hold at most this many characters.
constexpr std::size_t kMaxTokenText = 255;

class TSqlLexer {
public:
    // Where the lexer stands; Restore() returns to a saved position (used to
    // look one token ahead).
    struct State {
        TokenKind kind = TokenKind::End;
        std::size_t begin = 0;      // first character of the token (a delimiter included)
        std::size_t textStart = 0;  // first character of the token text
        std::size_t textEnd = 0;    // one past the token text
        std::size_t stop = 0;       // one past the token (a closing delimiter included)
        std::size_t prevStop = 0;   // where the previous token ended
    };

    // Copies the text up to its first NUL character and positions before the
    // first token; call Next() to read it.
    void SetText(std::string_view text);

    // Reads the next token. At the end it stays at the end token.
    // Throws ELarchEngineError 11949 for an unterminated comment, quoted
    // token or bracketed name.
    void Next();

    TokenKind Kind() const { return m_state.kind; }
    bool Is(TokenKind kind) const { return m_state.kind == kind; }
    // Whether the current token is the single character `c`.
    bool IsChar(char c) const;
    // True only for a symbol or bracketed name whose text equals `keyword`
    // ignoring the case of the letters A-Z.
    bool IsKeyword(std::string_view keyword) const;
    // Whether the current token is a symbol or quoted token (a "name").
    bool IsName() const { return Is(TokenKind::Symbol) || Is(TokenKind::Quoted); }

    // The current token's text, cut to kMaxTokenText characters (empty at the end).
    std::string Text() const;
    // The current token's whole text, uncut.
    std::string_view FullText() const;
    // The delimiter of the current quoted token ('\'' or '"').
    char QuoteChar() const;

    State Save() const { return m_state; }
    void Restore(const State& state) { m_state = state; }

    // Marks the current token as the first of an expression.
    void MarkExpressionStart() { m_mark = m_state.begin; }
    // The text from the mark to the end of the previous token, carriage
    // returns and line feeds removed.
    std::string SourceText() const;

    // Raises ELarchEngineError 11949 with "SQL - " + detail.
    [[noreturn]] static void RaiseError(const std::string& detail);

private:
    // Skips blanks and control characters, then one comment, then blanks again.
    void SkipSpaceAndComment(std::size_t& pos) const;
    void SkipSpace(std::size_t& pos) const;
    unsigned char At(std::size_t pos) const {
        return pos < m_text.size() ? static_cast<unsigned char>(m_text[pos]) : 0;
    }

    std::string m_text;
    State m_state;
    std::size_t m_mark = 0;
};

// Whether a byte is a letter of symbols: A-Z, a-z and 0x81 to 0xFE.
bool IsSqlLetter(unsigned char c);

}  // namespace larch
