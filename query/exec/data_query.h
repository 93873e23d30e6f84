// TDataQuery: the statement object behind a query. It parses one SQL
// statement (SELECT, INSERT, UPDATE or DELETE) into its parse result.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include <cstdint>
#include <functional>

#include "query/sql/expression_parser.h"
#include "query/sql/larch_params.h"
#include "query/sql/parse_result.h"

namespace larch {

// A table name as a data file path: a name that is empty or contains ":",
// "\" or "/" is used unchanged; any other name is put into the database
// directory (blanks around the directory removed, a "/" added when missing).
// With an empty directory the name is used unchanged.
std::string ResolveTablePath(std::string_view name, std::string_view databaseDirectory);

// Settings the query component copies into the statement before preparing.
struct TQuerySettings {
    bool requestLive = false;  // the writable flag: forced on for INSERT/UPDATE/DELETE, off with INTO
    uint8_t lockRetryCount = 15;
    uint16_t lockWaitTime = 100;
    bool strictChangeDetection = false;
    std::string privateDir;  // folder of temporary result tables; empty: the current folder
    // Progress of a canned result or a data change: records of the first
    // source table visited so far, percent done; set abort to stop.
    std::function<void(uint32_t currentRecord, int percentDone, bool& abort)> progress;
};

// One column of a live result: a field of the source table under its result
// name, or an expression evaluated for each record (fieldNumber 0).
struct TLiveColumn {
    std::string name;
    uint16_t fieldNumber = 0;
    const TExpressionNode* expression = nullptr;
};

class TDataQuery {
public:
    TDataQuery();
    ~TDataQuery();
    TDataQuery(const TDataQuery&) = delete;
    TDataQuery& operator=(const TDataQuery&) = delete;

    void SetSettings(const TQuerySettings& settings) { m_settings = settings; }
    const TQuerySettings& Settings() const { return m_settings; }

    // Gives the "?" markers the values of `params` in order ("No value for
    // parameter '%s'" when one has no engine type; 11949 "Internal parameter
    // error" when there are more values than markers).
    void BindParameters(const TLarchParams& params);
    // Runs the prepared statement with the bound values: a live SELECT gets
    // its working condition; a canned SELECT fills its result table; INSERT,
    // UPDATE and DELETE change the target table and count the rows.
    void Execute();
    // Closes the source tables and removes temporary result tables.
    void Unprepare();

    bool IsLive() const;
    // Live: the source table, the index slot to show it in (0: primary), the
    // typed working condition (null: none) and the result columns.
    std::string LiveTablePath() const;
    int MatchingIndex() const;
    const TExpressionNode* LiveCondition() const;
    const std::vector<TLiveColumn>& LiveColumns() const;
    // Canned: the result table's data file (closed after Execute).
    std::string ResultTablePath() const;
    // Whether that table is a temporary one of this statement's own.
    bool ResultIsTemporary() const;
    uint32_t ResultRecordCount() const;
    // INSERT, UPDATE, DELETE: the rows changed.
    uint32_t AffectedRows() const;

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
    TQuerySettings m_settings;
    // The analysis and execution state (query_analysis.cpp and the execute
    // files) lives behind this pointer, so that the parser stays small.
    struct Execution;
    std::unique_ptr<Execution> m_execution;
};

}  // namespace larch
