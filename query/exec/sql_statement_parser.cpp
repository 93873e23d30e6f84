// The SQL statement grammar: SELECT, INSERT, UPDATE and DELETE into the
// parse result of TDataQuery.
#include <charconv>
#include <optional>

#include "dataset/dataset_errors.h"
#include "query/exec/data_query.h"

namespace larch {

namespace {

using NodePtr = std::unique_ptr<TExpressionNode>;

// Expression source texts hold at most this many characters.
constexpr std::size_t kMaxSourceText = 255;

bool SameNameIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i] >= 'a' && a[i] <= 'z' ? static_cast<char>(a[i] - 32) : a[i];
        char y = b[i] >= 'a' && b[i] <= 'z' ? static_cast<char>(b[i] - 32) : b[i];
        if (x != y) return false;
    }
    return true;
}

bool IsComparison(const TExpressionNode& n) {
    return (n.nodeClass == node::Binary || n.nodeClass == node::CompareWithOptions) && n.opCode >= op::Eq &&
           n.opCode <= op::Le;
}

// Records the join kind on every comparison of two columns in an ON condition.
void MarkJoinComparisons(TExpressionNode* n, uint8_t kind) {
    if (!n) return;
    if (IsComparison(*n) && n->left && n->right && n->left->nodeClass == node::Column &&
        n->right->nodeClass == node::Column)
        n->joinKind = kind;
    MarkJoinComparisons(n->left.get(), kind);
    MarkJoinComparisons(n->right.get(), kind);
}

// Whether the parser already knows the condition is not boolean. Columns,
// parameters and string constants (which may name a column) are typed later.
bool IsKnownNonBoolean(const TExpressionNode& n) {
    if (n.dataType == dtype::None || n.dataType == dtype::Boolean) return false;
    if (n.nodeClass == node::Constant && n.dataType == dtype::String) return false;
    return true;
}

TAggregateKind AggregateOf(const TExpressionNode& n) {
    if (n.nodeClass != node::Function) return TAggregateKind::None;
    switch (n.opCode) {
        case op::Sum: return TAggregateKind::Sum;
        case op::Min: return TAggregateKind::Min;
        case op::Max: return TAggregateKind::Max;
        case op::Avg: return TAggregateKind::Avg;
        case op::Count: return TAggregateKind::Count;
        default: return TAggregateKind::None;
    }
}

class StatementGrammar {
public:
    StatementGrammar(TExpressionParser& parser, TParseResult& result, const std::string& directory)
        : m_parser(parser), m_lexer(parser.Lexer()), m_result(result), m_directory(directory) {}

    void Statement() {
        const char* endMessage = nullptr;
        if (m_lexer.IsKeyword("SELECT")) {
            Select();
            endMessage = "End of SELECT statement expected, instead found '";
        } else if (m_lexer.IsKeyword("INSERT")) {
            Insert();
            endMessage = "End of INSERT statement expected, instead found '";
        } else if (m_lexer.IsKeyword("UPDATE")) {
            Update();
            endMessage = "End of UPDATE statement expected, instead found '";
        } else if (m_lexer.IsKeyword("DELETE")) {
            Delete();
            endMessage = "End of DELETE statement expected, instead found '";
        } else {
            Fail("SELECT, INSERT, UPDATE, or DELETE keyword expected, instead found '");
        }
        if (m_lexer.IsChar(';')) m_lexer.Next();
        if (!m_lexer.Is(TokenKind::End)) Fail(endMessage);
    }

private:
    // "<prefix><token>'"
    [[noreturn]] void Fail(const std::string& prefix) const { TSqlLexer::RaiseError(prefix + m_lexer.Text() + "'"); }

    // Takes the current token's text and moves on.
    std::string Take() {
        std::string text = m_lexer.Text();
        m_lexer.Next();
        return text;
    }

    std::string CheckedSourceText() const {
        std::string text = m_lexer.SourceText();
        if (text.size() > kMaxSourceText) {
            TSqlLexer::RaiseError("Source column expression exceeds maximum expression length of " +
                                  std::to_string(kMaxSourceText) + " characters");
        }
        return text;
    }

