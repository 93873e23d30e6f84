// TExprParser: recursive descent over the filter grammar.
#include "query/filter/filter_parser.h"

#include "dataset/dataset_errors.h"
#include "dataset/field_defs.h"

namespace larch {

namespace {

// Parentheses nested deeper than this are refused rather than recursed into.
constexpr int kMaxNesting = 200;

int32_t ComparisonCode(FilterToken token) {
    switch (token) {
        case FilterToken::Eq: return op::Eq;
        case FilterToken::Ne: return op::Ne;
        case FilterToken::Gt: return op::Gt;
        case FilterToken::Lt: return op::Lt;
        case FilterToken::Ge: return op::Ge;
        default: return op::Le;
    }
}

}  // namespace

TExprParser::TExprParser(TFilterExpr& expr, const std::string& text) : m_expr(expr), m_lexer(text) {}

bool TExprParser::AtWord(const char* word) const {
    return m_lexer.Token() == FilterToken::Symbol && hollin::SameName(m_lexer.Text(), word);
}

const TExprNode* TExprParser::Parse() {
    m_lexer.Next();
    TExprNode* root = Expression();
    if (m_lexer.Token() != FilterToken::End) hollin::DatabaseError("Filter expression incorrectly terminated");
    return root;
}

std::vector<uint8_t> TExprParser::BuildBuffer() { return m_expr.Build(Parse()); }

TExprNode* TExprParser::Operator(int32_t code, TExprNode* left, TExprNode* right) {
    TExprNode* node = m_expr.NewNode(TExprNode::Operator);
    node->opCode = code;
    node->left = left;
    node->right = right;
    return node;
}

TExprNode* TExprParser::Expression() {
    TExprNode* node = Conjunction();
    while (AtWord("OR")) {
        m_lexer.Next();
        node = Operator(op::Or, node, Conjunction());
    }
    return node;
}

TExprNode* TExprParser::Conjunction() {
    TExprNode* node = Negation();
    while (AtWord("AND")) {
        m_lexer.Next();
        node = Operator(op::And, node, Negation());
    }
    return node;
}

TExprNode* TExprParser::Negation() {
    if (AtWord("NOT")) {
        m_lexer.Next();
        return Operator(op::Not, Comparison(), nullptr);
    }
    return Comparison();
}

TExprNode* TExprParser::Comparison() {
    TExprNode* left = Primary();
    if (!m_lexer.IsComparison()) return left;
    int32_t code = ComparisonCode(m_lexer.Token());
    m_lexer.Next();
    return Operator(code, left, Primary());
}

TExprNode* TExprParser::Primary() {
    TExprNode* node = nullptr;
    switch (m_lexer.Token()) {
        case FilterToken::Symbol:
            if (AtWord("NULL")) {
                node = m_expr.NewNode(TExprNode::Constant);
                node->isNull = true;
                node->value = m_lexer.Text();
            } else if (hollin::SameName(m_lexer.Text(), m_trueWord) || hollin::SameName(m_lexer.Text(), m_falseWord)) {
                node = m_expr.NewNode(TExprNode::Constant);
                node->fromBoolWord = true;
                node->value.assign(1, hollin::SameName(m_lexer.Text(), m_trueWord) ? '1' : '0');
            } else {
                node = m_expr.NewNode(TExprNode::Field);
                node->value = m_lexer.Text();
            }
            break;
        case FilterToken::Name:
            node = m_expr.NewNode(TExprNode::Field);
            node->value = m_lexer.Text();
            break;
        case FilterToken::Constant:
            node = m_expr.NewNode(TExprNode::Constant);
            node->value = m_lexer.Text();
            node->isString = m_lexer.IsString();
            node->partial = node->isString && node->value.size() > 1 && node->value.back() == '*';
            break;
        case FilterToken::LParen: {
            if (++m_depth > kMaxNesting) hollin::DatabaseError("Incorrectly formed filter expression");
            m_lexer.Next();
            node = Expression();
            if (m_lexer.Token() != FilterToken::RParen) {
                hollin::DatabaseErrorFmt("')' expected but %s found", {m_lexer.Describe()});
            }
            --m_depth;
            break;
        }
        default:
            hollin::DatabaseErrorFmt("Expression expected but %s found", {m_lexer.Describe()});
    }
    m_lexer.Next();
    return node;
}

}  // namespace larch
