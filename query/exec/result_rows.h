// Filling a canned result table row by row: plain columns copied from the
// source records (blobs into the result's blob file), expression columns
// evaluated, equal rows dropped under DISTINCT, groups found and their
// aggregates accumulated, AVG divided by its count at the end.
#pragma once

#include <cstdint>
#include <map>
#include <vector>

#include "engine/data/data_file.h"
#include "query/expr/expression_eval.h"
#include "query/sql/parse_result.h"
#include "query/exec/result_table.h"

namespace larch {

class TResultRowWriter {
public:
    // `result` is the open, writable result table of `layout`; `items` the
    // result columns (column i is field i + 2). The source tables' current
    // records are read through `provider` and the columns' source tables.
    TResultRowWriter(TDataFile& result, const TResultTableLayout& layout, const std::vector<TResultDataField>& items,
                     bool pureAggregate, ColumnProvider provider, CompareLanguage language);

    // One passing row combination.
    void AddRow();
    // The one row of a pure aggregate statement with COUNT(*) = `count`.
    void AddCount(uint32_t count);
    // Adds the pure aggregate row and divides every AVG by its count (NULL
    // when it counted no value).
    void Finish();

private:
    struct PendingBlob {
        const FieldDescriptor* field;
        std::vector<uint8_t> bytes;
    };

    const FieldDescriptor& FieldOf(std::size_t column) const { return m_result.Fields()[column + 1]; }
    // The row's values: plain columns into `image` (blobs into `blobs`),
    // expressions evaluated into `values`, non-aggregates stored.
    void BuildRow(std::vector<uint8_t>& image, std::vector<TExpressionNode>& values, std::vector<PendingBlob>& blobs);
    // Every aggregate column empty: COUNT 0, the others NULL.
    void StartAggregates(std::vector<uint8_t>& image, std::vector<int64_t>& counts);
    void Accumulate(std::vector<uint8_t>& image, const std::vector<TExpressionNode>& values,
                    std::vector<int64_t>& counts);
    void DivideAverages(std::vector<uint8_t>& image, const std::vector<int64_t>& counts);
    uint32_t Insert(std::vector<uint8_t>& image, std::vector<PendingBlob>& blobs);
    void Store(std::size_t column, const TExpressionNode& value, std::vector<uint8_t>& image);

    TDataFile& m_result;
    const TResultTableLayout& m_layout;
    const std::vector<TResultDataField>& m_items;
    bool m_pureAggregate;
    ColumnProvider m_provider;
    CompareLanguage m_language;
    std::vector<std::size_t> m_averages;  // columns of AVG, in order
    // The pure aggregate row, kept until Finish.
    std::vector<uint8_t> m_single;
    std::vector<int64_t> m_singleCounts;
    // AVG counts of every group row, by record number.
    std::map<uint32_t, std::vector<int64_t>> m_counts;
};

}  // namespace larch
