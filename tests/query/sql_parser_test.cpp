// Tests of the SQL lexer, the expression grammar and the statement grammar.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "dataset/dataset_errors.h"
#include "dataset/date_time.h"
#include "engine/files/engine_error.h"
#include "query/exec/data_query.h"
#include "query/sql/tree_printer.h"

namespace larch {
namespace {

const char* KindName(TokenKind kind) {
    switch (kind) {
        case TokenKind::End: return "end";
        case TokenKind::Symbol: return "sym";
        case TokenKind::BracketedName: return "br";
        case TokenKind::Quoted: return "q";
        case TokenKind::Integer: return "int";
        case TokenKind::Float: return "flt";
        case TokenKind::Character: return "ch";
    }
    return "?";
}

std::string Tokens(std::string_view text) {
    TSqlLexer lexer;
    lexer.SetText(text);
    std::string out;
    for (lexer.Next(); !lexer.Is(TokenKind::End); lexer.Next()) {
        if (!out.empty()) out += ' ';
        out += std::string(KindName(lexer.Kind())) + ":" + lexer.Text();
    }
    return out;
}

struct TokenCase {
    std::string text;
    std::string tokens;
};

TEST(SqlLexer, SplitsTextIntoTokens) {
    const std::vector<TokenCase> cases = {
        {"SELECT a_1, _b", "sym:SELECT sym:a_1 ch:, sym:_b"},
        {"[x y] 'It''s' \"a\"\"b\"", "br:x y q:It''s q:a\"\"b"},
        {"12 1.5 1E+3 2e-1 1-2 1.2.3", "int:12 flt:1.5 flt:1E+3 flt:2e-1 int:1 ch:- int:2 flt:1.2.3"},
        {"-5 1Ex", "ch:- int:5 flt:1E sym:x"},
        {"<> <= || ? ;", "ch:< ch:> ch:< ch:= ch:| ch:| ch:? ch:;"},
        {"a /* c */ b", "sym:a sym:b"},
        {"/**/a", "sym:a"},
        // Only one comment is skipped between two tokens.
        {"a /* c *//* d */ b", "sym:a ch:/ ch:* sym:d ch:* ch:/ sym:b"},
        // "--" is not a comment.
        {"a -- b", "sym:a ch:- ch:- sym:b"},
        {"a\tb\r\nc", "sym:a sym:b sym:c"},
        {"\x81\xFEx \xFF", "sym:\x81\xFEx ch:\xFF"},
        {std::string("a\0b", 3), "sym:a"},
        {"", ""},
    };
    for (const TokenCase& c : cases) EXPECT_EQ(Tokens(c.text), c.tokens) << c.text;
}

TEST(SqlLexer, KeywordTestAcceptsSymbolsAndBracketedNamesOnly) {
    TSqlLexer lexer;
    lexer.SetText("from [From] 'FROM' fromx");
    lexer.Next();
    EXPECT_TRUE(lexer.IsKeyword("FROM"));
    lexer.Next();
    EXPECT_TRUE(lexer.IsKeyword("FROM"));
    lexer.Next();
    EXPECT_FALSE(lexer.IsKeyword("FROM"));
    lexer.Next();
    EXPECT_FALSE(lexer.IsKeyword("FROM"));
}

TEST(SqlLexer, TokenTextIsCutTo255Characters) {
    TSqlLexer lexer;
    std::string name(300, 'n');
    lexer.SetText(name);
    lexer.Next();
    EXPECT_EQ(lexer.Text(), std::string(255, 'n'));
    EXPECT_EQ(lexer.FullText().size(), 300u);
}

std::string Printed(const std::string& sql) {
    TDataQuery query;
    query.Parse(sql, "/db");
    return PrintParseResult(query.Result());
}

struct StatementCase {
    std::string sql;
    std::string printed;
};

TEST(SqlParser, StatementsParseIntoTrees) {
    const std::vector<StatementCase> cases = {
        {"SELECT * FROM t", "SELECT * FROM t"},
        {"SELECT t.* FROM t", "SELECT t.* FROM t"},
        // Right-recursive grouping at every level.
        {"SELECT a FROM t WHERE x = 10 - 4 - 3", "SELECT a FROM t WHERE (= x (- 10 (- 4 3)))"},
        {"SELECT a FROM t WHERE x = 8 / 4 / 2", "SELECT a FROM t WHERE (= x (/ 8 (/ 4 2)))"},
        {"SELECT a FROM t WHERE a = 1 AND b = 2 OR c = 3", "SELECT a FROM t WHERE (AND (= a 1) (OR (= b 2) (= c 3)))"},
        {"SELECT a FROM t WHERE a = b = c", "SELECT a FROM t WHERE (= a (= b c))"},
        {"SELECT a + b * c - d FROM t", "SELECT (+ a (- (* b c) d)) FROM t"},
        // NOT binds to a primary.
        {"SELECT a FROM t WHERE NOT a = 1", "SELECT a FROM t WHERE (= (NOT a) 1)"},
        {"SELECT a FROM t WHERE NOT (a = 1)", "SELECT a FROM t WHERE (NOT (= a 1))"},
        {"SELECT a || 'x', -a, +1 FROM t", "SELECT (|| a 'x'), (- a), (+ 1) FROM t"},
        {"SELECT a FROM t WHERE a <> 1 AND b <= 2 AND c >= 3 AND d < 4 AND e > 5",
         "SELECT a FROM t WHERE (AND (<> a 1) (AND (<= b 2) (AND (>= c 3) (AND (< d 4) (> e 5)))))"},
        {"SELECT a FROM t WHERE a < > 1", "SELECT a FROM t WHERE (<> a 1)"},
        // Extended predicates.
        {"SELECT a FROM t WHERE a LIKE 'x%' AND b NOT LIKE '%y'",
         "SELECT a FROM t WHERE (AND (LIKE a 'x%') (NOT_LIKE b '%y'))"},
        {"SELECT a FROM t WHERE a BETWEEN 1 AND 5 AND b NOT BETWEEN 'a' AND 'b'",
         "SELECT a FROM t WHERE (AND (BETWEEN a 1 5) (NOT_BETWEEN b 'a' 'b'))"},
        {"SELECT a FROM t WHERE a IN (1, -2, ?) OR b NOT IN ('x')",
         "SELECT a FROM t WHERE (OR (IN a 1 (- 2) ?) (NOT_IN b 'x'))"},
        {"SELECT a FROM t WHERE a IS NULL AND b IS NOT NULL", "SELECT a FROM t WHERE (AND (= a NULL) (<> b NULL))"},
        // A list item that uses its own right child is wrapped, not overwritten.
        {"SELECT a FROM t WHERE a IN (b + 1, 2)", "SELECT a FROM t WHERE (IN a (+ (+ b 1)) 2)"},
        {"SELECT SUBSTRING(c FROM (1 + 1) FOR 2) FROM t", "SELECT (SUBSTRING c (+ (+ 1 1)) 2) FROM t"},
        // Functions and aggregates.
        {"SELECT UPPER(a), LOWER(b), SUBSTRING(c FROM 2 FOR 3), SUBSTRING(c FROM 2) FROM t",
         "SELECT (UPPER a), (LOWER b), (SUBSTRING c 2 3), (SUBSTRING c 2) FROM t"},
        {"SELECT TRIM(LEADING 'x' FROM d), TRIM(TRAILING ' ' FROM d), TRIM(BOTH '-' FROM d || e) FROM t",
         "SELECT (TRIM_LEADING 'x' d), (TRIM_TRAILING ' ' d), (TRIM_BOTH '-' (|| d e)) FROM t"},
        {"SELECT EXTRACT(YEAR FROM e), EXTRACT(DAY FROM (e + 1)) FROM t",
         "SELECT (EXTRACT_YEAR e), (EXTRACT_DAY (+ e 1)) FROM t"},
        {"SELECT COUNT(*), SUM(a), AVG(t.b), MIN(c + 1), MAX(d) FROM t",
         "SELECT (COUNT *), (SUM a), (AVG t.b), (MIN (+ c 1)), (MAX d) FROM t"},
        // Constants.
        {"SELECT a FROM t WHERE b = TRUE OR c = false OR d = 'True' OR e = NULL OR f = 1.5 OR g = ''",
         "SELECT a FROM t WHERE (OR (= b TRUE) (OR (= c FALSE) (OR (= d TRUE) (OR (= e NULL) (OR (= f 1.5) (= g ''))))))"},
        {"SELECT a FROM t WHERE d = DATE OR n < NOW", "SELECT a FROM t WHERE (OR (= d DATE) (< n NOW))"},
        {"SELECT a FROM t WHERE b = 'It''s'", "SELECT a FROM t WHERE (= b 'It's')"},
        // Quoted and bracketed names; [FROM] is the keyword, "FROM" is not.
        {"SELECT [First Name], \"Hollin.DAT\".LastName, [Hollin].[Sum] FROM \"Hollin.DAT\"",
         "SELECT First Name, Hollin.LastName, Hollin.Sum FROM Hollin"},
        {"SELECT a [FROM] t", "SELECT a FROM t"},
        {"SELECT a \"FROM\" FROM t", "SELECT a AS FROM FROM t"},
        // Aliases.
        {"SELECT FirstName First FROM t", "SELECT FirstName AS First FROM t"},
        {"SELECT a AS x, b 'y', c AS q.z, d r.s FROM t", "SELECT a AS x, b AS y, c AS z, d AS s FROM t"},
        // Comments.
        {"SELECT /* all */ a FROM t", "SELECT a FROM t"},
        {"SELECT a--b FROM t", "SELECT (- a (- b)) FROM t"},
        // Clauses and options.
        {"select all distinct a into memory r from t", "SELECT DISTINCT a INTO MEMORY r FROM t"},
        {"SELECT a INTO r FROM MEMORY t AS x, u y WHERE x.a = y.a GROUP BY 1, x.a "
         "ORDER BY a DESC, 2 ASC, y.b DESCENDING, c ASCENDING NOCASE WITH LOCKS ENCRYPTED WITH secret;",
         "SELECT a INTO r FROM MEMORY x, y WHERE (= x.a y.a) GROUP BY 1, x.a ORDER BY a DESC, 2, y.b DESC, c "
         "NOCASE WITH LOCKS ENCRYPTED WITH secret"},
        // Joins: the ON conditions and WHERE joined by AND in text order,
        // the join kind on comparisons of two columns.
        {"SELECT a FROM t JOIN u ON t.k = u.k LEFT OUTER JOIN v ON u.k = v.k AND v.z = 1 WHERE t.a = 2",
         "SELECT a FROM t, u, v WHERE (AND (AND (=:inner t.k u.k) (AND (=:left u.k v.k) (= v.z 1))) (= t.a 2))"},
        {"SELECT a FROM t RIGHT JOIN u ON t.k = u.k INNER JOIN w ON w.k >= t.k",
         "SELECT a FROM u, t, w WHERE (AND (=:right t.k u.k) (>=:inner w.k t.k))"},
        {"SELECT x FROM a FULL JOIN b ON FULL.x = b.x", "SELECT x FROM FULL, b WHERE (=:inner FULL.x b.x)"},
        // INSERT, UPDATE, DELETE.
        {"INSERT INTO t (a, b) VALUES (1, ?)", "INSERT INTO t (a, b) VALUES (1, ?)"},
        {"INSERT INTO MEMORY t x VALUES ('a', 2 + 3)", "INSERT INTO MEMORY x (*) VALUES ('a', (+ 2 3))"},
        {"UPDATE t AS x SET a = a + 1, b = ? WHERE c = 2", "UPDATE x SET a = (+ a 1), b = ? WHERE (= c 2)"},
        {"UPDATE MEMORY t 'q' SET a = 1", "UPDATE MEMORY q SET a = 1"},
        {"DELETE FROM t WHERE a IN (1, 2);", "DELETE FROM t WHERE (IN a 1 2)"},
        {"DELETE FROM t x", "DELETE FROM x"},
        {"SELECT FirstName, LastName, Event, EventDate FROM \"Hollin.DAT\" WHERE EXTRACT(MONTH FROM EventDate)=(?)",
         "SELECT FirstName, LastName, Event, EventDate FROM Hollin WHERE (= (EXTRACT_MONTH EventDate) ?)"},
    };
    for (const StatementCase& c : cases) {
        try {
            EXPECT_EQ(Printed(c.sql), c.printed) << c.sql;
        } catch (const std::exception& e) {
            ADD_FAILURE() << c.sql << " threw " << e.what();
        }
    }
}

TEST(SqlParser, MonthStatement) {
    TDataQuery query;
    query.Parse("SELECT FirstName, LastName, Event, EventDate FROM \"Hollin.DAT\" "
                  "WHERE EXTRACT(MONTH FROM EventDate)=(?)",
                  "/data/hollin");
    ASSERT_EQ(query.Kind(), TStatementKind::Select);
    ASSERT_EQ(query.SourceTables().size(), 1u);
    const TSourceDataFile& table = *query.SourceTables()[0];
    EXPECT_EQ(table.sequence, 1);
    EXPECT_EQ(table.path, "/data/hollin/Hollin.DAT");
    EXPECT_EQ(table.correlationName, "Hollin");
    EXPECT_FALSE(table.inMemory);
    EXPECT_FALSE(query.SeveralTables());

    const char* columns[] = {"FirstName", "LastName", "Event", "EventDate"};
    ASSERT_EQ(query.ResultFields().size(), 4u);
    for (int i = 0; i < 4; ++i) {
        const TResultDataField& f = query.ResultFields()[i];
        EXPECT_FALSE(f.isExpression);
        EXPECT_EQ(f.columnName, columns[i]);
        EXPECT_EQ(f.expression->nodeClass, node::Column);
        EXPECT_EQ(f.aggregate, TAggregateKind::None);
    }
    EXPECT_FALSE(query.Result().hasExpressionColumns);

    ASSERT_TRUE(query.HasCondition());
    const TExpressionNode* where = query.Condition();
    EXPECT_EQ(PrintTree(where), "(= (EXTRACT_MONTH EventDate) ?)");
    EXPECT_EQ(where->nodeClass, node::Binary);
    EXPECT_EQ(where->opCode, op::Eq);
    EXPECT_EQ(where->dataType, dtype::Boolean);
    EXPECT_EQ(where->size, 2);
    EXPECT_EQ(where->joinKind, join_kind::None);
    EXPECT_EQ(where->left->nodeClass, node::Function);
    EXPECT_EQ(where->left->opCode, op::ExtractMonth);
    EXPECT_EQ(where->left->left->columnName, "EventDate");
    ASSERT_EQ(query.Parameters().size(), 1u);
    EXPECT_EQ(query.Parameters()[0], where->right.get());
    EXPECT_TRUE(where->right->isParameter);
    EXPECT_EQ(where->right->nodeClass, node::Constant);
}

TEST(SqlParser, SelectItemsKeepSourceTextsColumnsAndAggregates) {
    TDataQuery query;
    query.Parse("SELECT a, t.b, a\r\n + 1, SUM(c), AVG(t.d), COUNT(*), MAX(c + 1) x FROM t", "/db");
    const auto& f = query.ResultFields();
    ASSERT_EQ(f.size(), 7u);
    struct Expected {
        bool isExpression;
        TAggregateKind aggregate;
        const char* column;
        const char* correlation;
        const char* source;
    };
    const Expected expected[] = {
        {false, TAggregateKind::None, "a", "", "a"},
        {false, TAggregateKind::None, "b", "t", "t.b"},
        {true, TAggregateKind::None, "", "", "a + 1"},
        {true, TAggregateKind::Sum, "c", "", "SUM(c)"},
        {true, TAggregateKind::Avg, "d", "t", "AVG(t.d)"},
        {true, TAggregateKind::Count, "*", "", "COUNT(*)"},
        {true, TAggregateKind::Max, "", "", "MAX(c + 1)"},
    };
    for (std::size_t i = 0; i < f.size(); ++i) {
        EXPECT_EQ(f[i].isExpression, expected[i].isExpression) << i;
        EXPECT_EQ(f[i].aggregate, expected[i].aggregate) << i;
        EXPECT_EQ(f[i].columnName, expected[i].column) << i;
        EXPECT_EQ(f[i].tableCorrelation, expected[i].correlation) << i;
        EXPECT_EQ(f[i].sourceText, expected[i].source) << i;
    }
    EXPECT_EQ(f[6].alias, "x");
    EXPECT_TRUE(query.Result().hasExpressionColumns);
    EXPECT_TRUE(query.Result().hasAverage);
}

TEST(SqlParser, SourceTextLimitIs255Characters) {
    TDataQuery query;
    std::string fits = "'" + std::string(253, 'x') + "'";  // 255 characters
    query.Parse("SELECT " + fits + " FROM t", "/db");
    EXPECT_EQ(query.ResultFields()[0].sourceText.size(), 255u);
    std::string tooLong = "'" + std::string(254, 'x') + "'";
    try {
        query.Parse("SELECT " + tooLong + " FROM t", "/db");
        FAIL() << "no error";
    } catch (const ELarchEngineError& e) {
        EXPECT_STREQ(e.what(),
                     "Larch Engine Error # 11949 SQL - Source column expression exceeds maximum expression length of "
                     "255 characters");
    }
    // Values of INSERT are limited the same way.
    EXPECT_THROW(query.Parse("INSERT INTO t VALUES (" + tooLong + ")", "/db"), ELarchEngineError);
}

TEST(SqlParser, ConstantNodesCarryTypesAndValues) {
    hollin::SetClockForTesting(hollin::MakeDateTime(hollin::EncodeDate(2024, 5, 17), 3723000));
    TDataQuery query;
    auto constant = [&](const std::string& text) -> const TExpressionNode& {
        query.Parse("SELECT a FROM t WHERE x = " + text, "/db");
        return *query.Condition()->right;
    };
    {
        const TExpressionNode& n = constant("'It''s'");
        EXPECT_EQ(n.nodeClass, node::Constant);
        EXPECT_EQ(n.dataType, dtype::String);
        EXPECT_EQ(n.name, "It''s");
        EXPECT_EQ(n.StringValue(), "It's");
        EXPECT_EQ(n.size, 5);
        EXPECT_FALSE(n.isNull);
    }
    {
        const TExpressionNode& n = constant("''");
        EXPECT_EQ(n.dataType, dtype::String);
        EXPECT_TRUE(n.isNull);
    }
    {
        const TExpressionNode& n = constant("2147483647");
        EXPECT_EQ(n.dataType, dtype::Integer);
        EXPECT_EQ(n.size, 4);
        EXPECT_EQ(n.Int32Value(), 2147483647);
    }
    {
        const TExpressionNode& n = constant("2.5E3");
        EXPECT_EQ(n.dataType, dtype::Float);
        EXPECT_EQ(n.size, 8);
        EXPECT_DOUBLE_EQ(n.DoubleValue(), 2500.0);
    }
    {
        const TExpressionNode& n = constant("'false'");
        EXPECT_EQ(n.dataType, dtype::Boolean);
        EXPECT_EQ(n.size, 2);
        EXPECT_EQ(n.Int16Value(), 0);
    }
    {
        const TExpressionNode& n = constant("NULL");
        EXPECT_EQ(n.dataType, dtype::None);
        EXPECT_TRUE(n.isNull);
    }
    {
        const TExpressionNode& n = constant("DATE");
        EXPECT_EQ(n.dataType, dtype::Date);
        EXPECT_EQ(n.Int32Value(), hollin::EncodeDate(2024, 5, 17));
    }
    {
        const TExpressionNode& n = constant("NOW");
        EXPECT_EQ(n.dataType, dtype::Timestamp);
        EXPECT_DOUBLE_EQ(n.DoubleValue(), hollin::EncodeDate(2024, 5, 17) * 86400000.0 + 3723000.0);
    }
    {
        // A quoted constant longer than the value buffer keeps 254 characters.
        const TExpressionNode& n = constant("'" + std::string(300, 'z') + "'");
        EXPECT_EQ(n.size, 255);
        EXPECT_EQ(n.StringValue(), std::string(254, 'z'));
    }
    hollin::SetClockForTesting(std::nullopt);
}

TEST(SqlParser, ParametersAreListedInTextOrder) {
    TDataQuery query;
    query.Parse("UPDATE t SET a = ?, b = -? WHERE c IN (?, ?) AND (d BETWEEN ? AND ? OR e = TRIM(LEADING ? FROM ?))",
                  "/db");
    const auto& p = query.Parameters();
    ASSERT_EQ(p.size(), 8u);
    const auto& values = query.UpdateValues();
    const TExpressionNode* where = query.Condition();
    const TExpressionNode* in = where->left.get();
    const TExpressionNode* between = where->right->left.get();
    const TExpressionNode* trim = where->right->right->right.get();
    const TExpressionNode* expected[] = {values[0].expression.get(), values[1].expression->left.get(),
                                         in->right.get(),            in->right->right.get(),
                                         between->right.get(),       between->right->right.get(),
                                         trim->right.get(),          trim->left.get()};
    for (std::size_t i = 0; i < p.size(); ++i) {
        EXPECT_EQ(p[i], expected[i]) << i;
        EXPECT_TRUE(p[i]->isParameter) << i;
    }
}

TEST(SqlParser, TableNamesResolveAgainstTheDatabaseDirectory) {
    struct PathCase {
        const char* name;
        const char* directory;
        const char* path;
    };
    const PathCase cases[] = {
        {"t", "/db", "/db/t"},           {"t.DAT", "  /db/ ", "/db/t.DAT"}, {"sub/t.DAT", "/db", "sub/t.DAT"},
        {"C:t", "/db", "C:t"},           {"a\\t", "/db", "a\\t"},         {"", "/db", ""},
        {"t", "", "t"},
    };
    for (const PathCase& c : cases) EXPECT_EQ(ResolveTablePath(c.name, c.directory), c.path) << c.name;

    EXPECT_EQ(CorrelationNameOf("/db/Hollin.DAT"), "Hollin");
    EXPECT_EQ(CorrelationNameOf("a.b.c"), "a.b");
    EXPECT_EQ(CorrelationNameOf("dir.x/t"), "t");

    TDataQuery query;
    query.Parse("SELECT a INTO \"out.DAT\" FROM \"/x/y/Events.dat\", MEMORY u JOIN v ON u.k = v.k", "/db");
    const auto& tables = query.SourceTables();
    ASSERT_EQ(tables.size(), 3u);
    EXPECT_EQ(tables[0]->path, "/x/y/Events.dat");
    EXPECT_EQ(tables[0]->correlationName, "Events");
    EXPECT_EQ(tables[1]->path, "/db/u");
    EXPECT_TRUE(tables[1]->inMemory);
    EXPECT_EQ(tables[2]->sequence, 3);
    EXPECT_TRUE(query.SeveralTables());
    EXPECT_EQ(query.Result().resultTablePath, "/db/out.DAT");
}

TEST(SqlParser, RightJoinPutsItsTableFirstKeepingSequenceNumbers) {
    TDataQuery query;
    query.Parse("SELECT a FROM t RIGHT OUTER JOIN u ON t.k = u.k", "/db");
    const auto& tables = query.SourceTables();
    ASSERT_EQ(tables.size(), 2u);
    EXPECT_EQ(tables[0]->correlationName, "u");
    EXPECT_EQ(tables[0]->sequence, 2);
    EXPECT_EQ(tables[1]->sequence, 1);
    EXPECT_EQ(query.Condition()->joinKind, join_kind::RightOuter);
}

TEST(SqlParser, FailedPrepareLeavesNoResultAndPrepareReplacesTheOldOne) {
    TDataQuery query;
    query.Parse("SELECT a, b FROM t WHERE a = ?", "/db");
    query.Parse("DELETE FROM u", "/db");
    EXPECT_EQ(query.Kind(), TStatementKind::Delete);
    EXPECT_TRUE(query.ResultFields().empty());
    EXPECT_TRUE(query.Parameters().empty());
    ASSERT_EQ(query.SourceTables().size(), 1u);

    EXPECT_THROW(query.Parse("SELECT a FROM t WHERE a = ? AND", "/db"), ELarchEngineError);
    EXPECT_EQ(query.Kind(), TStatementKind::None);
    EXPECT_TRUE(query.SourceTables().empty());
    EXPECT_TRUE(query.Parameters().empty());
    EXPECT_EQ(query.Condition(), nullptr);
}

TEST(SqlParser, NumbersThatDoNotConvertRaiseConversionErrors) {
    struct ConvertCase {
        const char* sql;
        const char* message;
    };
    const ConvertCase cases[] = {
        {"SELECT a FROM t WHERE a = 2147483648", "'2147483648' is not a valid integer value"},
        {"SELECT a FROM t WHERE a = 1E", "'1E' is not a valid floating point value"},
        {"SELECT a FROM t WHERE a = 1.2.3", "'1.2.3' is not a valid floating point value"},
        {"SELECT a FROM t ORDER BY 99999999999", "'99999999999' is not a valid integer value"},
    };
    for (const ConvertCase& c : cases) {
        TDataQuery query;
        try {
            query.Parse(c.sql, "/db");
            ADD_FAILURE() << c.sql << ": no error";
        } catch (const hollin::EConvertError& e) {
            EXPECT_STREQ(e.what(), c.message) << c.sql;
        }
    }
}

struct ErrorCase {
    std::string sql;
    std::string detail;  // the text after "SQL - "
};

TEST(SqlParser, BadStatementsRaiseError11949WithExactTexts) {
    const std::vector<ErrorCase> cases = {
        // Lexer.
        {"SELECT a FROM t /* a * b */", "Missing ending comment slash and asterisk in SQL statement"},
        {"SELECT a FROM t WHERE a = 'abc", "Missing single quote after 'abc' in SQL statement"},
        {"SELECT \"abc FROM t", "Missing double quote after 'abc FROM t' in SQL statement"},
        {"SELECT [abc FROM t", "Missing right bracket after 'abc FROM t' in SQL statement"},
        // Statements.
        {"SHOW t", "SELECT, INSERT, UPDATE, or DELETE keyword expected, instead found 'SHOW'"},
        {"", "SELECT, INSERT, UPDATE, or DELETE keyword expected, instead found ''"},
        {"SELECT a AS , b FROM t", "Symbol or string expected after AS keyword, instead found ','"},
        {"SELECT a FROM t AS 1", "Symbol or string expected after AS keyword, instead found '1'"},
        {"SELECT a x.1 FROM t", "Symbol or string expected after table correlation name, instead found '1'"},
        {"SELECT a INTO MEMORY 1 FROM t", "Result table name expected in INTO MEMORY clause, instead found '1'"},
        {"SELECT a INTO 1 FROM t", "Result table name expected in INTO clause, instead found '1'"},
        {"SELECT a b c", "FROM keyword expected, instead found 'c'"},
        {"SELECT a \"FROM\" t", "FROM keyword expected, instead found 't'"},
        {"SELECT a FROM 1", "Table name expected after FROM keyword, instead found '1'"},
        {"SELECT a FROM t JOIN (u) ON a = b", "Table name expected after JOIN keyword, instead found '('"},
        {"SELECT a FROM t JOIN u x WHERE a = 1", "ON keyword expected in JOIN clause, instead found 'WHERE'"},
        {"SELECT a FROM t INNER u", "JOIN keyword expected after INNER keyword, instead found 'u'"},
        {"SELECT a FROM t LEFT OUTER u", "JOIN keyword expected after LEFT or OUTER keyword, instead found 'u'"},
        {"SELECT a FROM t RIGHT u", "JOIN keyword expected after RIGHT or OUTER keyword, instead found 'u'"},
        {"SELECT a FROM t GROUP a", "BY keyword expected after GROUP keyword, instead found 'a'"},
        {"SELECT a FROM t GROUP BY (a)", "Column name or column number expected in GROUP BY clause, instead found '('"},
        {"SELECT a FROM t ORDER a", "BY keyword expected after ORDER keyword, instead found 'a'"},
        {"SELECT a FROM t ORDER BY t.1", "Column name or column number expected in ORDER BY clause, instead found '1'"},
        {"SELECT a FROM t WITH a", "LOCKS keyword expected after WITH keyword, instead found 'a'"},
        {"SELECT a FROM t ENCRYPTED x", "WITH keyword expected after ENCRYPTED keyword, instead found 'x'"},
        {"SELECT a FROM t HAVING a > 1", "End of SELECT statement expected, instead found 'HAVING'"},
        {"SELECT a FROM t;;", "End of SELECT statement expected, instead found ';'"},
        {"SELECT a FROM t WHERE a NOT = 1", "End of SELECT statement expected, instead found 'NOT'"},
        {"INSERT t VALUES (1)", "INTO keyword expected, instead found 't'"},
        {"INSERT INTO (a) VALUES (1)", "Table name expected after INTO clause, instead found '('"},
        {"INSERT INTO MEMORY (a) VALUES (1)", "Table name expected after INTO keyword, instead found '('"},
        {"INSERT INTO t (a, b VALUES (1)", "Right parentheses expected after list of table columns, instead found 'VALUES'"},
        {"INSERT INTO t (a) (1)", "VALUES keyword expected, instead found '('"},
        {"INSERT INTO t VALUES 1", "Left parentheses expected after VALUES keyword, instead found '1'"},
        {"INSERT INTO t VALUES (1, 2", "Right parentheses expected after list of values, instead found ''"},
        {"INSERT INTO t VALUES (1) x", "End of INSERT statement expected, instead found 'x'"},
        {"UPDATE 1 SET a = 1", "Table name expected, instead found '1'"},
        {"UPDATE t x y", "SET keyword expected, instead found 'y'"},
        {"UPDATE t SET a 1", "Assignment (=) operator expected after column name, instead found '1'"},
        {"UPDATE t SET a = 1 b", "End of UPDATE statement expected, instead found 'b'"},
        {"DELETE t", "FROM keyword expected, instead found 't'"},
        {"DELETE FROM (t)", "Table name expected, instead found '('"},
        {"DELETE FROM t WHERE a = 1 x", "End of DELETE statement expected, instead found 'x'"},
        {"SELECT a FROM t JOIN u ON t.k = u.k FULL JOIN v ON u.k = v.k",
         "Full outer joins are currently not supported in Larch SQL SELECT statements"},
        {"SELECT a FROM t, u t", "Duplicate table correlation name 't' found in source tables"},
        {"SELECT a FROM \"dir/T.DAT\" JOIN t ON T.a = t.a", "Duplicate table correlation name 't' found in source tables"},
        {"SELECT a FROM t WHERE 1", "WHERE or JOIN clause must be a boolean expression"},
        {"SELECT a FROM t JOIN u ON -2.5", "WHERE or JOIN clause must be a boolean expression"},
        // Expressions and contexts.
        {"SELECT a FROM t WHERE * = 1", "* (all columns) symbol is not allowed in WHERE or JOIN clause"},
        {"SELECT a FROM t WHERE t.* = 1", "* (all columns) symbol is not allowed in WHERE or JOIN clause"},
        {"UPDATE t SET * = 1", "* (all columns) symbol is not allowed in table columns"},
        {"SELECT t.1 FROM t",
         "Symbol or string expression expected after table correlation name separator '.', instead found '1' in "
         "source columns"},
        {"SELECT ? FROM t", "Parameters are not allowed in source columns"},
        {"INSERT INTO t (?) VALUES (1)", "Parameters are not allowed in table columns"},
        {"SELECT (a FROM t", "Right parentheses expected, instead found 'FROM' in source columns"},
        {"SELECT a FROM t WHERE SUM(a) > 1", "Aggregate functions are not allowed in WHERE or JOIN clause"},
        {"INSERT INTO t VALUES (COUNT(a))", "Aggregate functions are not allowed in values"},
        {"SELECT SUM a FROM t",
         "Left parentheses expectedafter aggregate function 'SUM', instead found 'a' in source columns"},
        {"SELECT COUNT(a b) FROM t",
         "Right parentheses expected after aggregate COUNT function argument, instead found 'b' in source columns"},
        {"SELECT UPPER a FROM t", "Left parentheses expectedafter UPPER keyword, instead found 'a' in source columns"},
        {"SELECT LOWER(a FROM t",
         "Right parentheses expected after LOWER function argument, instead found 'FROM' in source columns"},
        {"SELECT SUBSTRING a FROM t",
         "Left parentheses expected after SUBSTRING keyword, instead found 'a' in source columns"},
        {"SELECT SUBSTRING(a, 1) FROM t",
         "FROM keyword expected after first SUBSTRING function argument, instead found ',' in source columns"},
        {"SELECT SUBSTRING(a FROM 1 2) FROM t",
         "Right parentheses expected after SUBSTRING function arguments, instead found '2' in source columns"},
        {"SELECT TRIM a FROM t", "Left parentheses expected after TRIM keyword, instead found 'a' in source columns"},
        {"SELECT TRIM(' ' FROM a) FROM t",
         "LEADING, TRAILING, or BOTH keyword expected after TRIM keyword, instead found ' ' in source columns"},
        {"SELECT TRIM(BOTH 'x' a) FROM t",
         "FROM keyword expected after second TRIM function argument, instead found 'a' in source columns"},
        {"SELECT TRIM(BOTH 'x' FROM a b) FROM t",
         "Right parentheses expected after TRIM function arguments, instead found 'b' in source columns"},
        {"SELECT EXTRACT MONTH FROM t",
         "Left parentheses expected after EXTRACT keyword, instead found 'MONTH' in source columns"},
        {"SELECT EXTRACT(WEEK FROM d) FROM t",
         "YEAR, MONTH, or DAY keyword expected after EXTRACT keyword, instead found 'WEEK' in source columns"},
        {"SELECT EXTRACT(YEAR d) FROM t",
         "FROM keyword expected after second EXTRACT function argument, instead found 'd' in source columns"},
        {"SELECT a FROM t WHERE EXTRACT(MONTH FROM d + 1) = 5",
         "Right parentheses expected after EXTRACT function arguments, instead found '+' in WHERE or JOIN clause"},
        {"SELECT LENGTH(a) FROM t", "Unknown or unexpected function 'LENGTH' found in source columns"},
        {"SELECT a FROM t WHERE a = )", "Unknown or unexpected symbol ')' found in WHERE or JOIN clause"},
        {"SELECT a FROM t WHERE a IS NOT 1", "Unknown or unexpected symbol '1' found in WHERE or JOIN clause"},
        {"SELECT a | b FROM t",
         "Second concatenation symbol '|' expected after first concatentation symbol, instead found 'b' in source "
         "columns"},
        {"SELECT a LIKE 'x' FROM t",
         "Extended predicate operators (LIKE, BETWEEN, IN, IS NULL) are not allowed in source columns"},
        {"UPDATE t SET a = b IS NULL",
         "Extended predicate operators (LIKE, BETWEEN, IN, IS NULL) are not allowed in values"},
        {"SELECT a FROM t WHERE a BETWEEN 1 OR 2",
         "Expected AND operator in BETWEEN operator, instead found 'OR' in WHERE or JOIN clause"},
        {"SELECT a FROM t WHERE a IN 1",
         "Expected left parentheses after IN operator, instead found '1' in WHERE or JOIN clause"},
        {"SELECT a FROM t WHERE a NOT IN 1",
         "Expected left parentheses for IN operator, instead found '1' in WHERE or JOIN clause"},
        {"SELECT a FROM t WHERE a IN (1, 2",
         "Expected right parentheses after IN operator, instead found '' in WHERE or JOIN clause"},
        {"SELECT a FROM t WHERE a IN ()",
         "You must provide at least one value as an operand of the IN operator  in WHERE or JOIN clause"},
    };
    for (const ErrorCase& c : cases) {
        TDataQuery query;
        try {
            query.Parse(c.sql, "/db");
            ADD_FAILURE() << c.sql << ": no error";
        } catch (const ELarchEngineError& e) {
            EXPECT_EQ(e.ErrorCode(), err::Sql) << c.sql;
            EXPECT_EQ(std::string(e.what()), "Larch Engine Error # 11949 SQL - " + c.detail) << c.sql;
        } catch (const std::exception& e) {
            ADD_FAILURE() << c.sql << ": unexpected " << e.what();
        }
    }
}

TEST(SqlParser, NestingDeeperThanTheLimitIsRefusedWithoutExhaustingTheStack) {
    const std::string tooDeep = "Larch Engine Error # 11949 SQL - Expression exceeds maximum nesting depth of 1000 in "
                                "WHERE or JOIN clause";
    auto nested = [](int n) { return "SELECT a FROM t WHERE " + std::string(n, '(') + "a = 1" + std::string(n, ')'); };
    auto chain = [](int n) {
        std::string sql = "SELECT a FROM t WHERE a = 1";
        for (int i = 0; i < n; ++i) sql += " AND a = 1";
        return sql;
    };
    auto joins = [](int n) {
        std::string sql = "SELECT a FROM t0";
        for (int i = 1; i <= n; ++i)
            sql += " JOIN t" + std::to_string(i) + " ON t" + std::to_string(i - 1) + ".k = t" + std::to_string(i) + ".k";
        return sql;
    };
    auto inList = [](int n) {
        std::string sql = "SELECT a FROM t WHERE a IN (0";
        for (int i = 1; i < n; ++i) sql += "," + std::to_string(i);
        return sql + ")";
    };
    TDataQuery query;
    EXPECT_NO_THROW(query.Parse(inList(1000), "/db"));
    EXPECT_NO_THROW(query.Parse(nested(200), "/db"));
    EXPECT_NO_THROW(query.Parse(chain(900), "/db"));
    EXPECT_NO_THROW(query.Parse(joins(1000), "/db"));
    for (const std::string& sql : {nested(100000), chain(100000), joins(1001), inList(1001), inList(300000)}) {
        try {
            query.Parse(sql, "/db");
            ADD_FAILURE() << "no error";
        } catch (const ELarchEngineError& e) {
            EXPECT_EQ(std::string(e.what()), tooDeep);
        }
    }
}

TEST(SqlParser, LongMessagesAreCutTo127Characters) {
    TDataQuery query;
    std::string rest(200, 'a');
    try {
        query.Parse("SELECT a FROM t WHERE a = '" + rest, "/db");
        FAIL() << "no error";
    } catch (const ELarchEngineError& e) {
        std::string entry = ("SQL - Missing single quote after '" + rest + "' in SQL statement").substr(0, 127);
        EXPECT_EQ(e.EntryMessage(), entry);
        EXPECT_EQ(std::string(e.what()), "Larch Engine Error # 11949 " + entry);
    }
}

}  // namespace
}  // namespace larch
