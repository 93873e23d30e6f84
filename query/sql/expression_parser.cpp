// The SQL expression grammar: levels from AND/OR down to primaries, every
// binary level right-recursive.
#include "query/sql/expression_parser.h"

#include <charconv>

#include "dataset/dataset_errors.h"
#include "dataset/date_time.h"
#include "dataset/field_defs.h"

namespace larch {

namespace {

using NodePtr = std::unique_ptr<TExpressionNode>;

NodePtr MakeBoolean(int32_t nodeClass, int32_t opCode, const std::string& name) {
    NodePtr n = MakeNode(nodeClass, opCode, name);
    n->dataType = dtype::Boolean;
    n->size = 2;
    return n;
}

NodePtr MakeBinary(int32_t nodeClass, int32_t opCode, const std::string& name, NodePtr left, NodePtr right,
                   bool boolean) {
    NodePtr n = boolean ? MakeBoolean(nodeClass, opCode, name) : MakeNode(nodeClass, opCode, name);
    n->left = std::move(left);
    n->right = std::move(right);
    return n;
}

NodePtr MakeColumn(const std::string& correlation, const std::string& column) {
    NodePtr n = MakeNode(node::Column, op::None, correlation.empty() ? column : correlation + "." + column);
    n->columnName = column;
    n->tableCorrelation = correlation;
    return n;
}

NodePtr MakeBooleanConstant(const std::string& name, bool value) {
    NodePtr n = MakeBoolean(node::Constant, op::None, name);
    n->SetInt16(value ? 1 : 0);
    return n;
}

NodePtr MakeNullConstant() {
    NodePtr n = MakeNode(node::Constant, op::None, "NULL");
    n->isNull = true;
    return n;
}

// A node whose right child is about to carry the next item of a list (IN
// values, the second BETWEEN bound, the SUBSTRING length). A node that uses
// its right child itself is wrapped so that the link cannot replace it.
NodePtr Linkable(NodePtr n) {
    if (!n->right) return n;
    NodePtr wrapper = MakeNode(node::Unary, op::Plus, n->name);
    wrapper->left = std::move(n);
    return wrapper;
}

// The value of a quoted constant: a doubled delimiter stands for one.
std::string Undoubled(std::string_view text, char quote) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        out += text[i];
        if (text[i] == quote && i + 1 < text.size() && text[i + 1] == quote) ++i;
    }
    return out;
}

}  // namespace

std::string CorrelationNameOf(std::string_view path) {
    std::size_t folderEnd = path.find_last_of("/\\:");
    std::string_view file = folderEnd == std::string_view::npos ? path : path.substr(folderEnd + 1);
    std::size_t dot = file.rfind('.');
    if (dot != std::string_view::npos) file = file.substr(0, dot);
    return std::string(file.substr(0, kMaxNodeText));
}

void RaiseNestingTooDeep(const TParseContext& context) {
    TSqlLexer::RaiseError("Expression exceeds maximum nesting depth of " + std::to_string(kMaxExpressionDepth) +
                          " in " + context.text);
}

TExpressionParser::DepthGuard::DepthGuard(TExpressionParser& parser, const TParseContext& context)
    : m_parser(parser) {
    if (++m_parser.m_depth > kMaxExpressionDepth) {
        --m_parser.m_depth;
        RaiseNestingTooDeep(context);
    }
}

void TExpressionParser::Start(std::string_view text, std::vector<TExpressionNode*>* parameters) {
    m_parameters = parameters;
    m_depth = 0;
    hollin::TDateTime now = hollin::Now();
    m_today = hollin::DayOf(now);
    m_nowMs = static_cast<double>(m_today) * hollin::kMsPerDay + hollin::MsOfDay(now);
    m_lexer.SetText(text);
    m_lexer.Next();
}

void TExpressionParser::Fail(const std::string& prefix, const TParseContext& context) const {
    TSqlLexer::RaiseError(prefix + m_lexer.Text() + "'" + " in " + context.text);
}

