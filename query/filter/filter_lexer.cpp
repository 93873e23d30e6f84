// The filter lexer.
#include "query/filter/filter_lexer.h"

#include "dataset/dataset_errors.h"

namespace larch {

namespace {

// Longest string constant kept; further characters are dropped.
constexpr std::size_t kMaxStringConstant = 256;

bool IsAsciiLetter(unsigned char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool IsDigit(unsigned char c) { return c >= '0' && c <= '9'; }
bool StartsSymbol(unsigned char c) { return IsAsciiLetter(c) || c == '_' || (c >= 0x81 && c <= 0xFE); }
bool ContinuesSymbol(unsigned char c) { return IsAsciiLetter(c) || IsDigit(c) || c == '_'; }
bool ContinuesNumber(unsigned char c) { return IsDigit(c) || c == '+' || c == '-' || c == '.' || c == 'E' || c == 'e'; }

}  // namespace

TFilterLexer::TFilterLexer(std::string text) : m_text(std::move(text)) {}

void TFilterLexer::Next() {
    const std::size_t size = m_text.size();
    while (m_position < size && static_cast<unsigned char>(m_text[m_position]) <= 32) ++m_position;
    m_tokenStart = m_position;
    m_tokenText.clear();
    m_isString = false;
    if (m_position >= size) {
        m_token = FilterToken::End;
        return;
    }
    const unsigned char c = static_cast<unsigned char>(m_text[m_position]);
    if (c == '\'') {
        ++m_position;
        for (;;) {
            if (m_position >= size) hollin::DatabaseError("Unterminated string constant");
            char ch = m_text[m_position++];
            if (ch == '\'') {
                if (m_position < size && m_text[m_position] == '\'') {
                    ++m_position;
                } else {
                    break;
                }
            }
            if (m_tokenText.size() < kMaxStringConstant) m_tokenText.push_back(ch);
        }
        m_token = FilterToken::Constant;
        m_isString = true;
        return;
    }
    if (c == '(' || c == ')') {
        ++m_position;
        m_token = c == '(' ? FilterToken::LParen : FilterToken::RParen;
        m_tokenText.assign(1, static_cast<char>(c));
        return;
    }
    if (c == '-' || IsDigit(c)) {
        while (m_position < size && ContinuesNumber(static_cast<unsigned char>(m_text[m_position]))) ++m_position;
        m_tokenText = m_text.substr(m_tokenStart, m_position - m_tokenStart);
        m_token = FilterToken::Constant;
        return;
    }
    if (c == '<') {
        ++m_position;
        m_token = FilterToken::Lt;
        if (m_position < size && (m_text[m_position] == '=' || m_text[m_position] == '>')) {
            m_token = m_text[m_position] == '=' ? FilterToken::Le : FilterToken::Ne;
            ++m_position;
        }
        m_tokenText = m_text.substr(m_tokenStart, m_position - m_tokenStart);
        return;
    }
    if (c == '=') {
        ++m_position;
        m_token = FilterToken::Eq;
        m_tokenText.assign(1, '=');
        return;
    }
    if (c == '>') {
        ++m_position;
        m_token = FilterToken::Gt;
        if (m_position < size && m_text[m_position] == '=') {
            m_token = FilterToken::Ge;
            ++m_position;
        }
        m_tokenText = m_text.substr(m_tokenStart, m_position - m_tokenStart);
        return;
    }
    if (StartsSymbol(c)) {
        ++m_position;
        while (m_position < size && ContinuesSymbol(static_cast<unsigned char>(m_text[m_position]))) ++m_position;
        m_tokenText = m_text.substr(m_tokenStart, m_position - m_tokenStart);
        m_token = FilterToken::Symbol;
        return;
    }
    if (c == '[') {
        std::size_t close = m_text.find(']', m_position + 1);
        if (close == std::string::npos) hollin::DatabaseError("Unterminated field name");
        m_tokenText = m_text.substr(m_position + 1, close - m_position - 1);
        m_position = close + 1;
        m_token = FilterToken::Name;
        return;
    }
    hollin::DatabaseErrorFmt("Invalid filter expression character: '%s'", {std::string(1, static_cast<char>(c))});
}

std::string TFilterLexer::Describe() const {
    if (m_token == FilterToken::End) return "nothing";
    return "'" + m_tokenText + "'";
}

}  // namespace larch
