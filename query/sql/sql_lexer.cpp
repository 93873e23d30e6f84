// The SQL lexer: tokens, the one comment between two tokens, source texts.
#include "query/sql/sql_lexer.h"

#include "engine/files/engine_error.h"

namespace larch {

namespace {

bool IsDigit(unsigned char c) { return c >= '0' && c <= '9'; }

unsigned char UpperAscii(unsigned char c) { return (c >= 'a' && c <= 'z') ? static_cast<unsigned char>(c - 32) : c; }

std::string Cut(std::string_view text) { return std::string(text.substr(0, kMaxTokenText)); }

}  // namespace

bool IsSqlLetter(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= 0x81 && c <= 0xFE);
}

void TSqlLexer::RaiseError(const std::string& detail) { RaiseEngineError(err::Sql, {}, {}, detail); }

void TSqlLexer::SetText(std::string_view text) {
    // The engine reads the statement as a zero-terminated text.
    std::size_t nul = text.find('\0');
    m_text.assign(text.substr(0, nul));
    m_state = State{};
    m_mark = 0;
}

void TSqlLexer::SkipSpace(std::size_t& pos) const {
    while (pos < m_text.size() && At(pos) <= 32) ++pos;
}

void TSqlLexer::SkipSpaceAndComment(std::size_t& pos) const {
    SkipSpace(pos);
    if (At(pos) == '/' && At(pos + 1) == '*') {
        // The comment ends at its first "*", which must be followed by "/";
        // so a comment cannot contain "*" before its end.
        std::size_t star = m_text.find('*', pos + 2);
        if (star == std::string::npos || At(star + 1) != '/')
            RaiseError("Missing ending comment slash and asterisk in SQL statement");
        pos = star + 2;
        SkipSpace(pos);
    }
}

void TSqlLexer::Next() {
    std::size_t pos = m_state.stop;
    State next;
    next.prevStop = m_state.stop;
    SkipSpaceAndComment(pos);
    next.begin = pos;
    next.textStart = pos;

    unsigned char c = At(pos);
    if (pos >= m_text.size()) {
        next.kind = TokenKind::End;
        next.textEnd = next.stop = pos;
    } else if (IsSqlLetter(c) || c == '_') {
        std::size_t end = pos + 1;
        while (end < m_text.size() && (IsSqlLetter(At(end)) || IsDigit(At(end)) || At(end) == '_')) ++end;
        next.kind = TokenKind::Symbol;
        next.textEnd = next.stop = end;
    } else if (IsDigit(c)) {
        std::size_t end = pos + 1;
        bool isFloat = false;
        for (;;) {
            unsigned char d = At(end);
            if (end >= m_text.size()) break;
            if (IsDigit(d)) {
                ++end;
            } else if (d == '.' || d == 'E' || d == 'e') {
                isFloat = true;
                ++end;
            } else if ((d == '+' || d == '-') && (At(end - 1) == 'E' || At(end - 1) == 'e')) {
                ++end;
            } else {
                break;
            }
        }
        next.kind = isFloat ? TokenKind::Float : TokenKind::Integer;
        next.textEnd = next.stop = end;
    } else if (c == '\'' || c == '"') {
        std::size_t end = pos + 1;
        for (;;) {
            if (end >= m_text.size()) {
                RaiseError(std::string(c == '\'' ? "Missing single quote after '" : "Missing double quote after '") +
                           Cut(std::string_view(m_text).substr(pos + 1)) + "'" + " in SQL statement");
            }
            if (At(end) == c) {
                if (At(end + 1) == c && end + 1 < m_text.size()) {
                    end += 2;  // a doubled delimiter belongs to the token
                    continue;
                }
                break;
            }
            ++end;
        }
        next.kind = TokenKind::Quoted;
        next.textStart = pos + 1;
        next.textEnd = end;
        next.stop = end + 1;
    } else if (c == '[') {
        std::size_t close = m_text.find(']', pos + 1);
        if (close == std::string::npos) {
            RaiseError("Missing right bracket after '" + Cut(std::string_view(m_text).substr(pos + 1)) + "'" +
                       " in SQL statement");
        }
        next.kind = TokenKind::BracketedName;
        next.textStart = pos + 1;
        next.textEnd = close;
        next.stop = close + 1;
    } else {
        next.kind = TokenKind::Character;
        next.textEnd = next.stop = pos + 1;
    }
    m_state = next;
}

bool TSqlLexer::IsChar(char c) const {
    return m_state.kind == TokenKind::Character && m_text[m_state.textStart] == c;
}

bool TSqlLexer::IsKeyword(std::string_view keyword) const {
    if (m_state.kind != TokenKind::Symbol && m_state.kind != TokenKind::BracketedName) return false;
    std::string_view text = FullText();
    if (text.size() != keyword.size()) return false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (UpperAscii(static_cast<unsigned char>(text[i])) != UpperAscii(static_cast<unsigned char>(keyword[i])))
            return false;
    }
    return true;
}

std::string_view TSqlLexer::FullText() const {
    return std::string_view(m_text).substr(m_state.textStart, m_state.textEnd - m_state.textStart);
}

std::string TSqlLexer::Text() const { return Cut(FullText()); }

char TSqlLexer::QuoteChar() const { return m_state.kind == TokenKind::Quoted ? m_text[m_state.begin] : '\0'; }

std::string TSqlLexer::SourceText() const {
    std::string out;
    if (m_state.prevStop <= m_mark) return out;
    for (std::size_t i = m_mark; i < m_state.prevStop; ++i) {
        if (m_text[i] != '\r' && m_text[i] != '\n') out += m_text[i];
    }
    return out;
}

}  // namespace larch