NodePtr TExpressionParser::ParseExpression(const TParseContext& context) {
    DepthGuard guard(*this, context);
    NodePtr left = ParseComparison(context);
    bool isAnd = m_lexer.IsKeyword("AND");
    if (!isAnd && !m_lexer.IsKeyword("OR")) return left;
    m_lexer.Next();
    NodePtr right = ParseExpression(context);
    return MakeBinary(node::Binary, isAnd ? op::And : op::Or, isAnd ? "AND" : "OR", std::move(left),
                      std::move(right), true);
}

NodePtr TExpressionParser::ParseComparison(const TParseContext& context) {
    DepthGuard guard(*this, context);
    return ParseComparisonTail(ParseAdditive(context), context);
}

bool TExpressionParser::AtNegatedPredicate() {
    if (!m_lexer.IsKeyword("NOT")) return false;
    TSqlLexer::State here = m_lexer.Save();
    m_lexer.Next();
    bool predicate = m_lexer.IsKeyword("LIKE") || m_lexer.IsKeyword("BETWEEN") || m_lexer.IsKeyword("IN");
    m_lexer.Restore(here);
    return predicate;
}

NodePtr TExpressionParser::ParseComparisonTail(NodePtr left, const TParseContext& context) {
    // Plain comparisons; "<>", "<=" and ">=" are two tokens.
    int32_t comparison = op::None;
    std::string word;
    if (m_lexer.IsChar('=')) {
        comparison = op::Eq;
        word = "=";
        m_lexer.Next();
    } else if (m_lexer.IsChar('<')) {
        m_lexer.Next();
        if (m_lexer.IsChar('>')) {
            comparison = op::Ne;
            word = "<>";
            m_lexer.Next();
        } else if (m_lexer.IsChar('=')) {
            comparison = op::Le;
            word = "<=";
            m_lexer.Next();
        } else {
            comparison = op::Lt;
            word = "<";
        }
    } else if (m_lexer.IsChar('>')) {
        m_lexer.Next();
        if (m_lexer.IsChar('=')) {
            comparison = op::Ge;
            word = ">=";
            m_lexer.Next();
        } else {
            comparison = op::Gt;
            word = ">";
        }
    }
    if (comparison != op::None) {
        NodePtr right = ParseComparison(context);
        return MakeBinary(node::Binary, comparison, word, std::move(left), std::move(right), true);
    }

    // Extended predicates.
    bool negated = AtNegatedPredicate();
    if (!negated && !m_lexer.IsKeyword("LIKE") && !m_lexer.IsKeyword("BETWEEN") && !m_lexer.IsKeyword("IN") &&
        !m_lexer.IsKeyword("IS"))
        return left;
    if (!context.allowExtended)
        TSqlLexer::RaiseError(std::string("Extended predicate operators (LIKE, BETWEEN, IN, IS NULL) are not allowed in ") +
                              context.text);
    if (negated) m_lexer.Next();

    if (m_lexer.IsKeyword("LIKE")) {
        m_lexer.Next();
        NodePtr pattern = ParseComparison(context);
        return MakeBinary(node::ExtendedPredicate, negated ? op::NotLike : op::Like, negated ? "NOT LIKE" : "LIKE",
                          std::move(left), std::move(pattern), true);
    }
    if (m_lexer.IsKeyword("BETWEEN")) {
        m_lexer.Next();
        NodePtr low = Linkable(ParseComparison(context));
        if (!m_lexer.IsKeyword("AND")) Fail("Expected AND operator in BETWEEN operator, instead found '", context);
        m_lexer.Next();
        low->right = ParseComparison(context);
        return MakeBinary(node::ExtendedPredicate, negated ? op::NotBetween : op::Between,
                          negated ? "NOT BETWEEN" : "BETWEEN", std::move(left), std::move(low), true);
    }
    if (m_lexer.IsKeyword("IN")) {
        m_lexer.Next();
        if (!m_lexer.IsChar('(')) {
            Fail(negated ? "Expected left parentheses for IN operator, instead found '"
                         : "Expected left parentheses after IN operator, instead found '",
                 context);
        }
        m_lexer.Next();
        if (m_lexer.IsChar(')')) {
            TSqlLexer::RaiseError(
                std::string("You must provide at least one value as an operand of the IN operator  in ") +
                context.text);
        }
        NodePtr node = MakeBoolean(node::ExtendedPredicate, negated ? op::NotIn : op::In, negated ? "NOT IN" : "IN");
        node->left = std::move(left);
        std::unique_ptr<TExpressionNode>* tail = &node->right;
        // The values hang in a chain as deep as the list is long, and the
        // tree is walked (and freed) recursively, so the list is held to the
        // depth limit.
        int values = 0;
        for (;;) {
            if (++values > kMaxExpressionDepth) RaiseNestingTooDeep(context);
            *tail = Linkable(ParseComparison(context));
            tail = &(*tail)->right;
            if (!m_lexer.IsChar(',')) break;
            m_lexer.Next();
        }
        if (!m_lexer.IsChar(')')) Fail("Expected right parentheses after IN operator, instead found '", context);
        m_lexer.Next();
        return node;
    }
    // IS [NOT] NULL: "=" or "<>" with the NULL constant.
    m_lexer.Next();
    bool isNot = m_lexer.IsKeyword("NOT");
    if (isNot) m_lexer.Next();
    if (!m_lexer.IsKeyword("NULL")) {
        TSqlLexer::RaiseError("Unknown or unexpected symbol '" + m_lexer.Text() + "'" + " found in " + context.text);
    }
    m_lexer.Next();
    return MakeBinary(node::Binary, isNot ? op::Ne : op::Eq, isNot ? "<>" : "=", std::move(left), MakeNullConstant(),
                      true);
}

