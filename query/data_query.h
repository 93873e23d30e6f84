// TDataQuery: the statement object behind a query. It parses one SQL
// statement (SELECT, INSERT, UPDATE or DELETE) into its parse result.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "query/expression_parser.h"
#include "query/parse_result.h"

namespace larch {

// A table name as a data file path: a name that is empty or contains ":",
// "\" or "/" is used unchanged; any other name is put into the database
// directory (blanks around the directory removed, a "/" added when missing).
// With an empty directory the name is used unchanged.
std::string ResolveTablePath(std::string_view name, std::string_view databaseDirectory);

class TDataQuery {
public:
    // Clears the previous parse result and parses `text`. (The analysis of
    // the parse result follows here once it exists.) Throws as Parse().
    void Prepare(std::string_view text, std::string_view databaseDirectory);

    // Clears the previous parse result and runs the statement grammar.
    // Throws ELarchEngineError 11949 ("SQL - " + text, cut to 127) for a
    // statement the grammar refuses, hollin::EConvertError for a number that
    // does not convert. After a failure the parse result is empty.
    void Parse(std::string_view text, std::string_view databaseDirectory);

    // Frees the parse result.
    void Clear();

    const TParseResult& Result() const { return m_result; }
    // For the analysis, which types the trees in place.
    TParseResult& MutableResult() { return m_result; }

    TStatementKind Kind() const { return m_result.kind; }
    bool Distinct() const { return m_result.distinct; }
    const std::vector<TResultDataField>& ResultFields() const { return m_result.resultFields; }
    const std::vector<std::unique_ptr<TSourceDataFile>>& SourceTables() const { return m_result.sourceTables; }
    bool SeveralTables() const { return m_result.severalTables; }
    const TExpressionNode* Condition() const { return m_result.condition.get(); }
    bool HasCondition() const { return m_result.hasCondition; }
    const std::vector<TGroupByDataField>& GroupBy() const { return m_result.groupBy; }
    const std::vector<TOrderByDataField>& OrderBy() const { return m_result.orderBy; }
    bool OrderNoCase() const { return m_result.orderNoCase; }
    bool WithLocks() const { return m_result.withLocks; }
    bool Encrypted() const { return m_result.encrypted; }
    const std::string& Password() const { return m_result.password; }
    const std::vector<TUpdateDataField>& UpdateFields() const { return m_result.updateFields; }
    const std::vector<TUpdateDataValue>& UpdateValues() const { return m_result.updateValues; }
    const std::vector<TExpressionNode*>& Parameters() const { return m_result.parameters; }
    const std::string& DatabaseDirectory() const { return m_databaseDirectory; }

private:
    // The statement grammar (sql_statement_parser.cpp).
    void ParseStatement();

    TExpressionParser m_parser;
    TParseResult m_result;
    std::string m_databaseDirectory;
};

}  // namespace larch