    // ---- SELECT ----

    void Select() {
        m_result.kind = TStatementKind::Select;
        m_lexer.Next();
        if (m_lexer.IsKeyword("ALL")) m_lexer.Next();
        if (m_lexer.IsKeyword("DISTINCT")) {
            m_result.distinct = true;
            m_lexer.Next();
        }
        SelectItem();
        while (m_lexer.IsChar(',')) {
            m_lexer.Next();
            SelectItem();
        }
        if (m_lexer.IsKeyword("INTO")) {
            m_lexer.Next();
            if (m_lexer.IsKeyword("MEMORY")) {
                m_lexer.Next();
                m_result.resultTableInMemory = true;
                if (!m_lexer.IsName()) Fail("Result table name expected in INTO MEMORY clause, instead found '");
            } else if (!m_lexer.IsName()) {
                Fail("Result table name expected in INTO clause, instead found '");
            }
            m_result.hasResultTable = true;
            m_result.resultTableName = Take();
            m_result.resultTablePath = ResolveTablePath(m_result.resultTableName, m_directory);
        }
        if (!m_lexer.IsKeyword("FROM")) Fail("FROM keyword expected, instead found '");
        m_lexer.Next();
        TableRef();
        while (m_lexer.IsChar(',')) {
            m_lexer.Next();
            m_result.severalTables = true;
            TableRef();
        }
        if (m_lexer.IsKeyword("WHERE")) {
            m_lexer.Next();
            AddCondition(Condition());
        }
        if (m_lexer.IsKeyword("GROUP")) {
            m_lexer.Next();
            if (!m_lexer.IsKeyword("BY")) Fail("BY keyword expected after GROUP keyword, instead found '");
            do {
                m_lexer.Next();
                TGroupByDataField item;
                ColumnItem("Column name or column number expected in GROUP BY clause, instead found '",
                           item.columnNumber, item.columnName, item.tableCorrelation);
                m_result.groupBy.push_back(std::move(item));
            } while (m_lexer.IsChar(','));
        }
        if (m_lexer.IsKeyword("ORDER")) {
            m_lexer.Next();
            if (!m_lexer.IsKeyword("BY")) Fail("BY keyword expected after ORDER keyword, instead found '");
            do {
                m_lexer.Next();
                TOrderByDataField item;
                ColumnItem("Column name or column number expected in ORDER BY clause, instead found '",
                           item.columnNumber, item.columnName, item.tableCorrelation);
                if (m_lexer.IsKeyword("ASC") || m_lexer.IsKeyword("ASCENDING")) {
                    m_lexer.Next();
                } else if (m_lexer.IsKeyword("DESC") || m_lexer.IsKeyword("DESCENDING")) {
                    item.descending = true;
                    m_lexer.Next();
                }
                m_result.orderBy.push_back(std::move(item));
            } while (m_lexer.IsChar(','));
            if (m_lexer.IsKeyword("NOCASE")) {
                m_result.orderNoCase = true;
                m_lexer.Next();
            }
        }
        if (m_lexer.IsKeyword("WITH")) {
            m_lexer.Next();
            if (!m_lexer.IsKeyword("LOCKS")) Fail("LOCKS keyword expected after WITH keyword, instead found '");
            m_lexer.Next();
            m_result.withLocks = true;
        }
        if (m_lexer.IsKeyword("ENCRYPTED")) {
            m_lexer.Next();
            if (!m_lexer.IsKeyword("WITH")) Fail("WITH keyword expected after ENCRYPTED keyword, instead found '");
            m_lexer.Next();
            m_result.encrypted = true;
            m_result.password = m_lexer.Text();
            if (!m_lexer.Is(TokenKind::End)) m_lexer.Next();
        }
    }