NodePtr TExpressionParser::ParseAdditive(const TParseContext& context) {
    DepthGuard guard(*this, context);
    NodePtr left = ParseMultiplicative(context);
    int32_t code = op::None;
    std::string word;
    if (m_lexer.IsChar('+')) {
        code = op::Add;
        word = "+";
    } else if (m_lexer.IsChar('-')) {
        code = op::Subtract;
        word = "-";
    } else if (m_lexer.IsChar('|')) {
        m_lexer.Next();
        if (!m_lexer.IsChar('|')) {
            Fail("Second concatenation symbol '|' expected after first concatentation symbol, instead found '",
                 context);
        }
        code = op::Add;
        word = "||";
    } else {
        return left;
    }
    m_lexer.Next();
    NodePtr right = ParseAdditive(context);
    return MakeBinary(node::Binary, code, word, std::move(left), std::move(right), false);
}

NodePtr TExpressionParser::ParseMultiplicative(const TParseContext& context) {
    DepthGuard guard(*this, context);
    NodePtr left = ParseUnary(context);
    bool multiply = m_lexer.IsChar('*');
    if (!multiply && !m_lexer.IsChar('/')) return left;
    m_lexer.Next();
    NodePtr right = ParseMultiplicative(context);
    return MakeBinary(node::Binary, multiply ? op::Multiply : op::Divide, multiply ? "*" : "/", std::move(left),
                      std::move(right), false);
}

NodePtr TExpressionParser::ParseUnary(const TParseContext& context) {
    // NOT written as a symbol; [NOT] is a column.
    if (m_lexer.Is(TokenKind::Symbol) && m_lexer.IsKeyword("NOT")) {
        m_lexer.Next();
        NodePtr n = MakeBoolean(node::Unary, op::Not, "NOT");
        n->left = ParsePrimary(context);
        return n;
    }
    bool minus = m_lexer.IsChar('-');
    if (!minus && !m_lexer.IsChar('+')) return ParsePrimary(context);
    m_lexer.Next();
    NodePtr n = MakeNode(node::Unary, minus ? op::Negate : op::Plus, minus ? "-" : "+");
    n->left = ParsePrimary(context);
    n->dataType = n->left->dataType;
    n->subType = n->left->subType;
    n->size = n->left->size;
    n->decimals = n->left->decimals;
    return n;
}

