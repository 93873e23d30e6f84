// TFilterList: adding, activating and removing filters, building their
// record sets and keeping them current.
#include "query/filter/filter_list.h"

#include <algorithm>

#include "engine/files/engine_error.h"
#include "engine/index/index_key.h"
#include "engine/data/larch_scopes.h"
#include "query/filter/filter_buffer.h"
#include "query/filter/record_set_builder.h"

namespace larch {

namespace {

// A build that keeps seeing the table change gives up restarting after this
// many attempts; its last result matches the table as its read locks saw it.
constexpr int kMaxBuildAttempts = 16;

}  // namespace

TFilterList::TFilterList(TDataFile& file) : m_file(file) {}

TFilterList::~TFilterList() = default;

TFilter* TFilterList::Add(std::unique_ptr<TFilter> filter) {
    if (m_filters.size() >= kMaxFilters) RaiseEngineError(err::TooManyFilters, m_file.FileName());
    m_filters.push_back(std::move(filter));
    return m_filters.back().get();
}

TFilter* TFilterList::AddBuffer(const std::vector<uint8_t>& buffer) {
    if (buffer.empty()) RaiseEngineError(err::InvalidFilterExpression, m_file.FileName());
    if (m_filters.size() >= kMaxFilters) RaiseEngineError(err::TooManyFilters, m_file.FileName());
    return AddTree(DecodeFilterBuffer(buffer, m_file.Fields(), m_file.FileName()), false);
}

TFilter* TFilterList::AddTree(std::unique_ptr<TExpressionNode> tree, bool coverageCheck) {
    if (!tree) RaiseEngineError(err::InvalidFilterExpression, m_file.FileName());
    if (m_filters.size() >= kMaxFilters) RaiseEngineError(err::TooManyFilters, m_file.FileName());
    auto filter = std::make_unique<TFilter>();
    filter->m_kind = TFilter::Kind::Expression;
    filter->m_coverageCheck = coverageCheck;
    {
        ReadScope read(m_file);
        filter->m_verdict = AssignVerdicts(*tree, m_file, coverageCheck);
    }
    filter->m_tree = std::move(tree);
    return Add(std::move(filter));
}

TFilter* TFilterList::AddCallback(TFilter::Callback callback) {
    if (!callback) RaiseEngineError(err::InvalidFilterExpression, m_file.FileName());
    auto filter = std::make_unique<TFilter>();
    filter->m_kind = TFilter::Kind::Callback;
    filter->m_callback = std::move(callback);
    filter->m_verdict = verdict::None;
    return Add(std::move(filter));
}

std::vector<std::unique_ptr<TFilter>>::iterator TFilterList::Find(const TFilter* filter) {
    return std::find_if(m_filters.begin(), m_filters.end(), [filter](const auto& f) { return f.get() == filter; });
}

bool TFilterList::Contains(const TFilter* filter) const {
    return filter != nullptr &&
           std::any_of(m_filters.begin(), m_filters.end(), [filter](const auto& f) { return f.get() == filter; });
}

void TFilterList::Check(const TFilter* filter) const {
    if (!Contains(filter)) RaiseEngineError(err::InvalidFilterHandle, m_file.FileName());
}

bool TFilterList::AnyActive() const {
    return std::any_of(m_filters.begin(), m_filters.end(), [](const auto& f) { return f->m_active; });
}

void TFilterList::Remove(TFilter* filter) {
    Check(filter);
    m_filters.erase(Find(filter));
    Combine();
}

void TFilterList::RemoveAll() {
    m_filters.clear();
    Combine();
}

void TFilterList::Activate(TFilter* filter) {
    Check(filter);
    filter->m_active = true;
    try {
        Build(filter);
    } catch (...) {
        filter->m_active = false;
        filter->m_set.clear();
        Combine();
        throw;
    }
}

void TFilterList::ActivateAll() {
    for (auto& filter : m_filters) filter->m_active = true;
    try {
        Build(nullptr);
    } catch (...) {
        for (auto& filter : m_filters) {
            filter->m_active = false;
            filter->m_set.clear();
        }
        Combine();
        throw;
    }
}

void TFilterList::Deactivate(TFilter* filter) {
    Check(filter);
    filter->m_active = false;
    filter->m_set.clear();
    Combine();
}

void TFilterList::DeactivateAll() {
    for (auto& filter : m_filters) {
        filter->m_active = false;
        filter->m_set.clear();
    }
    Combine();
}

void TFilterList::SetBuffer(TFilter* filter, const std::vector<uint8_t>& buffer) {
    Check(filter);
    if (buffer.empty()) RaiseEngineError(err::InvalidFilterExpression, m_file.FileName());
    SetTree(filter, DecodeFilterBuffer(buffer, m_file.Fields(), m_file.FileName()), false);
}

void TFilterList::SetTree(TFilter* filter, std::unique_ptr<TExpressionNode> tree, bool coverageCheck) {
    Check(filter);
    if (filter->m_kind != TFilter::Kind::Expression) RaiseEngineError(err::InvalidFilterHandle, m_file.FileName());
    if (!tree) RaiseEngineError(err::InvalidFilterExpression, m_file.FileName());
    {
        ReadScope read(m_file);
        filter->m_verdict = AssignVerdicts(*tree, m_file, coverageCheck);
    }
    filter->m_tree = std::move(tree);
    filter->m_coverageCheck = coverageCheck;
    if (filter->m_active) Activate(filter);
}

void TFilterList::RangeChanged() {
    m_rangeStale = true;
    if (AnyActive() && !m_stale) {
        ReadScope read(m_file);
        BuildRange();
        Combine();
    }
}

void TFilterList::TableChanged() {
    m_stale = true;
    ++m_generation;
}

void TFilterList::Refresh() {
    if (!AnyActive()) return;
    if (m_stale) {
        Build(nullptr);
    } else if (m_rangeStale) {
        ReadScope read(m_file);
        BuildRange();
        Combine();
    }
}

void TFilterList::Build(TFilter* only) {
    for (int attempt = 1;; ++attempt) {
        ReadScope read(m_file);  // its change check may report a change first
        const uint64_t generation = m_generation;
        BuildOnce(only);
        if (generation == m_generation || attempt == kMaxBuildAttempts) return;
        m_stale = true;  // the table changed meanwhile: everything again
        only = nullptr;
    }
}

void TFilterList::BuildOnce(TFilter* only) {
    const bool all = m_stale || only == nullptr;
    RecordSetBuilder builder(m_file);
    if (m_stale) {
        m_existing = builder.ExistingRecords();
        m_rangeStale = true;
    } else {
        builder.UseExistingRecords(m_existing);
    }
    if (m_rangeStale) BuildRange();
    for (auto& filter : m_filters) {
        if (!filter->m_active || (!all && filter.get() != only)) continue;
        if (filter->m_kind == TFilter::Kind::Callback) {
            filter->m_set = builder.Build(filter->m_callback, m_existing);
        } else {
            filter->m_verdict = AssignVerdicts(*filter->m_tree, m_file, filter->m_coverageCheck);
            filter->m_set = builder.Build(*filter->m_tree, m_existing);
        }
    }
    m_reads += builder.RecordReads();
    m_stale = false;
    Combine();
}

void TFilterList::BuildRange() {
    TIndexFile& index = m_file.Index();
    m_hasRange = index.HasRange();
    m_range.clear();
    if (m_hasRange) {
        const int slot = index.ActiveSlot();
        const auto& start = index.RangeStartKey();
        const auto& end = index.RangeEndKey();
        m_range = MakeRecordSet(m_file.Header().nextRecordNumber);
        if (CompareKeys(start.data(), end.data(), start.size()) <= 0) {
            uint32_t first = index.CountKeysBelow(slot, start.data()) + 1;
            uint32_t last = index.CountKeysUpTo(slot, end.data());
            index.ForEachRecordAt(slot, first, last, [this](uint32_t n) { AddRecord(m_range, n); });
        }
    }
    m_rangeStale = false;
}

void TFilterList::Combine() {
    m_combined = m_existing;
    if (m_hasRange) IntersectWith(m_combined, m_range);
    for (const auto& filter : m_filters) {
        if (filter->m_active) IntersectWith(m_combined, filter->m_set);
    }
    m_count = CountRecords(m_combined);
}

bool TFilterList::InRange(const uint8_t* image) const {
    TIndexFile& index = m_file.Index();
    const auto& start = index.RangeStartKey();
    const auto& end = index.RangeEndKey();
    std::vector<uint8_t> key = m_file.KeyOf(index.ActiveSlot(), image);
    if (key.size() != start.size() || key.size() != end.size()) return false;
    return CompareKeys(start.data(), key.data(), key.size()) <= 0 && CompareKeys(key.data(), end.data(), key.size()) <= 0;
}

void TFilterList::RecordWritten(uint32_t number, const uint8_t* image) {
    if (m_stale || number == 0) return;
    AddRecord(m_existing, number);
    if (m_hasRange && !m_rangeStale) {
        if (InRange(image)) {
            AddRecord(m_range, number);
        } else {
            RemoveRecord(m_range, number);
        }
    }
    RecordSetBuilder builder(m_file);
    bool passes = true;
    for (auto& filter : m_filters) {
        if (!filter->m_active) continue;
        bool accepted = filter->m_kind == TFilter::Kind::Callback ? filter->m_callback(image, number)
                                                                 : builder.Passes(*filter->m_tree, image);
        if (accepted) {
            AddRecord(filter->m_set, number);
        } else {
            RemoveRecord(filter->m_set, number);
        }
        passes = passes && accepted;
    }
    passes = passes && (!m_hasRange || HasRecord(m_range, number));
    const bool had = HasRecord(m_combined, number);
    if (passes && !had) {
        AddRecord(m_combined, number);
        ++m_count;
    } else if (!passes && had) {
        RemoveRecord(m_combined, number);
        --m_count;
    }
}

void TFilterList::RecordDeleted(uint32_t number) {
    if (m_stale || number == 0) return;
    RemoveRecord(m_existing, number);
    RemoveRecord(m_range, number);
    for (auto& filter : m_filters) RemoveRecord(filter->m_set, number);
    if (HasRecord(m_combined, number)) {
        RemoveRecord(m_combined, number);
        --m_count;
    }
}

}  // namespace larch
