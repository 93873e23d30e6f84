// TDataSet: opening, closing, the editing operations with their events, and
// field access through the record buffers.
#include "dataset/dataset.h"
#include "dataset/field_change_stream.h"

#include <algorithm>
#include <cstring>

#include "dataset/data_source.h"
#include "dataset/dataset_errors.h"

namespace hollin {

TDataSet::TDataSet() = default;

TDataSet::~TDataSet() {
    // The hooks are gone by now; the descendant has closed the cursor. Data
    // sources only learn that the dataset left them.
    for (TDataSource* source : std::vector<TDataSource*>(m_dataSources)) {
        source->m_dataSet = nullptr;
        source->UpdateState();
    }
}

// ---------------------------------------------------------------- open, close

void TDataSet::SetActive(bool value) {
    if (value == Active()) return;
    if (value) {
        Fire(BeforeOpen);
        try {
            OpenCursor();
        } catch (...) {
            CloseCursor();
            throw;
        }
        SetState(dsBrowse);
        Fire(AfterOpen);
    } else {
        Fire(BeforeClose);
        SetState(dsInactive);
        CloseCursor();
        Fire(AfterClose);
    }
}

void TDataSet::OpenCursor() {
    InternalOpen();
    m_fieldDefs.Clear();
    InternalInitFieldDefs();
    CreateFields();
    m_recordBufferSize = GetRecordBufferSize();
    InternalFirst();
    ClearBuffers();
    m_cursorReady = true;
    UpdateBufferCount();
    m_bof = true;
}

void TDataSet::CloseCursor() {
    m_cursorReady = false;
    ClearBuffers();
    SetBufListSize(0);
    m_bufferCount = 0;
    m_modified = false;
    // Hooks of a half-opened cursor are not called: InternalOpen cleans up
    // after itself when it throws.
    const bool open = IsCursorOpen();
    DestroyDefaultFields();
    if (open) InternalClose();
}

void TDataSet::CreateFields() {
    m_defaultFields = m_fields.Count() == 0;
    if (m_defaultFields) {
        for (int i = 0; i < m_fieldDefs.Count(); ++i) {
            const TFieldDef& def = m_fieldDefs[i];
            auto field = std::make_unique<TField>(def.Name(), def.DataType(), def.Size());
            field->SetRequired(def.Required());
            field->SetReadOnly(def.ReadOnly());
            field->m_fieldNo = def.FieldNo();
            field->m_dataSet = this;
            field->m_index = i;
            m_fields.m_items.push_back(std::move(field));
        }
    }
    m_calcFieldsSize = 0;
    for (auto& field : m_fields.m_items) {
        if (field->Calculated()) {
            field->m_calcOffset = m_calcFieldsSize;
            m_calcFieldsSize += 1 + field->DataSize();  // presence byte, value
            continue;
        }
        if (m_defaultFields) continue;
        const TFieldDef* def = m_fieldDefs.Find(field->FieldName());
        if (def == nullptr) DatabaseErrorFmt(text::FieldNotFound, {field->FieldName()});
        if (def->DataType() != field->DataType()) {
            DatabaseErrorFmt(text::FieldTypeMismatch, {field->FieldName()});
        }
        field->m_size = def->Size();
        field->m_fieldNo = def->FieldNo();
    }
}

void TDataSet::DestroyDefaultFields() {
    if (m_defaultFields) m_fields.m_items.clear();
    m_defaultFields = false;
}

TField& TDataSet::AddField(std::unique_ptr<TField> field) {
    CheckInactive();
    if (m_fields.FindField(field->FieldName()) != nullptr) {
        DatabaseErrorFmt(text::DuplicateFieldName, {field->FieldName()});
    }
    if (field->Calculated() && field->IsBlob()) {
        DatabaseErrorFmt(text::FieldAccessError, {field->FieldName(), "Calculated"});
    }
    field->m_dataSet = this;
    field->m_index = m_fields.Count();
    m_fields.m_items.push_back(std::move(field));
    return *m_fields.m_items.back();
}

std::vector<TField*> TDataSet::GetFieldList(const std::string& names) const {
    std::vector<TField*> result;
    std::size_t start = 0;
    while (start <= names.size()) {
        std::size_t end = names.find(';', start);
        if (end == std::string::npos) end = names.size();
        std::string name = names.substr(start, end - start);
        name.erase(0, name.find_first_not_of(' '));
        name.erase(name.find_last_not_of(' ') + 1);
        if (!name.empty()) result.push_back(&FieldByName(name));
        start = end + 1;
    }
    return result;
}

// ---------------------------------------------------------------- state

void TDataSet::SetState(TDataSetState value) {
    if (m_state == value) return;
    m_state = value;
    m_modified = false;
    DataEvent(deUpdateState);
}

void TDataSet::CheckActive() const {
    if (m_state == dsInactive) DatabaseError(text::DataSetClosed);
}

void TDataSet::CheckInactive() const {
    if (m_state != dsInactive) DatabaseError(text::DataSetOpen);
}

void TDataSet::CheckCanModify() const {
    if (!CanModify()) DatabaseError(text::DataSetReadOnly);
}

void TDataSet::CheckBrowseMode() {
    CheckActive();
    DataEvent(deCheckBrowseMode);
    switch (m_state) {
        case dsEdit:
        case dsInsert:
            UpdateRecord();
            if (m_modified) {
                Post();
            } else {
                Cancel();
            }
            break;
        case dsSetKey: Post(); break;
        default: break;
    }
}

void TDataSet::UpdateRecord() {
    if (m_state != dsEdit && m_state != dsInsert && m_state != dsSetKey) {
        DatabaseError(text::NotEditing);
    }
    DataEvent(deUpdateRecord);
}

void TDataSet::CheckOperation(const std::function<void()>& operation, const TErrorEvent& onError) {
    for (;;) {
        try {
            UpdateCursorPos();
            operation();
            return;
        } catch (const EDatabaseError& error) {
            TDataAction action = daFail;
            if (onError) onError(*this, error, action);
            if (action == daFail) throw;
            if (action == daAbort) throw EAbort();
        }
    }
}

// ---------------------------------------------------------------- editing

void TDataSet::Edit() {
    if (m_state == dsEdit || m_state == dsInsert) return;
    if (m_recordCount == 0) {
        Insert();
        return;
    }
    CheckBrowseMode();
    CheckCanModify();
    Fire(BeforeEdit);
    CheckOperation([this] { InternalEdit(); }, OnEditError);
    CalculateFields(ActiveBuffer());
    SetState(dsEdit);
    DataEvent(deRecordChange);
    Fire(AfterEdit);
}

void TDataSet::BeginInsertAppend() {
    CheckBrowseMode();
    CheckCanModify();
    Fire(BeforeInsert);
    DoBeforeScroll();
}

void TDataSet::EndInsertAppend() {
    SetState(dsInsert);
    try {
        Fire(OnNewRecord);
    } catch (...) {
        UpdateCursorPos();
        SetState(dsBrowse);
        Resync(0);
        throw;
    }
    m_modified = false;
    DataEvent(deDataSetChange);
    Fire(AfterInsert);
    DoAfterScroll();
}

void TDataSet::InitRecord(TRecordBuffer buffer) {
    InternalInitRecord(buffer);
    ClearCalcFields(buffer);
    SetBookmarkFlag(buffer, bfInserted);
}

void TDataSet::Insert() {
    BeginInsertAppend();
    const TBookmark oldCurrent = GetBookmark();
    MoveBuffer(m_recordCount, m_activeRecord);
    TRecordBuffer buffer = ActiveBuffer();
    InitRecord(buffer);
    if (m_recordCount == 0) {
        SetBookmarkFlag(buffer, bfBOF);
    } else {
        // The new record stands before the one that was current.
        SetBookmarkData(buffer, oldCurrent);
    }
    if (m_recordCount < m_bufferCount) ++m_recordCount;
    InternalInsert();
    EndInsertAppend();
}

void TDataSet::Append() {
    BeginInsertAppend();
    ClearBuffers();
    TRecordBuffer buffer = m_buffers[0].get();
    InitRecord(buffer);
    SetBookmarkFlag(buffer, bfEOF);
    m_recordCount = 1;
    m_bof = false;
    GetPriorRecords();
    InternalInsert();
    EndInsertAppend();
}

void TDataSet::Post() {
    UpdateRecord();
    if (m_state == dsSetKey) {
        PostKeyBuffer(true);
        return;
    }
    DataEvent(deCheckBrowseMode);
    Fire(BeforePost);
    CheckOperation([this] { InternalPost(); }, OnPostError);
    SetState(dsBrowse);
    Resync(0);
    Fire(AfterPost);
}

void TDataSet::Cancel() {
    if (m_state == dsSetKey) {
        PostKeyBuffer(false);
        return;
    }
    if (m_state != dsEdit && m_state != dsInsert) return;
    DataEvent(deCheckBrowseMode);
    Fire(BeforeCancel);
    const bool scrolls = m_state == dsInsert;
    if (scrolls) DoBeforeScroll();
    UpdateCursorPos();
    InternalCancel();
    SetState(dsBrowse);
    Resync(0);
    Fire(AfterCancel);
    if (scrolls) DoAfterScroll();
}

void TDataSet::PostKeyBuffer(bool /*commit*/) {
    DataEvent(deCheckBrowseMode);
    SetState(dsBrowse);
    DataEvent(deDataSetChange);
}

void TDataSet::Delete() {
    CheckActive();
    if (m_state == dsInsert || m_state == dsSetKey) {
        Cancel();
        return;
    }
    if (m_recordCount == 0) DatabaseError(text::DataSetEmpty);
    DataEvent(deCheckBrowseMode);
    Fire(BeforeDelete);
    DoBeforeScroll();
    CheckOperation([this] { InternalDelete(); }, OnDeleteError);
    SetState(dsBrowse);
    Resync(0);
    Fire(AfterDelete);
    DoAfterScroll();
}

void TDataSet::Refresh() {
    CheckBrowseMode();
    UpdateCursorPos();
    InternalRefresh();
    Resync(0);
}

// ---------------------------------------------------------------- numbers, bookmarks

int TDataSet::RecNo() const {
    CheckActive();
    return GetRecNo();
}

void TDataSet::SetRecNo(int value) {
    CheckBrowseMode();
    if (value == GetRecNo()) return;
    DoBeforeScroll();
    InternalSetRecNo(value);
    Resync(rmCenter);
    DoAfterScroll();
}

int TDataSet::RecordCount() const {
    CheckActive();
    if (!m_shareRecordCount) return GetRecordCount();
    if (!m_sharedRecordCount) m_sharedRecordCount = GetRecordCount();
    return *m_sharedRecordCount;
}

TBookmark TDataSet::GetBookmark() const {
    if (m_state == dsInactive || m_state == dsSetKey || m_recordCount == 0) return {};
    TRecordBuffer buffer = ActiveBuffer();
    if (GetBookmarkFlag(buffer) != bfCurrent) return {};
    return GetBookmarkData(buffer);
}

void TDataSet::GotoBookmark(const TBookmark& bookmark) {
    if (bookmark.empty()) return;
    CheckBrowseMode();
    DoBeforeScroll();
    InternalGotoBookmark(bookmark);
    Resync(rmExact | rmCenter);
    DoAfterScroll();
}

int TDataSet::CompareBookmarks(const TBookmark& a, const TBookmark& b) const {
    if (a.empty() || b.empty()) return static_cast<int>(!a.empty()) - static_cast<int>(!b.empty());
    const int c = std::memcmp(a.data(), b.data(), std::min(a.size(), b.size()));
    if (c != 0) return c < 0 ? -1 : 1;
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

// ---------------------------------------------------------------- controls, links

void TDataSet::DisableControls() {
    if (m_disableCount == 0) {
        m_disableState = m_state;
        m_enableEvent = deDataSetChange;
    }
    ++m_disableCount;
}

void TDataSet::EnableControls() {
    if (m_disableCount == 0) return;
    if (--m_disableCount > 0) return;
    if (m_disableState != m_state) DataEvent(deUpdateState);
    if (m_disableState != dsInactive && m_state != dsInactive) DataEvent(m_enableEvent);
}

void TDataSet::DataEvent(TDataEvent event, TField* field, int distance) {
    // The listeners of a scroll share one record count; any other event,
    // also one nested in a scroll, may follow a change and drops it.
    struct TCountScope {
        TDataSet& dataSet;
        bool outer;
        ~TCountScope() {
            dataSet.m_shareRecordCount = outer;
            dataSet.m_sharedRecordCount.reset();
        }
    } countScope{*this, m_shareRecordCount};
    m_sharedRecordCount.reset();
    m_shareRecordCount = event == deDataSetScroll;

    if (event == deFieldChange && field != nullptr && !field->Calculated()) {
        m_modified = true;
        if (m_state != dsSetKey) CalculateFields(ActiveBuffer());
    }
    if (m_disableCount == 0) {
        // By index: a handler may attach or detach data sources.
        for (std::size_t i = 0; i < m_dataSources.size(); ++i) {
            m_dataSources[i]->DataEvent(event, field, distance);
        }
    } else if ((event == deUpdateState && m_state == dsInactive) || event == deLayoutChange) {
        m_enableEvent = deLayoutChange;
    }
}

bool TDataSet::IsLinkedTo(const TDataSource* dataSource) const {
    // Bounded: a chain longer than every dataset there could be is a cycle
    // that does not pass through this dataset.
    for (int guard = 0; dataSource != nullptr && guard < 10000; ++guard) {
        const TDataSet* dataSet = dataSource->DataSet();
        if (dataSet == nullptr) return false;
        if (dataSet == this) return true;
        dataSource = dataSet->DataSource();
    }
    return false;
}

void TDataSet::AddDataSource(TDataSource* source) {
    m_dataSources.push_back(source);
    UpdateBufferCount();
}

void TDataSet::RemoveDataSource(TDataSource* source) {
    m_dataSources.erase(std::remove(m_dataSources.begin(), m_dataSources.end(), source),
                        m_dataSources.end());
}

// ---------------------------------------------------------------- field access

TRecordBuffer TDataSet::GetActiveRecordBuffer() {
    switch (m_state) {
        case dsBrowse: return m_recordCount == 0 ? nullptr : ActiveBuffer();
        case dsEdit:
        case dsInsert: return ActiveBuffer();
        default: return nullptr;
    }
}

TRecordBuffer TDataSet::FieldBuffer() {
    return m_overrideBuffer != nullptr ? m_overrideBuffer : GetActiveRecordBuffer();
}

bool TDataSet::ReadFieldData(const TField& field, void* out) {
    TRecordBuffer buffer = FieldBuffer();
    if (buffer == nullptr) return false;
    if (!field.Calculated()) return GetFieldData(field, buffer, out);
    // Only the ring's buffers carry a calculated-field area.
    if (!IsRingBuffer(buffer)) return false;
    const uint8_t* slot = buffer + m_recordBufferSize + field.m_calcOffset;
    if (slot[0] == 0) return false;
    if (out != nullptr) std::memcpy(out, slot + 1, field.DataSize());
    return true;
}

void TDataSet::WriteFieldData(TField& field, const void* data) {
    if (field.Calculated()) {
        TRecordBuffer buffer = FieldBuffer();
        if (!(m_calculating || m_state == dsEdit || m_state == dsInsert) || buffer == nullptr ||
            !IsRingBuffer(buffer)) {
            DatabaseError(text::NotEditing);
        }
        uint8_t* slot = buffer + m_recordBufferSize + field.m_calcOffset;
        slot[0] = data != nullptr ? 1 : 0;
        if (data != nullptr) {
            std::memcpy(slot + 1, data, field.DataSize());
        } else {
            std::memset(slot + 1, 0, field.DataSize());
        }
        if (!m_calculating) DataEvent(deFieldChange, &field);
        return;
    }
    if (m_calculating || (m_state != dsEdit && m_state != dsInsert && m_state != dsSetKey)) {
        DatabaseError(text::NotEditing);
    }
    if (field.ReadOnly() && m_state != dsSetKey) DatabaseErrorFmt(text::FieldReadOnly, {field.FieldName()});
    TRecordBuffer buffer = FieldBuffer();
    if (buffer == nullptr) DatabaseError(text::NotEditing);
    SetFieldData(field, buffer, data);
    DataEvent(deFieldChange, &field);
}

std::unique_ptr<TStream> TDataSet::CreateBlobStream(TField& field, TBlobStreamMode mode) {
    if (!field.IsBlob()) DatabaseErrorFmt(text::FieldAccessError, {field.FieldName(), "Blob"});
    CheckActive();
    if (mode != bmRead) {
        if (m_state != dsEdit && m_state != dsInsert) DatabaseError(text::NotEditing);
        if (field.ReadOnly()) DatabaseErrorFmt(text::FieldReadOnly, {field.FieldName()});
    }
    TRecordBuffer buffer = FieldBuffer();
    if (buffer == nullptr) return std::make_unique<TMemoryStream>();
    auto stream = InternalCreateBlobStream(field, buffer, mode);
    if (mode == bmRead) return stream;
    if (mode == bmWrite) {
        stream->SetPosition(0);
        stream->Truncate();
    }
    // Released after a change, the stream marks the record modified and
    // reports the field change, as a setter does.
    TField* changed = &field;
    return std::make_unique<TFieldChangeStream>(std::move(stream), mode == bmWrite, [this, changed] {
        if (m_state != dsEdit && m_state != dsInsert) return;
        m_modified = true;
        DataEvent(deFieldChange, changed);
    });
}

void TDataSet::ClearCalcFields(TRecordBuffer buffer) {
    if (m_calcFieldsSize > 0) std::memset(buffer + m_recordBufferSize, 0, m_calcFieldsSize);
}

void TDataSet::CalculateFields(TRecordBuffer buffer) {
    if (m_calcFieldsSize == 0 || buffer == nullptr) return;
    BufferOverride scope(*this, buffer, true);
    ClearCalcFields(buffer);
    Fire(OnCalcFields);
}

bool TDataSet::AcceptedByFilterEvent(TRecordBuffer buffer) {
    if (!OnFilterRecord) return true;
    BufferOverride scope(*this, buffer, false);
    bool accept = true;
    OnFilterRecord(*this, accept);
    return accept;
}

}  // namespace hollin