NodePtr TExpressionParser::ParsePrimary(const TParseContext& context) {
    if (m_lexer.IsChar('(')) {
        m_lexer.Next();
        NodePtr inner = ParseExpression(context);
        if (!m_lexer.IsChar(')')) Fail("Right parentheses expected, instead found '", context);
        m_lexer.Next();
        return inner;
    }
    if (m_lexer.Is(TokenKind::Symbol)) {
        struct Aggregate {
            const char* word;
            int32_t code;
        };
        static constexpr Aggregate kAggregates[] = {
            {"SUM", op::Sum}, {"AVG", op::Avg}, {"MIN", op::Min}, {"MAX", op::Max}, {"COUNT", op::Count}};
        for (const Aggregate& a : kAggregates) {
            if (m_lexer.IsKeyword(a.word)) return ParseAggregate(a.code, a.word, context);
        }
        if (m_lexer.IsKeyword("UPPER")) return ParseCaseFunction(op::Upper, "UPPER", context);
        if (m_lexer.IsKeyword("LOWER")) return ParseCaseFunction(op::Lower, "LOWER", context);
        if (m_lexer.IsKeyword("SUBSTRING")) return ParseSubstring(context);
        if (m_lexer.IsKeyword("TRIM")) return ParseTrim(context);
        if (m_lexer.IsKeyword("EXTRACT")) return ParseExtract(context);
        if (m_lexer.IsKeyword("TRUE") || m_lexer.IsKeyword("FALSE")) {
            bool value = m_lexer.IsKeyword("TRUE");
            m_lexer.Next();
            return MakeBooleanConstant(value ? "TRUE" : "FALSE", value);
        }
        if (m_lexer.IsKeyword("NULL")) {
            m_lexer.Next();
            return MakeNullConstant();
        }
        if (m_lexer.IsKeyword("DATE")) {
            m_lexer.Next();
            NodePtr n = MakeNode(node::Constant, op::None, "DATE");
            n->dataType = dtype::Date;
            n->size = 4;
            n->SetInt32(m_today);
            return n;
        }
        if (m_lexer.IsKeyword("NOW")) {
            m_lexer.Next();
            NodePtr n = MakeNode(node::Constant, op::None, "NOW");
            n->dataType = dtype::Timestamp;
            n->size = 8;
            n->SetDouble(m_nowMs);
            return n;
        }
        std::string name = m_lexer.Text();
        m_lexer.Next();
        if (m_lexer.IsChar('(')) {
            TSqlLexer::RaiseError("Unknown or unexpected function '" + name + "'" + " found in " + context.text);
        }
        if (m_lexer.IsChar('.')) {
            m_lexer.Next();
            return ParseColumnAfterQualifier(name, false, context);
        }
        return MakeColumn({}, name);
    }
    if (m_lexer.Is(TokenKind::BracketedName)) {
        std::string name = m_lexer.Text();
        m_lexer.Next();
        if (m_lexer.IsChar('.')) {
            m_lexer.Next();
            return ParseColumnAfterQualifier(name, true, context);
        }
        return MakeColumn({}, name);
    }
    if (m_lexer.Is(TokenKind::Quoted)) return ParseQuoted(context);
    if (m_lexer.Is(TokenKind::Integer) || m_lexer.Is(TokenKind::Float)) return ParseNumber();
    if (m_lexer.IsChar('*')) {
        if (!context.allowAllColumns)
            TSqlLexer::RaiseError(std::string("* (all columns) symbol is not allowed in ") + context.text);
        m_lexer.Next();
        return MakeColumn({}, "*");
    }
    if (m_lexer.IsChar('?')) {
        if (!context.allowParameters) TSqlLexer::RaiseError(std::string("Parameters are not allowed in ") + context.text);
        m_lexer.Next();
        NodePtr n = MakeNode(node::Constant, op::None, "?");
        n->isParameter = true;
        if (m_parameters) m_parameters->push_back(n.get());
        return n;
    }
    TSqlLexer::RaiseError("Unknown or unexpected symbol '" + m_lexer.Text() + "'" + " found in " + context.text);
}

