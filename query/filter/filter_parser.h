// TExprParser: the grammar of filter texts, building the parse tree in a
// TFilterExpr and then its buffer.
//
//   expression  = conjunction {OR conjunction}
//   conjunction = negation {AND negation}
//   negation    = NOT comparison | comparison
//   comparison  = primary [comparison-token primary]
//   primary     = NULL | True | False | symbol | [name] | constant | "(" expression ")"
// AND, OR, NOT and NULL are symbols compared ignoring case; True and False
// are the framework's words for the Boolean values.
//
// Errors are the framework's database error: "Expression expected but %s
// found", "')' expected but %s found", "Filter expression incorrectly
// terminated", the lexer's texts, and those of TFilterExpr::Build.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "query/filter/filter_buffer.h"
#include "query/filter/filter_lexer.h"

namespace larch {

class TExprParser {
public:
    TExprParser(TFilterExpr& expr, const std::string& text);

    // Parses the whole text and returns the root of its tree.
    const TExprNode* Parse();
    // Parses and builds the filter buffer.
    std::vector<uint8_t> BuildBuffer();

private:
    TExprNode* Expression();
    TExprNode* Conjunction();
    TExprNode* Negation();
    TExprNode* Comparison();
    TExprNode* Primary();
    TExprNode* Operator(int32_t code, TExprNode* left, TExprNode* right);
    bool AtWord(const char* word) const;

    TFilterExpr& m_expr;
    TFilterLexer m_lexer;
    std::string m_trueWord = "True";
    std::string m_falseWord = "False";
    int m_depth = 0;
};

}  // namespace larch
