// TFilterList: the filters of one open data file, the set of records in use,
// the set of the active key range, and the combined set the cursor visits
// and counts.
//
// Combined set = records in use AND (range set, while a key range is
// active) AND the set of every active filter. The list keeps its sets
// matching the table: the owner reports records it wrote or deleted, and a
// change by another user (TableChanged) makes every set stale until Refresh
// rebuilds them. A build that sees the table change starts again.
//
// Errors: 9482 when a 129th filter is added, 10050 for a filter that is not
// in the list, 10051 for an add with nothing to build from or a filter
// buffer that does not decode; the decoder's and evaluator's errors pass.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "engine/data/data_file.h"
#include "query/filter/filter.h"

namespace larch {

class TFilterList {
public:
    static constexpr std::size_t kMaxFilters = 128;

    // The file must stay open while the list lives.
    explicit TFilterList(TDataFile& file);
    ~TFilterList();
    TFilterList(const TFilterList&) = delete;
    TFilterList& operator=(const TFilterList&) = delete;

    // New filters are inactive. A buffer is decoded against the file's
    // fields; a tree must be typed, its columns bound by field number;
    // `coverageCheck` applies the 90 % rule of pushed-down conditions.
    TFilter* AddBuffer(const std::vector<uint8_t>& buffer);
    TFilter* AddTree(std::unique_ptr<TExpressionNode> tree, bool coverageCheck = false);
    TFilter* AddCallback(TFilter::Callback callback);

    void Remove(TFilter* filter);
    void RemoveAll();
    // Activating builds the filter's set, then the combined set.
    void Activate(TFilter* filter);
    void ActivateAll();
    void Deactivate(TFilter* filter);
    void DeactivateAll();
    // New expression for an expression filter (10050 for a callback
    // filter); an active filter is built again.
    void SetBuffer(TFilter* filter, const std::vector<uint8_t>& buffer);
    void SetTree(TFilter* filter, std::unique_ptr<TExpressionNode> tree, bool coverageCheck = false);

    std::size_t Size() const { return m_filters.size(); }
    bool Contains(const TFilter* filter) const;
    bool AnyActive() const;

    // The active index's key range changed (set, cancelled, other index).
    void RangeChanged();

    // Keeping the sets current. A record the owner inserted or updated is
    // tested against every active filter; a deleted one leaves every set.
    void RecordWritten(uint32_t number, const uint8_t* image);
    void RecordDeleted(uint32_t number);
    // Another user changed the table: every set is stale.
    void TableChanged();
    bool Stale() const { return m_stale; }
    // Rebuilds the stale sets (under the file's read locks).
    void Refresh();

    // Valid while a filter is active and the list is not stale.
    const RecordSet& Combined() const { return m_combined; }
    uint32_t Count() const { return m_count; }

    // Records read to build sets since the list was made.
    uint64_t RecordReads() const { return m_reads; }

private:
    TFilter* Add(std::unique_ptr<TFilter> filter);
    std::vector<std::unique_ptr<TFilter>>::iterator Find(const TFilter* filter);
    void Check(const TFilter* filter) const;
    // Builds the base set, the range set and the sets of `only` (or of every
    // active filter), then the combined set; again while the table changes.
    void Build(TFilter* only);
    void BuildOnce(TFilter* only);
    void BuildRange();
    void Combine();
    bool InRange(const uint8_t* image) const;

    TDataFile& m_file;
    std::vector<std::unique_ptr<TFilter>> m_filters;
    RecordSet m_existing;
    RecordSet m_range;
    bool m_hasRange = false;
    bool m_rangeStale = true;
    RecordSet m_combined;
    uint32_t m_count = 0;
    bool m_stale = true;        // the base and range sets must be built again
    uint64_t m_generation = 0;  // + 1 at every reported change of the table
    uint64_t m_reads = 0;
};

}  // namespace larch