NodePtr TExpressionParser::ParseColumnAfterQualifier(const std::string& qualifier, bool bracketedQualifier,
                                                     const TParseContext& context) {
    std::string correlation = CorrelationNameOf(qualifier);
    if (m_lexer.IsName() || (bracketedQualifier && m_lexer.Is(TokenKind::BracketedName))) {
        std::string column = m_lexer.Text();
        m_lexer.Next();
        return MakeColumn(correlation, column);
    }
    if (!bracketedQualifier && m_lexer.IsChar('*')) {
        if (!context.allowAllColumns)
            TSqlLexer::RaiseError(std::string("* (all columns) symbol is not allowed in ") + context.text);
        m_lexer.Next();
        return MakeColumn(correlation, "*");
    }
    Fail("Symbol or string expression expected after table correlation name separator '.', instead found '", context);
}

NodePtr TExpressionParser::ParseQuoted(const TParseContext& context) {
    std::string text = m_lexer.Text();
    std::string value = Undoubled(m_lexer.FullText(), m_lexer.QuoteChar());
    m_lexer.Next();
    if (m_lexer.IsChar('.')) {
        m_lexer.Next();
        return ParseColumnAfterQualifier(text, false, context);
    }
    if (hollin::SameName(std::string(text), "TRUE") || hollin::SameName(std::string(text), "FALSE"))
        return MakeBooleanConstant(text, hollin::SameName(std::string(text), "TRUE"));
    // The value buffer holds at most kNodeValueSize - 1 characters and the terminator.
    if (value.size() > kNodeValueSize - 1) value.resize(kNodeValueSize - 1);
    NodePtr n = MakeNode(node::Constant, op::None, text);
    n->dataType = dtype::String;
    n->size = static_cast<uint8_t>(value.size() + 1);
    n->SetString(value);
    n->isNull = value.empty();
    return n;
}

NodePtr TExpressionParser::ParseNumber() {
    std::string_view text = m_lexer.FullText();
    const char* first = text.data();
    const char* last = text.data() + text.size();
    NodePtr n = MakeNode(node::Constant, op::None, m_lexer.Text());
    if (m_lexer.Is(TokenKind::Integer)) {
        int32_t value = 0;
        auto [end, ec] = std::from_chars(first, last, value);
        if (ec != std::errc() || end != last) hollin::ConvertErrorFmt(hollin::text::InvalidInteger, {text});
        n->dataType = dtype::Integer;
        n->size = 4;
        n->SetInt32(value);
    } else {
        double value = 0;
        auto [end, ec] = std::from_chars(first, last, value);
        if (ec != std::errc() || end != last) hollin::ConvertErrorFmt(hollin::text::InvalidFloat, {text});
        n->dataType = dtype::Float;
        n->size = 8;
        n->SetDouble(value);
    }
    m_lexer.Next();
    return n;
}

NodePtr TExpressionParser::ParseAggregate(int32_t opCode, const std::string& word, const TParseContext& context) {
    if (!context.allowAggregates)
        TSqlLexer::RaiseError(std::string("Aggregate functions are not allowed in ") + context.text);
    m_lexer.Next();
    if (!m_lexer.IsChar('('))
        Fail("Left parentheses expectedafter aggregate function '" + word + "'" + ", instead found '", context);
    m_lexer.Next();
    NodePtr n = MakeNode(node::Function, opCode, word);
    n->left = ParseAdditive(context);
    if (!m_lexer.IsChar(')'))
        Fail("Right parentheses expected after aggregate " + word + " function argument, instead found '", context);
    m_lexer.Next();
    return n;
}

