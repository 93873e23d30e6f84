// TLarchDataSet: opening, navigation in the active index, record buffers,
// bookmarks and field access.
#include "engine/cursor/larch_dataset.h"

#include <cstring>

#include "dataset/dataset_errors.h"
#include "engine/files/byte_order.h"
#include "engine/files/engine_error.h"
#include "engine/records/field_types.h"
#include "engine/records/field_values.h"
#include "engine/index/index_key.h"
#include "engine/data/larch_scopes.h"
#include "engine/cursor/larch_session.h"
#include "engine/records/record_fields.h"

namespace larch {

using namespace hollin;

TLarchDataSet::TLarchDataSet() = default;

TLarchDataSet::~TLarchDataSet() {
    try {
        Close();
    } catch (...) {
    }
}

std::string TLarchDataSet::EngineVersion() const { return kEngineVersion; }

// ------------------------------------------------------------ settings

void TLarchDataSet::SetExclusive(bool value) {
    CheckInactive();
    m_exclusive = value;
}

void TLarchDataSet::SetReadOnly(bool value) {
    CheckInactive();
    TDataSet::SetReadOnly(value);
}

void TLarchDataSet::SetInMemory(bool value) {
    CheckInactive();
    m_inMemory = value;
}

void TLarchDataSet::SetStrictChangeDetection(bool value) {
    CheckInactive();
    m_strictChangeDetection = value;
}

void TLarchDataSet::SetForceBufferFlush(bool value) {
    CheckInactive();
    m_forceBufferFlush = value;
}

void TLarchDataSet::SetLockRetryCount(uint8_t value) {
    m_lockRetryCount = value;
    if (m_file) m_file->SetLockRetryCount(value);
}

void TLarchDataSet::SetLockWaitTime(uint16_t value) {
    m_lockWaitTime = value;
    if (m_file) m_file->SetLockWaitTime(value);
}

// ------------------------------------------------------------ open, close

void TLarchDataSet::InternalOpen() {
    std::string path = ResolveTableFile();
    try {
        std::unique_ptr<TDataFile> file;
        try {
            file = std::make_unique<TDataFile>();
        } catch (const std::bad_alloc&) {
            DatabaseError("Error creating table handle.");
        }
        file->SetExclusive(OpensExclusively());
        file->SetTemporary(OpensTemporary());
        file->SetReadOnly(OpensReadOnly());
        file->SetWriteThrough(m_forceBufferFlush);
        file->SetLockRetryCount(m_lockRetryCount);
        file->SetLockWaitTime(m_lockWaitTime);
        file->SetFileName(path);
        file->Open();
        if (file->ReadOnly() && !OpensReadOnly()) TDataSet::SetReadOnly(true);
        m_file = std::move(file);
        m_imageSize = m_file->ImageSize();
        for (auto& image : m_keyImages) image.assign(m_imageSize, 0);
        m_crack = Crack::BeforeFirst;
        CreateFilterList();
        SelectInitialIndex();
        m_columns = CursorColumns();
        for (const TCursorColumn& column : m_columns) {
            if (column.fieldNumber > m_file->Fields().size() || (column.fieldNumber == 0 && !column.compute)) {
                DatabaseError("Field index out of range");
            }
        }
        AttachCursorCondition();
    } catch (...) {
        m_columns.clear();
        DropFilterList();
        if (m_file) {
            try {
                m_file->Close();
            } catch (...) {
            }
        }
        m_file.reset();
        ReleaseTableFile();
        throw;
    }
}

void TLarchDataSet::BeginFetches() {
    if (m_file) m_file->HoldReadLock();
}

void TLarchDataSet::EndFetches() noexcept {
    if (!m_file) return;
    try {
        m_file->ReleaseReadLock();
    } catch (...) {
        // A lock the system will not release goes with the handle at close.
    }
}

void TLarchDataSet::InternalClose() {
    if (!m_file) return;
    std::exception_ptr failure;
    DropFilterList();
    try {
        DropOpenBlobs();
        m_file->Close();
    } catch (...) {
        failure = std::current_exception();
    }
    m_file.reset();
    m_activeSlot = 0;
    m_columns.clear();
    ReleaseTableFile();
    if (failure) std::rethrow_exception(failure);
}

void TLarchDataSet::InternalInitFieldDefs() {
    m_descriptorOfDef.clear();
    const auto& fields = m_file->Fields();
    if (!m_columns.empty()) {
        // The column view: stored fields under their view names, computed
        // columns read-only.
        for (const TCursorColumn& column : m_columns) {
            if (column.fieldNumber == 0) {
                FieldDefs().Add(column.name, column.dataType, column.size).SetReadOnly(true);
                m_descriptorOfDef.push_back(-1);
                continue;
            }
            const FieldDescriptor& d = fields[column.fieldNumber - 1u];
            TFieldType type = FieldTypeOf(d.physType, d.subType);
            int size = 0;
            if (type == ftString || type == ftBytes || type == ftVarBytes) size = d.size;
            if (type == ftBCD) size = d.scale;
            TFieldDef& def = FieldDefs().Add(column.name, type, size, d.required);
            if (d.IsAutoInc()) def.SetReadOnly(true);
            m_descriptorOfDef.push_back(column.fieldNumber - 1);
        }
        return;
    }
    for (std::size_t i = 0; i < fields.size(); ++i) {
        const FieldDescriptor& d = fields[i];
        TFieldType type = FieldTypeOf(d.physType, d.subType);
        if (type == ftUnknown) continue;  // stored, not offered
        int size = 0;
        if (type == ftString || type == ftBytes || type == ftVarBytes) size = d.size;
        if (type == ftBCD) size = d.scale;
        std::string name = d.name;
        for (int n = 1; FieldDefs().IndexOf(name) >= 0; ++n) name = d.name + "_" + std::to_string(n);
        TFieldDef& def = FieldDefs().Add(name, type, size, d.required);
        if (d.IsAutoInc()) def.SetReadOnly(true);
        m_descriptorOfDef.push_back(static_cast<int>(i));
    }
}

const FieldDescriptor& TLarchDataSet::DescriptorOf(const TField& field) const {
    int def = field.FieldNo() - 1;
    if (def < 0 || def >= static_cast<int>(m_descriptorOfDef.size()) || m_descriptorOfDef[static_cast<std::size_t>(def)] < 0) {
        DatabaseError("Field index out of range");
    }
    return m_file->Fields()[static_cast<std::size_t>(m_descriptorOfDef[static_cast<std::size_t>(def)])];
}

const TCursorColumn* TLarchDataSet::ComputedColumnOf(const TField& field) const {
    int def = field.FieldNo() - 1;
    if (def < 0 || def >= static_cast<int>(m_descriptorOfDef.size()) || def >= static_cast<int>(m_columns.size())) {
        return nullptr;
    }
    const TCursorColumn& column = m_columns[static_cast<std::size_t>(def)];
    return column.fieldNumber == 0 ? &column : nullptr;
}

bool TLarchDataSet::IsComputed(const TField& field) const { return ComputedColumnOf(field) != nullptr; }

bool TLarchDataSet::GetCanModify() const { return m_file && !m_file->ReadOnly(); }

// ------------------------------------------------------------ buffers

uint32_t TLarchDataSet::BookmarkSize() const { return ActiveIndex().keyLength; }

bool TLarchDataSet::AppendsRecordId(int slot) const {
    return slot != kPrimarySlot && !IndexFile().Descriptor(slot).unique;
}

std::vector<uint8_t> TLarchDataSet::KeyOfImage(const uint8_t* image) const {
    return m_file->KeyOf(m_activeSlot, image);
}

std::size_t TLarchDataSet::GetRecordBufferSize() const { return m_imageSize + 5 + BookmarkSize(); }

uint32_t TLarchDataSet::OwnNumber(const uint8_t* image) const {
    return image[0] == kRecordInUse ? GetU32(image + 1) : 0;
}

TBookmarkFlag TLarchDataSet::GetBookmarkFlag(TRecordBuffer buffer) const {
    return static_cast<TBookmarkFlag>(*FlagPart(buffer));
}

void TLarchDataSet::SetBookmarkFlag(TRecordBuffer buffer, TBookmarkFlag flag) { *FlagPart(buffer) = flag; }

TBookmark TLarchDataSet::GetBookmarkData(TRecordBuffer buffer) const {
    return TBookmark(BookmarkPart(buffer), BookmarkPart(buffer) + BookmarkSize());
}

void TLarchDataSet::SetBookmarkData(TRecordBuffer buffer, const TBookmark& bookmark) {
    std::memset(BookmarkPart(buffer), 0, BookmarkSize());
    std::memcpy(BookmarkPart(buffer), bookmark.data(), std::min<std::size_t>(bookmark.size(), BookmarkSize()));
}

void TLarchDataSet::InternalInitRecord(TRecordBuffer buffer) {
    std::memset(buffer, 0, GetRecordBufferSize());
    ApplyFieldDefaults(m_file->Fields(), buffer);
    PutI32(RecNoPart(buffer), -1);
    *FlagPart(buffer) = bfInserted;
    DropOpenBlobs();
}

void TLarchDataSet::DropOpenBlobs() {
    if (m_file && m_file->Blob()) m_file->Blob()->DropOpenBlobs();
}

// ------------------------------------------------------------ navigation

bool TLarchDataSet::ReadCurrentInto(TRecordBuffer buffer, ReadDirection direction) {
    TIndexFile& index = IndexFile();
    uint32_t number = index.CurrentRecordNumber();
    RecordPin record(*m_file, m_file->GetRecord(number, direction));
    if (!record.get() || record->image[0] != kRecordInUse) {
        RaiseEngineError(err::RecordNotFound, m_file->FileName());
    }
    std::memcpy(buffer, record->image.data(), m_imageSize);
    PutI32(RecNoPart(buffer), static_cast<int32_t>(index.RecNo()));
    *FlagPart(buffer) = bfCurrent;
    std::memset(BookmarkPart(buffer), 0, BookmarkSize());
    std::memcpy(BookmarkPart(buffer), index.CurrentKey(), BookmarkSize());
    return true;
}

TGetResult TLarchDataSet::GetRecord(TRecordBuffer buffer, TGetMode mode, bool doCheck) {
    ReadScope read(*m_file);
    PrepareFilters();
    if (State() == dsBrowse) DropOpenBlobs();
    TIndexFile& index = IndexFile();
    ReadDirection direction = ReadDirection::Forward;
    bool ok = false;
    switch (mode) {
        case gmCurrent:
            // The index skips records outside the filters' set when it
            // moves; a record it stands on (a posted one) is checked here.
            ok = m_crack == Crack::OnRecord && index.HasCurrent() && !index.InGap() &&
                 RecordPasses(index.CurrentRecordNumber());
            if (!ok) {
                if (doCheck) DatabaseError("Record not found");
                return grError;
            }
            break;
        case gmNext:
            ok = m_crack != Crack::AfterLast && (m_crack == Crack::BeforeFirst ? index.First() : index.Next());
            if (!ok) {
                if (m_crack == Crack::BeforeFirst || !index.HasCurrent()) m_crack = Crack::AfterLast;
                else m_crack = Crack::AfterLast;
                return grEOF;
            }
            break;
        case gmPrior:
            direction = ReadDirection::Backward;
            ok = m_crack != Crack::BeforeFirst && (m_crack == Crack::AfterLast ? index.Last() : index.Prior());
            if (!ok) {
                m_crack = Crack::BeforeFirst;
                return grBOF;
            }
            break;
    }
    m_crack = Crack::OnRecord;
    ReadCurrentInto(buffer, direction);
    return grOK;
}

void TLarchDataSet::InternalFirst() { m_crack = Crack::BeforeFirst; }

void TLarchDataSet::InternalLast() { m_crack = Crack::AfterLast; }

void TLarchDataSet::InternalSetToRecord(TRecordBuffer buffer) {
    if (*FlagPart(buffer) == bfInserted) return;
    ReadScope read(*m_file);
    if (IndexFile().FindKey(BookmarkPart(buffer))) m_crack = Crack::OnRecord;
}

void TLarchDataSet::InternalGotoBookmark(const TBookmark& bookmark) {
    ReadScope read(*m_file);
    std::vector<uint8_t> key(BookmarkSize(), 0);
    std::memcpy(key.data(), bookmark.data(), std::min<std::size_t>(bookmark.size(), key.size()));
    if (!IndexFile().FindKey(key.data())) DatabaseError("Record not found");
    m_crack = Crack::OnRecord;
}

bool TLarchDataSet::BookmarkValid(const TBookmark& bookmark) {
    if (!m_file || bookmark.size() != BookmarkSize()) return false;
    ReadScope read(*m_file);
    TIndexFile& index = IndexFile();
    std::vector<uint8_t> saved;
    if (index.HasCurrent()) saved.assign(index.CurrentKey(), index.CurrentKey() + BookmarkSize());
    bool valid = index.FindKey(bookmark.data());
    if (!saved.empty()) index.FindKey(saved.data());
    return valid;
}

int TLarchDataSet::CompareBookmarks(const TBookmark& a, const TBookmark& b) const {
    if (a.empty() || b.empty()) return a.empty() == b.empty() ? 0 : (a.empty() ? -1 : 1);
    std::size_t length = std::min(a.size(), b.size());
    int order = CompareKeys(a.data(), b.data(), length);
    if (order != 0) return order < 0 ? -1 : 1;
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

int TLarchDataSet::GetRecordCount() const {
    if (!m_file) return 0;
    ReadScope read(*m_file);
    // With a filter: the records of the range that pass every active filter.
    const_cast<TLarchDataSet*>(this)->PrepareFilters();
    if (FilterActive()) return static_cast<int>(m_filters->Count());
    return static_cast<int>(IndexFile().RangeCount());
}

int TLarchDataSet::GetRecNo() const {
    if (!m_file || State() == dsInsert) return 0;
    const uint8_t* buffer = const_cast<TLarchDataSet*>(this)->ActiveBuffer();
    if (!buffer || IsEmpty()) return 0;
    int32_t value = GetI32(RecNoPart(const_cast<uint8_t*>(buffer)));
    return value < 0 ? 0 : value;
}

void TLarchDataSet::InternalSetRecNo(int value) {
    ReadScope read(*m_file);
    TIndexFile& index = IndexFile();
    if (value < 1) value = 1;
    if (index.GoToPosition(static_cast<uint32_t>(value))) {
        m_crack = Crack::OnRecord;
    } else if (index.Last()) {
        m_crack = Crack::OnRecord;
    }
}

void TLarchDataSet::InternalRefresh() {
    ReadScope read(*m_file);
    m_file->ChangeCheck();
}

void TLarchDataSet::SwitchIndex(int slot) {
    if (!m_file) {
        m_activeSlot = slot;
        return;
    }
    CheckBrowseMode();
    // The framework repositions by the buffers' bookmarks, which are keys of
    // the old index: settle the position now, while they still fit.
    UpdateCursorPos();
    std::vector<uint8_t> image;
    if (!IsEmpty()) {
        TRecordBuffer buffer = ActiveBuffer();
        image.assign(buffer, buffer + m_imageSize);
    }
    {
        ReadScope read(*m_file);
        IndexFile().SelectIndex(slot);
        m_activeSlot = slot;
        FiltersRangeChanged();
        m_crack = Crack::BeforeFirst;
        if (!image.empty() && IndexFile().FindKey(KeyOfImage(image.data()).data())) m_crack = Crack::OnRecord;
    }
    RecreateBuffers();
}

void TLarchDataSet::SelectSlotAtOpen(int slot) {
    IndexFile().SelectIndex(slot);
    m_activeSlot = slot;
    FiltersRangeChanged();
    m_crack = Crack::BeforeFirst;
}

void TLarchDataSet::PositionOnNearest(const std::vector<uint8_t>& key) {
    {
        ReadScope read(*m_file);
        PrepareFilters();
        TIndexFile& index = IndexFile();
        index.FindNearest(key.data(), key.size());
        m_crack = index.HasCurrent() ? Crack::OnRecord : Crack::BeforeFirst;
    }
    DoBeforeScroll();
    Resync(m_crack == Crack::OnRecord ? rmExact | rmCenter : 0);
    DoAfterScroll();
}

bool TLarchDataSet::IndexHasField(int fieldNumber) const {
    const IndexDescriptor& index = ActiveIndex();
    for (int i = 0; i < index.fieldCount; ++i) {
        if (index.fieldNumbers[i] == fieldNumber) return true;
    }
    return false;
}

// ------------------------------------------------------------ key buffers

void TLarchDataSet::BeginKey(KeyBuffer which) {
    CheckBrowseMode();
    m_keyBuffer = which;
    std::vector<uint8_t>& image = m_keyImages[static_cast<int>(which)];
    image.assign(m_imageSize, 0);
    ApplyFieldDefaults(m_file->Fields(), image.data());
    m_keyFieldCount[static_cast<int>(which)] = 0;
    m_keyFieldSet.assign(ActiveIndex().fieldCount, false);
    SetState(dsSetKey);
    DataEvent(deDataSetChange);
}

TRecordBuffer TLarchDataSet::GetActiveRecordBuffer() {
    if (State() == dsSetKey) return m_keyImages[static_cast<int>(m_keyBuffer)].data();
    return TDataSet::GetActiveRecordBuffer();
}

void TLarchDataSet::PostKeyBuffer(bool commit) {
    int given = 0;
    for (std::size_t i = 0; i < m_keyFieldSet.size(); ++i) {
        if (m_keyFieldSet[i]) given = static_cast<int>(i) + 1;
    }
    if (commit) m_keyFieldCount[static_cast<int>(m_keyBuffer)] = given;
    TDataSet::PostKeyBuffer(commit);
}

std::vector<uint8_t> TLarchDataSet::KeyFromBuffer(KeyBuffer which, int fieldsGiven, bool high) const {
    std::vector<uint8_t> key(BookmarkSize());
    BuildPartialKey(ActiveIndex(), m_file->Fields(), m_keyImages[static_cast<int>(which)].data(), fieldsGiven, high,
                    AppendsRecordId(m_activeSlot), key.data());
    return key;
}

// ------------------------------------------------------------ field access

bool TLarchDataSet::GetFieldData(const TField& field, const uint8_t* buffer, void* out) const {
    if (!buffer || !m_file) return false;
    if (const TCursorColumn* column = ComputedColumnOf(field)) {
        // Computed from the record image; a scratch area answers a null test.
        std::vector<uint8_t> scratch;
        if (!out) {
            scratch.assign(std::max<std::size_t>(field.DataSize(), 8) + 256, 0);
            out = scratch.data();
        }
        return column->compute(buffer, out);
    }
    const FieldDescriptor& d = DescriptorOf(field);
    if (d.IsBlob()) {
        TBlobFile* blob = m_file->Blob();
        TBlobBuffer* open = blob ? blob->FindOpenBlob(d.number) : nullptr;
        if (open && open->Modified()) return open->Size() > 0;
        return !FieldIsNull(d, buffer);
    }
    if (FieldIsNull(d, buffer)) return false;
    if (out) {
        if (d.IsAutoInc()) {
            std::memcpy(out, buffer + kRecordIdOffset, 4);
        } else {
            std::memcpy(out, FieldBytes(d, buffer), d.width);
            if (d.physType == phys::String) static_cast<uint8_t*>(out)[d.width - 1] = 0;
        }
    }
    return true;
}

void TLarchDataSet::SetFieldData(TField& field, TRecordBuffer buffer, const void* data) {
    if (IsComputed(field)) DatabaseErrorFmt("Field '%s' cannot be modified", {field.FieldName()});
    const FieldDescriptor& d = DescriptorOf(field);
    if (State() == dsSetKey) {
        const IndexDescriptor& index = ActiveIndex();
        int position = -1;
        for (int i = 0; i < index.fieldCount; ++i) {
            if (index.fieldNumbers[i] == d.number) position = i;
        }
        if (position < 0) DatabaseErrorFmt("Field '%s' is not indexed and cannot be modified", {field.FieldName()});
        m_keyFieldSet[static_cast<std::size_t>(position)] = true;
    }
    if (d.IsAutoInc()) {
        if (State() == dsSetKey && data) std::memcpy(buffer + kRecordIdOffset, data, 4);
        return;
    }
    if (!data) {
        ClearField(d, buffer);
        return;
    }
    switch (d.physType) {
        case phys::String: {
            const char* text = static_cast<const char*>(data);
            SetStringField(d, buffer, std::string(text, ::strnlen(text, d.size)));
            break;
        }
        case phys::Boolean: {
            uint8_t bytes[2] = {0, 0};
            bytes[0] = GetU16(static_cast<const uint8_t*>(data)) != 0 ? 1 : 0;
            SetFieldBytes(d, buffer, bytes);
            break;
        }
        default:
            SetFieldBytes(d, buffer, static_cast<const uint8_t*>(data));
            break;
    }
}

}  // namespace larch
