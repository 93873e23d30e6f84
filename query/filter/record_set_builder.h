// Building filter record sets: the index verdicts of an expression tree, the
// record sets of index ranges for the conditions an index can answer, and
// record-by-record evaluation for the rest.
//
// A node the index can answer (verdict 0) is a comparison of a column (or
// UPPER of a column) with a constant, a comparison with options, "is blank"
// and "is not blank", IN, NOT IN, BETWEEN and NOT BETWEEN over a column whose
// index (the primary, then the secondary indexes in order) has the column as
// its first, ascending field, with the comparison's case sensitivity for
// strings; the constants must be representable in the field's key. Keys are
// read by position ranges; records are read only for verdict 2, and inside an
// AND only those that survived the side before, which is placed first.
//
// The sets agree with the evaluator record for record: "=" of two NULLs is
// true, "<>" with one NULL is true, and the ordering comparisons take a NULL
// field as its zero value, so blank keys belong to "<" and "<=" exactly when
// the zero value passes (for texts and dates: always; ">" and ">=": never).
#pragma once

#include <cstdint>

#include "engine/data/data_file.h"
#include "query/expr/expression_eval.h"
#include "query/filter/filter.h"

namespace larch {

// Sets the index verdict of every node taking part in set building and puts
// the more usable side of every AND first; returns the root's verdict. With
// `coverageCheck` (a condition pushed down by a query) a usable node below
// AND, OR or NOT whose keys cover more than 90 % of the records gets 2. Reads
// index pages only for the coverage check; the caller holds the read locks.
uint8_t AssignVerdicts(TExpressionNode& root, TDataFile& file, bool coverageCheck);

// The number of records that pass `root` when the keys of one index answer
// it (a comparison, or AND, OR and NOT of comparisons on the same index),
// taken from the subtree counts of the index without visiting its keys;
// false when no single index answers it. The caller holds the read locks.
bool CountFromIndex(const TExpressionNode& root, TDataFile& file, uint32_t& count);

class RecordSetBuilder {
public:
    explicit RecordSetBuilder(TDataFile& file);

    // The records in use: from "Sys Deleted", or for a table without primary
    // index from the status byte of every record.
    RecordSet ExistingRecords();
    // Takes a set of the records in use already known to the caller.
    void UseExistingRecords(const RecordSet& existing) {
        m_existing = existing;
        m_existingKnown = true;
    }
    // The records of `base` that pass the tree (verdicts assigned before).
    RecordSet Build(const TExpressionNode& root, const RecordSet& base);
    // The records of `base` the callback accepts, read in physical order.
    RecordSet Build(const TFilter::Callback& callback, const RecordSet& base);
    // Whether one record image passes the tree.
    bool Passes(const TExpressionNode& root, const uint8_t* image) const;

    // Records read so far by this builder.
    uint64_t RecordReads() const { return m_reads; }

private:
    RecordSet Narrow(const TExpressionNode& node, const RecordSet& current);
    RecordSet Scan(const std::function<bool(const uint8_t*, uint32_t)>& test, const RecordSet& current);

    TDataFile& m_file;
    CompareLanguage m_language;
    RecordSet m_existing;
    bool m_existingKnown = false;
    uint64_t m_reads = 0;
};

}  // namespace larch