NodePtr TExpressionParser::ParseCaseFunction(int32_t opCode, const std::string& word, const TParseContext& context) {
    m_lexer.Next();
    if (!m_lexer.IsChar('(')) Fail("Left parentheses expectedafter " + word + " keyword, instead found '", context);
    m_lexer.Next();
    NodePtr n = MakeNode(node::Function, opCode, word);
    n->dataType = dtype::String;
    n->left = ParseAdditive(context);
    if (!m_lexer.IsChar(')'))
        Fail("Right parentheses expected after " + word + " function argument, instead found '", context);
    m_lexer.Next();
    return n;
}

NodePtr TExpressionParser::ParseSubstring(const TParseContext& context) {
    m_lexer.Next();
    if (!m_lexer.IsChar('(')) Fail("Left parentheses expected after SUBSTRING keyword, instead found '", context);
    m_lexer.Next();
    NodePtr n = MakeNode(node::Function, op::Substring, "SUBSTRING");
    n->dataType = dtype::String;
    n->left = ParseAdditive(context);
    if (!m_lexer.IsKeyword("FROM"))
        Fail("FROM keyword expected after first SUBSTRING function argument, instead found '", context);
    m_lexer.Next();
    n->right = Linkable(ParsePrimary(context));
    if (m_lexer.IsKeyword("FOR")) {
        m_lexer.Next();
        n->right->right = ParsePrimary(context);
    }
    if (!m_lexer.IsChar(')'))
        Fail("Right parentheses expected after SUBSTRING function arguments, instead found '", context);
    m_lexer.Next();
    return n;
}

NodePtr TExpressionParser::ParseTrim(const TParseContext& context) {
    m_lexer.Next();
    if (!m_lexer.IsChar('(')) Fail("Left parentheses expected after TRIM keyword, instead found '", context);
    m_lexer.Next();
    int32_t code = m_lexer.IsKeyword("LEADING")    ? op::TrimLeading
                   : m_lexer.IsKeyword("TRAILING") ? op::TrimTrailing
                   : m_lexer.IsKeyword("BOTH")     ? op::TrimBoth
                                                   : op::None;
    if (code == op::None)
        Fail("LEADING, TRAILING, or BOTH keyword expected after TRIM keyword, instead found '", context);
    m_lexer.Next();
    NodePtr n = MakeNode(node::Function, code, "TRIM");
    n->dataType = dtype::String;
    n->right = ParsePrimary(context);
    if (!m_lexer.IsKeyword("FROM"))
        Fail("FROM keyword expected after second TRIM function argument, instead found '", context);
    m_lexer.Next();
    n->left = ParseAdditive(context);
    if (!m_lexer.IsChar(')')) Fail("Right parentheses expected after TRIM function arguments, instead found '", context);
    m_lexer.Next();
    return n;
}

NodePtr TExpressionParser::ParseExtract(const TParseContext& context) {
    m_lexer.Next();
    if (!m_lexer.IsChar('(')) Fail("Left parentheses expected after EXTRACT keyword, instead found '", context);
    m_lexer.Next();
    int32_t code = m_lexer.IsKeyword("YEAR")    ? op::ExtractYear
                   : m_lexer.IsKeyword("MONTH") ? op::ExtractMonth
                   : m_lexer.IsKeyword("DAY")   ? op::ExtractDay
                                                : op::None;
    if (code == op::None)
        Fail("YEAR, MONTH, or DAY keyword expected after EXTRACT keyword, instead found '", context);
    m_lexer.Next();
    if (!m_lexer.IsKeyword("FROM"))
        Fail("FROM keyword expected after second EXTRACT function argument, instead found '", context);
    m_lexer.Next();
    NodePtr n = MakeNode(node::Function, code, "EXTRACT");
    n->dataType = dtype::Integer;
    n->size = 4;
    n->left = ParsePrimary(context);
    if (!m_lexer.IsChar(')'))
        Fail("Right parentheses expected after EXTRACT function arguments, instead found '", context);
    m_lexer.Next();
    return n;
}

}  // namespace larch
