// The analysis and execution state of a statement object (TDataQuery): the
// opened source tables, the result of the analysis, the result table and
// the counts of the last execution.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "engine/data/data_file.h"
#include "query/exec/data_query.h"
#include "query/filter/filter_list.h"
#include "query/exec/join_links.h"
#include "query/exec/result_table.h"

namespace larch {

struct TDataQuery::Execution {
    explicit Execution(TDataQuery& owner) : query(owner) {}
    ~Execution();
    Execution(const Execution&) = delete;
    Execution& operator=(const Execution&) = delete;

    // ---- query_analysis.cpp
    // The analysis of the parse result (SELECT) or of the target columns and
    // values (INSERT, UPDATE); opens the source tables and, for a canned
    // SELECT, creates the result table.
    void Analyse();
    void OpenSources();
    void AnalyseSelect();
    void ResolveOrderAndGroup();
    void MatchIndex();
    void AnalyseTargets();
    void CheckCondition();
    void CreateResult();

    // ---- query_execution.cpp
    void Bind(const TLarchParams& params);
    void Execute();
    // Closes the source tables and deletes a temporary result table; never throws.
    void Release() noexcept;

    // ---- select_executor.cpp
    void ExecuteSelect(std::unique_ptr<TExpressionNode> working);

    // ---- dml_executor.cpp
    void ExecuteInsert();
    void ExecuteChange(std::unique_ptr<TExpressionNode> working, bool deleting);

    // The typed INSERT or UPDATE values (context "update values").
    std::vector<std::unique_ptr<TExpressionNode>> TypedValues() const;

    // Helpers shared by the files above.
    std::vector<TSourceDataFile*> Tables() const;
    ColumnResolver Resolver() const;
    ColumnProvider Provider() const;
    // The WHERE condition of the parse result typed again (null: none).
    std::unique_ptr<TExpressionNode> TypedCondition() const;
    void RemoveFilters() noexcept;

    TDataQuery& query;
    bool analysed = false;
    bool writable = false;
    bool distinct = false;
    bool grouped = false;        // GROUP BY, or every result column an aggregate
    bool pureAggregate = false;  // every result column an aggregate: one row
    bool live = false;
    int matchingIndex = 0;

    // Per source table in join order: the open data file, its filters and
    // the image of its current record.
    std::vector<std::unique_ptr<TDataFile>> files;
    std::vector<std::unique_ptr<TFilterList>> filters;
    std::vector<std::vector<uint8_t>> records;

    std::vector<std::string> resultNames;
    std::vector<int> orderColumns;  // result column positions (0-based)
    std::vector<bool> orderDescending;
    std::vector<int> groupColumns;
    std::vector<TLiveColumn> liveColumns;
    std::unique_ptr<TExpressionNode> liveCondition;

    // INSERT and UPDATE: the field number of every target column.
    std::vector<uint16_t> targetFields;

    TResultTableLayout layout;
    std::string resultPath;
    bool resultTemporary = false;
    bool resultCreated = false;

    uint32_t resultCount = 0;
    uint32_t affectedRows = 0;
};

}  // namespace larch
