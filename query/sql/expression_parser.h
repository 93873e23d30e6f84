// TExpressionParser: the SQL lexer and the expression grammar that turns
// select items, conditions and values into TExpressionNode trees.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "query/expr/expression_node.h"
#include "query/sql/sql_lexer.h"

namespace larch {

// Where an expression stands: its name in messages and what it may contain.
struct TParseContext {
    const char* text;
    bool allowAggregates;
    bool allowAllColumns;  // "*"
    bool allowExtended;    // LIKE, BETWEEN, IN, IS NULL
    bool allowParameters;  // "?"
};

// How deep the expression grammar may recurse; see TExpressionParser.
constexpr int kMaxExpressionDepth = 1000;

// "Expression exceeds maximum nesting depth of 1000 in <context>".
[[noreturn]] void RaiseNestingTooDeep(const TParseContext& context);

namespace parse_context {
// Select list.
inline constexpr TParseContext SourceColumns{"source columns", true, true, false, false};
// INSERT column list, UPDATE SET target.
inline constexpr TParseContext TableColumns{"table columns", false, false, false, false};
// INSERT VALUES, UPDATE SET value.
inline constexpr TParseContext Values{"values", false, false, false, true};
// WHERE, JOIN ... ON.
inline constexpr TParseContext WhereOrJoin{"WHERE or JOIN clause", false, false, true, true};
}  // namespace parse_context

// The file name of a path without its folder and extension: the default
// correlation name of a table, and the reduced form of a column qualifier.
std::string CorrelationNameOf(std::string_view path);

// Node layout (for functions and unary operators the operand is the left child):
//   binary, comparison, LIKE:   left op right
//   BETWEEN:                    left = tested value, right = low, low->right = high
//   IN:                         left = tested value, right = first value, each value's right = next
//   SUBSTRING:                  left = string, right = FROM start, start->right = FOR length
//   TRIM:                       left = string (FROM argument), right = trim character
//   EXTRACT, UPPER, LOWER, aggregates, unary operators: left = argument
// A list value, BETWEEN bound or SUBSTRING start whose own right child is in
// use (an operator, a SUBSTRING) is wrapped in a unary "+" node, so the list
// link never overwrites part of the value; typing refuses such values anyway.
//
// Expressions nest at most kMaxExpressionDepth grammar levels deep (each
// AND/OR, comparison, additive or multiplicative operator and each pair of
// parentheses adds one level), so that a hostile text cannot exhaust the
// stack of the parser or of the tree walks after it.
//
// All parse errors raise ELarchEngineError 11949 ("SQL - " + text); an
// integer or float constant that does not convert raises hollin::EConvertError.
class TExpressionParser {
public:
    // Copies the statement text, takes the moment for DATE and NOW, and
    // reads the first token. `parameters` receives the "?" marker nodes in
    // the order they are met (may be null).
    void Start(std::string_view text, std::vector<TExpressionNode*>* parameters);

    TSqlLexer& Lexer() { return m_lexer; }
    const TSqlLexer& Lexer() const { return m_lexer; }

    // expression: comparison [(AND | OR) expression].
    std::unique_ptr<TExpressionNode> ParseExpression(const TParseContext& context);
    // A single primary (UPDATE SET target).
    std::unique_ptr<TExpressionNode> ParsePrimary(const TParseContext& context);

private:
    using NodePtr = std::unique_ptr<TExpressionNode>;

    NodePtr ParseComparison(const TParseContext& context);
    NodePtr ParseComparisonTail(NodePtr left, const TParseContext& context);
    NodePtr ParseAdditive(const TParseContext& context);
    NodePtr ParseMultiplicative(const TParseContext& context);
    NodePtr ParseUnary(const TParseContext& context);
    NodePtr ParseParenthesised(const TParseContext& context);
    NodePtr ParseAggregate(int32_t opCode, const std::string& word, const TParseContext& context);
    NodePtr ParseCaseFunction(int32_t opCode, const std::string& word, const TParseContext& context);
    NodePtr ParseSubstring(const TParseContext& context);
    NodePtr ParseTrim(const TParseContext& context);
    NodePtr ParseExtract(const TParseContext& context);
    NodePtr ParseColumnAfterQualifier(const std::string& qualifier, bool bracketedQualifier,
                                      const TParseContext& context);
    NodePtr ParseNumber();
    NodePtr ParseQuoted(const TParseContext& context);

    // "<prefix><token>' in <context>"
    [[noreturn]] void Fail(const std::string& prefix, const TParseContext& context) const;
    // Whether the current token is NOT followed by LIKE, BETWEEN or IN.
    bool AtNegatedPredicate();

    // Counts the grammar levels entered; refuses one too many.
    class DepthGuard {
    public:
        DepthGuard(TExpressionParser& parser, const TParseContext& context);
        ~DepthGuard() { --m_parser.m_depth; }
        DepthGuard(const DepthGuard&) = delete;
        DepthGuard& operator=(const DepthGuard&) = delete;

    private:
        TExpressionParser& m_parser;
    };

    TSqlLexer m_lexer;
    int m_depth = 0;
    std::vector<TExpressionNode*>* m_parameters = nullptr;
    int32_t m_today = 0;
    double m_nowMs = 0;
};

}  // namespace larch