    void SelectItem() {
        m_lexer.MarkExpressionStart();
        TResultDataField item;
        item.expression = m_parser.ParseExpression(parse_context::SourceColumns);
        item.sourceText = CheckedSourceText();
        if (m_lexer.IsKeyword("AS")) {
            m_lexer.Next();
            if (!m_lexer.IsName()) Fail("Symbol or string expected after AS keyword, instead found '");
            item.alias = Alias();
        } else if (m_lexer.IsName() && !m_lexer.IsKeyword("INTO") && !m_lexer.IsKeyword("FROM")) {
            item.alias = Alias();
        }
        const TExpressionNode& root = *item.expression;
        if (root.nodeClass == node::Column) {
            item.columnName = root.columnName;
            item.tableCorrelation = root.tableCorrelation;
        } else {
            item.isExpression = true;
            m_result.hasExpressionColumns = true;
            item.aggregate = AggregateOf(root);
            if (item.aggregate == TAggregateKind::Avg) m_result.hasAverage = true;
            if (item.aggregate != TAggregateKind::None && root.left && root.left->nodeClass == node::Column) {
                item.columnName = root.left->columnName;
                item.tableCorrelation = root.left->tableCorrelation;
            }
        }
        m_result.resultFields.push_back(std::move(item));
    }

    // name ["." name]: the last name is the alias.
    std::string Alias() {
        std::string alias = Take();
        if (m_lexer.IsChar('.')) {
            m_lexer.Next();
            if (!m_lexer.IsName()) Fail("Symbol or string expected after table correlation name, instead found '");
            alias = Take();
        }
        return alias;
    }

