// TLarchDataSet: the text filter (Filter, FilterOptions), the callback filter
// of OnFilterRecord, Filtered, and the record sets the index navigates by.
//
// The filters live in the data file's filter list from the first navigation
// after Open until Close. While Filtered is true they are active and the
// index skips records outside their combined set.
#include <cstring>

#include "dataset/dataset_errors.h"
#include "engine/cursor/larch_dataset.h"
#include "engine/data/larch_scopes.h"
#include "query/filter/filter_buffer.h"

namespace larch {

using namespace hollin;

namespace {

bool SameOptions(TFilterOptions a, TFilterOptions b) {
    return a.caseInsensitive == b.caseInsensitive && a.noPartialCompare == b.noPartialCompare;
}

}  // namespace

void TLarchDataSet::CreateFilterList() {
    m_filters = std::make_unique<TFilterList>(*m_file);
    m_textFilter = m_callbackFilter = m_conditionFilter = nullptr;
    m_filtersPrepared = false;
    // Another user's change (seen by a change check) leaves every set stale.
    m_file->SetOnTableChanged([this] {
        if (m_filters) m_filters->TableChanged();
    });
}

void TLarchDataSet::AttachCursorCondition() {
    std::unique_ptr<TExpressionNode> condition = CursorCondition();
    if (!condition) return;
    ReadScope read(*m_file);
    TFilter* filter = m_filters->AddTree(std::move(condition));
    try {
        m_filters->Activate(filter);
    } catch (...) {
        m_filters->Remove(filter);
        throw;
    }
    m_conditionFilter = filter;
    UpdateFilterBitmap();
}

void TLarchDataSet::DeactivateUserFilters() {
    if (m_textFilter) m_filters->Deactivate(m_textFilter);
    if (m_callbackFilter) m_filters->Deactivate(m_callbackFilter);
}

void TLarchDataSet::DropFilterList() {
    if (m_file) {
        m_file->SetOnTableChanged(nullptr);
        m_file->Index().SetFilterBitmap(nullptr);
    }
    m_filters.reset();
    m_textFilter = m_callbackFilter = m_conditionFilter = nullptr;
    m_filtersPrepared = false;
}

FilterFieldLookup TLarchDataSet::CursorFieldLookup() {
    return [this](const std::string& name) {
        TField& field = FieldByName(name);  // "Field '%s' not found"
        FilterField result;
        result.name = field.FieldName();
        if (field.Calculated() || IsComputed(field)) {
            result.usable = false;
            return result;
        }
        const FieldDescriptor& d = DescriptorOf(field);
        result.number = d.number;
        result.name = d.name;
        result.physType = d.physType;
        result.subType = d.subType;
        result.size = d.size;
        result.scale = d.scale;
        return result;
    };
}

TFilter* TLarchDataSet::BuildTextFilter(const std::string& text, TFilterOptions options) {
    if (text.empty()) return nullptr;
    std::vector<uint8_t> buffer = BuildFilterBuffer(text, options, CursorFieldLookup());
    return m_filters->AddBuffer(buffer);
}

bool TLarchDataSet::AcceptsRecord(const uint8_t* image) {
    TFilterRecordEvent handler = OnFilterRecord;
    if (!handler) return true;
    // The handler reads the candidate through the fields, from a buffer of
    // the cursor's layout. An exception it raises goes to
    // OnFilterRecordError; the accept flag keeps the value it had then.
    std::vector<uint8_t> buffer(GetRecordBufferSize(), 0);
    std::memcpy(buffer.data(), image, m_imageSize);
    OnFilterRecord = [&](TDataSet& dataSet, bool& accept) {
        try {
            handler(dataSet, accept);
        } catch (...) {
            if (OnFilterRecordError) OnFilterRecordError(std::current_exception());
        }
    };
    bool accepted = true;
    try {
        accepted = AcceptedByFilterEvent(buffer.data());
    } catch (...) {
        OnFilterRecord = handler;
        throw;
    }
    OnFilterRecord = handler;
    return accepted;
}

void TLarchDataSet::ReplaceCallbackFilter() {
    if (m_callbackFilter) {
        m_filters->Remove(m_callbackFilter);
        m_callbackFilter = nullptr;
    }
    if (!OnFilterRecord) return;
    TFilter* filter = m_filters->AddCallback([this](const uint8_t* image, uint32_t) { return AcceptsRecord(image); });
    try {
        if (Filtered()) m_filters->Activate(filter);
    } catch (...) {
        m_filters->Remove(filter);
        throw;
    }
    m_callbackFilter = filter;
}

// The text and callback filters are active only while Filtered; the cursor
// condition always is.
bool TLarchDataSet::FilterActive() const { return m_filters && m_filters->AnyActive(); }

void TLarchDataSet::UpdateFilterBitmap() {
    if (!m_file) return;
    IndexFile().SetFilterBitmap(FilterActive() ? &m_filters->Combined() : nullptr);
}

bool TLarchDataSet::RecordPasses(uint32_t number) const {
    return !FilterActive() || HasRecord(m_filters->Combined(), number);
}

void TLarchDataSet::PrepareFilters() {
    if (!m_filters) return;
    ReadScope read(*m_file);
    if (!m_filtersPrepared) {
        m_filtersPrepared = true;
        try {
            m_textFilter = BuildTextFilter(Filter(), FilterOptions());
            if (m_textFilter && Filtered()) m_filters->Activate(m_textFilter);
            ReplaceCallbackFilter();
        } catch (...) {
            if (m_textFilter) m_filters->Remove(m_textFilter);
            if (m_callbackFilter) m_filters->Remove(m_callbackFilter);
            m_textFilter = m_callbackFilter = nullptr;
            m_filtersPrepared = false;
            UpdateFilterBitmap();
            throw;
        }
    }
    if (static_cast<bool>(OnFilterRecord) != (m_callbackFilter != nullptr)) ReplaceCallbackFilter();
    m_filters->Refresh();
    UpdateFilterBitmap();
}

void TLarchDataSet::ReplaceTextFilter(const std::string& text, TFilterOptions options) {
    PrepareFilters();
    // The new filter is built before the old one goes: a failure keeps it.
    TFilter* fresh = BuildTextFilter(text, options);
    try {
        if (fresh && Filtered()) m_filters->Activate(fresh);
    } catch (...) {
        m_filters->Remove(fresh);
        throw;
    }
    if (m_textFilter) m_filters->Remove(m_textFilter);
    m_textFilter = fresh;
    UpdateFilterBitmap();
}

void TLarchDataSet::SetFilter(const std::string& value) {
    if (!Active()) {
        TDataSet::SetFilter(value);
        return;
    }
    CheckBrowseMode();
    if (value != Filter()) {
        ReplaceTextFilter(value, FilterOptions());
        TDataSet::SetFilter(value);
    }
    if (Filtered()) First();
}

void TLarchDataSet::SetFilterOptions(TFilterOptions value) {
    if (!Active()) {
        TDataSet::SetFilterOptions(value);
        return;
    }
    CheckBrowseMode();
    if (!SameOptions(value, FilterOptions())) {
        ReplaceTextFilter(Filter(), value);
        TDataSet::SetFilterOptions(value);
    }
    if (Filtered()) First();
}

void TLarchDataSet::SetFiltered(bool value) {
    if (!Active()) {
        TDataSet::SetFiltered(value);
        return;
    }
    CheckBrowseMode();
    if (value != Filtered()) {
        PrepareFilters();
        if (value) {
            // A filter that is gone is built again from the current text.
            if (!m_textFilter) m_textFilter = BuildTextFilter(Filter(), FilterOptions());
            TDataSet::SetFiltered(true);
            try {
                if (m_textFilter) m_filters->Activate(m_textFilter);
                if (m_callbackFilter) m_filters->Activate(m_callbackFilter);
            } catch (...) {
                DeactivateUserFilters();
                TDataSet::SetFiltered(false);
                UpdateFilterBitmap();
                throw;
            }
        } else {
            DeactivateUserFilters();
            TDataSet::SetFiltered(false);
        }
        UpdateFilterBitmap();
    }
    First();
}

void TLarchDataSet::SetOnFilterRecord(TFilterRecordEvent handler) {
    OnFilterRecord = std::move(handler);
    if (!Active() || !m_filters) return;
    CheckBrowseMode();
    {
        ReadScope read(*m_file);
        ReplaceCallbackFilter();
        UpdateFilterBitmap();
    }
    if (Filtered()) First();
}

void TLarchDataSet::FiltersRangeChanged() {
    if (!m_filters) return;
    m_filters->RangeChanged();
    UpdateFilterBitmap();
}

void TLarchDataSet::FiltersTableChanged() {
    if (m_filters) m_filters->TableChanged();
}

}  // namespace larch