    // An integer column number, or name ["." name].
    void ColumnItem(const char* message, int& number, std::string& column, std::string& correlation) {
        if (m_lexer.Is(TokenKind::Integer)) {
            std::string_view text = m_lexer.FullText();
            auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), number);
            if (ec != std::errc() || end != text.data() + text.size())
                hollin::ConvertErrorFmt(hollin::text::InvalidInteger, {text});
            m_lexer.Next();
            return;
        }
        if (!m_lexer.IsName()) Fail(message);
        column = Take();
        if (m_lexer.IsChar('.')) {
            m_lexer.Next();
            if (!m_lexer.IsName()) Fail(message);
            correlation = CorrelationNameOf(column);
            column = Take();
        }
    }

    // table {join-type table ON condition}
    void TableRef() {
        static constexpr const char* kFromListReserved[] = {"LEFT",   "RIGHT",  "INNER", "JOIN", "WHERE",
                                                            "ORDER",  "GROUP",  "HAVING", "WITH", "ENCRYPTED"};
        static constexpr const char* kJoinedReserved[] = {"ON"};
        Table("Table name expected after FROM keyword, instead found '", kFromListReserved, false);
        int joins = 0;
        for (;;) {
            uint8_t kind = join_kind::None;
            if (m_lexer.IsKeyword("JOIN")) {
                kind = join_kind::Inner;
            } else if (m_lexer.IsKeyword("INNER")) {
                m_lexer.Next();
                if (!m_lexer.IsKeyword("JOIN")) Fail("JOIN keyword expected after INNER keyword, instead found '");
                kind = join_kind::Inner;
            } else if (m_lexer.IsKeyword("LEFT") || m_lexer.IsKeyword("RIGHT")) {
                bool left = m_lexer.IsKeyword("LEFT");
                m_lexer.Next();
                if (m_lexer.IsKeyword("OUTER")) m_lexer.Next();
                if (!m_lexer.IsKeyword("JOIN")) {
                    Fail(left ? "JOIN keyword expected after LEFT or OUTER keyword, instead found '"
                              : "JOIN keyword expected after RIGHT or OUTER keyword, instead found '");
                }
                kind = left ? join_kind::LeftOuter : join_kind::RightOuter;
            } else {
                break;
            }
            m_lexer.Next();  // JOIN
            ++joins;
            m_result.severalTables = true;
            Table("Table name expected after JOIN keyword, instead found '", kJoinedReserved,
                  kind == join_kind::RightOuter);
            if (!m_lexer.IsKeyword("ON")) Fail("ON keyword expected in JOIN clause, instead found '");
            m_lexer.Next();
            NodePtr on = Condition();
            MarkJoinComparisons(on.get(), kind);
            AddCondition(std::move(on));
        }
        if (joins > 0 && m_lexer.IsKeyword("FULL"))
            TSqlLexer::RaiseError("Full outer joins are currently not supported in Larch SQL SELECT statements");
    }

    // [MEMORY] name [AS name | alias-name], alias-name a symbol that is not reserved.
    template <std::size_t N>
    void Table(const char* missingName, const char* const (&reserved)[N], bool atFront) {
        bool inMemory = false;
        if (m_lexer.IsKeyword("MEMORY")) {
            m_lexer.Next();
            inMemory = true;
        }
        if (!m_lexer.IsName()) Fail(missingName);
        std::string name = Take();
        std::optional<std::string> alias;
        if (m_lexer.IsKeyword("AS")) {
            m_lexer.Next();
            if (!m_lexer.IsName()) Fail("Symbol or string expected after AS keyword, instead found '");
            alias = Take();
        } else if (m_lexer.Is(TokenKind::Symbol)) {
            bool isReserved = false;
            for (const char* word : reserved) isReserved = isReserved || m_lexer.IsKeyword(word);
            if (!isReserved) alias = Take();
        }
        AddTable(name, alias, inMemory, atFront);
    }

    // A table of INSERT, UPDATE or DELETE: [MEMORY] name, then the alias
    // forms the statement allows.
    void TargetTable(const char* missingName, const char* missingAfterMemory, bool allowAs, const char* stopWord,
                     bool quotedAlias) {
        bool inMemory = false;
        if (m_lexer.IsKeyword("MEMORY")) {
            m_lexer.Next();
            inMemory = true;
            if (!m_lexer.IsName()) Fail(missingAfterMemory);
        } else if (!m_lexer.IsName()) {
            Fail(missingName);
        }
        std::string name = Take();
        std::optional<std::string> alias;
        if (allowAs && m_lexer.IsKeyword("AS")) {
            m_lexer.Next();
            if (!m_lexer.IsName()) Fail("Symbol or string expected after AS keyword, instead found '");
            alias = Take();
        } else if ((m_lexer.Is(TokenKind::Symbol) && !m_lexer.IsKeyword(stopWord)) ||
                   (quotedAlias && m_lexer.Is(TokenKind::Quoted))) {
            alias = Take();
        }
        AddTable(name, alias, inMemory, false);
    }

    void AddTable(const std::string& name, const std::optional<std::string>& alias, bool inMemory, bool atFront) {
        auto table = std::make_unique<TSourceDataFile>();
        table->sequence = static_cast<int>(m_result.sourceTables.size()) + 1;
        table->path = ResolveTablePath(name, m_directory);
        table->correlationName = alias ? *alias : CorrelationNameOf(name);
        table->inMemory = inMemory;
        for (const auto& other : m_result.sourceTables) {
            if (SameNameIgnoringCase(other->correlationName, table->correlationName)) {
                TSqlLexer::RaiseError("Duplicate table correlation name '" + table->correlationName + "'" +
                                      " found in source tables");
            }
        }
        if (atFront) m_result.sourceTables.insert(m_result.sourceTables.begin(), std::move(table));
        else m_result.sourceTables.push_back(std::move(table));
    }

    NodePtr Condition() {
        NodePtr condition = m_parser.ParseExpression(parse_context::WhereOrJoin);
        if (IsKnownNonBoolean(*condition)) TSqlLexer::RaiseError("WHERE or JOIN clause must be a boolean expression");
        return condition;
    }

    // Joins a condition to the ones before it: AND(earlier, new). The chain
    // of AND nodes is as deep as there are conditions, so their number is
    // held to the expression depth limit.
    void AddCondition(NodePtr condition) {
        if (++m_conditionCount > kMaxExpressionDepth) RaiseNestingTooDeep(parse_context::WhereOrJoin);
        if (m_result.condition) {
            NodePtr both = MakeNode(node::Binary, op::And, "AND");
            both->dataType = dtype::Boolean;
            both->size = 2;
            both->left = std::move(m_result.condition);
            both->right = std::move(condition);
            condition = std::move(both);
        }
        m_result.condition = std::move(condition);
        m_result.hasCondition = true;
    }

    // ---- INSERT, UPDATE, DELETE ----

    NodePtr Value(std::string& sourceText) {
        m_lexer.MarkExpressionStart();
        NodePtr value = m_parser.ParseExpression(parse_context::Values);
        sourceText = CheckedSourceText();
        return value;
    }

    void AddTarget(NodePtr column) {
        TUpdateDataField field;
        if (column->nodeClass == node::Column) {
            field.columnName = column->columnName;
            field.tableCorrelation = column->tableCorrelation;
        }
        field.expression = std::move(column);
        m_result.updateFields.push_back(std::move(field));
    }

    void AddValue() {
        TUpdateDataValue value;
        value.expression = Value(value.sourceText);
        m_result.updateValues.push_back(std::move(value));
    }

    void Insert() {
        m_result.kind = TStatementKind::Insert;
        m_lexer.Next();
        if (!m_lexer.IsKeyword("INTO")) Fail("INTO keyword expected, instead found '");
        m_lexer.Next();
        TargetTable("Table name expected after INTO clause, instead found '",
                    "Table name expected after INTO keyword, instead found '", false, "VALUES", false);
        if (m_lexer.IsChar('(')) {
            do {
                m_lexer.Next();
                AddTarget(m_parser.ParseExpression(parse_context::TableColumns));
            } while (m_lexer.IsChar(','));
            if (!m_lexer.IsChar(')')) Fail("Right parentheses expected after list of table columns, instead found '");
            m_lexer.Next();
        } else {
            NodePtr all = MakeNode(node::Column, op::None, "*");
            all->columnName = "*";
            AddTarget(std::move(all));
        }
        if (!m_lexer.IsKeyword("VALUES")) Fail("VALUES keyword expected, instead found '");
        m_lexer.Next();
        if (!m_lexer.IsChar('(')) Fail("Left parentheses expected after VALUES keyword, instead found '");
        do {
            m_lexer.Next();
            AddValue();
        } while (m_lexer.IsChar(','));
        if (!m_lexer.IsChar(')')) Fail("Right parentheses expected after list of values, instead found '");
        m_lexer.Next();
    }

    void Update() {
        m_result.kind = TStatementKind::Update;
        m_lexer.Next();
        TargetTable("Table name expected, instead found '", "Table name expected, instead found '", true, "SET", true);
        if (!m_lexer.IsKeyword("SET")) Fail("SET keyword expected, instead found '");
        do {
            m_lexer.Next();
            AddTarget(m_parser.ParsePrimary(parse_context::TableColumns));
            if (!m_lexer.IsChar('=')) Fail("Assignment (=) operator expected after column name, instead found '");
            m_lexer.Next();
            AddValue();
        } while (m_lexer.IsChar(','));
        if (m_lexer.IsKeyword("WHERE")) {
            m_lexer.Next();
            AddCondition(Condition());
        }
    }

    void Delete() {
        m_result.kind = TStatementKind::Delete;
        m_lexer.Next();
        if (!m_lexer.IsKeyword("FROM")) Fail("FROM keyword expected, instead found '");
        m_lexer.Next();
        TargetTable("Table name expected, instead found '", "Table name expected, instead found '", true, "WHERE",
                    true);
        if (m_lexer.IsKeyword("WHERE")) {
            m_lexer.Next();
            AddCondition(Condition());
        }
    }

    TExpressionParser& m_parser;
    TSqlLexer& m_lexer;
    TParseResult& m_result;
    const std::string& m_directory;
    int m_conditionCount = 0;
};

}  // namespace

void TDataQuery::ParseStatement() {
    StatementGrammar grammar(m_parser, m_result, m_databaseDirectory);
    grammar.Statement();
}

}  // namespace larch
