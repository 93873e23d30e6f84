// The in-memory test dataset.
#include "memory_dataset.h"

#include <cstring>
#include <stdexcept>

#include "dataset/dataset_errors.h"

namespace hollin::test {

// A blob of a record buffer; every change is stored at once in a new slot.
class MemoryDataSet::BlobStream : public TStream {
public:
    BlobStream(MemoryDataSet& owner, uint8_t* slot, std::vector<uint8_t> content)
        : m_owner(owner), m_slot(slot), m_data(std::move(content)) {}

    std::size_t Read(void* buffer, std::size_t count) override { return m_data.Read(buffer, count); }
    std::size_t Write(const void* buffer, std::size_t count) override {
        const std::size_t n = m_data.Write(buffer, count);
        Commit();
        return n;
    }
    int64_t Seek(int64_t offset, TSeekOrigin origin) override { return m_data.Seek(offset, origin); }
    int64_t Size() override { return m_data.Size(); }
    void Truncate() override {
        m_data.Truncate();
        Commit();
    }

private:
    void Commit() {
        const int32_t id = m_data.Bytes().empty() ? 0 : m_owner.StoreBlob(m_data.Bytes());
        m_slot[0] = id != 0 ? 1 : 0;
        std::memcpy(m_slot + 1, &id, 4);
    }

    MemoryDataSet& m_owner;
    uint8_t* m_slot;
    TMemoryStream m_data;
};

MemoryDataSet::MemoryDataSet(std::vector<ColumnDef> columns) : m_columns(std::move(columns)) {
    for (const ColumnDef& column : m_columns) {
        m_offsets.push_back(m_imageSize);
        m_imageSize += 1 + ColumnWidth(column);
    }
}

MemoryDataSet::~MemoryDataSet() { Close(); }

std::size_t MemoryDataSet::ColumnWidth(const ColumnDef& column) const {
    if (IsBlobType(column.type)) return 4;
    TField probe(column.name, column.type, column.size);
    return probe.DataSize();
}

std::size_t MemoryDataSet::Offset(const TField& field) const {
    return m_offsets.at(static_cast<std::size_t>(field.FieldNo() - 1));
}

void MemoryDataSet::AddRow(const std::vector<std::string>& texts) {
    // Written through a private dataset of the same layout so that the
    // conversions are the fields' own.
    MemoryDataSet scratch(m_columns);
    scratch.Open();
    scratch.Append();
    for (std::size_t i = 0; i < texts.size() && i < m_columns.size(); ++i) {
        if (!texts[i].empty()) scratch.Fields()[static_cast<int>(i)].SetAsString(texts[i]);
    }
    Row row;
    row.id = ++m_lastId;
    row.image.assign(scratch.ActiveBuffer(), scratch.ActiveBuffer() + m_imageSize);
    // Blob slots belong to the scratch store: copy the blobs over.
    for (std::size_t i = 0; i < m_columns.size(); ++i) {
        if (!IsBlobType(m_columns[i].type)) continue;
        int32_t id = 0;
        std::memcpy(&id, row.image.data() + m_offsets[i] + 1, 4);
        if (id != 0) {
            id = StoreBlob(scratch.m_blobs.at(id));
            std::memcpy(row.image.data() + m_offsets[i] + 1, &id, 4);
        }
    }
    scratch.Cancel();
    m_rows.push_back(std::move(row));
}

std::string MemoryDataSet::StoredText(int row, const std::string& column) {
    MemoryDataSet view(m_columns);
    view.m_rows = {m_rows.at(static_cast<std::size_t>(row))};
    view.m_blobs = m_blobs;
    view.Open();
    return view.FieldByName(column).AsString();
}

int32_t MemoryDataSet::StoreBlob(std::vector<uint8_t> bytes) {
    m_blobs[++m_lastBlob] = std::move(bytes);
    return m_lastBlob;
}

bool MemoryDataSet::BookmarkValid(const TBookmark& bookmark) {
    if (bookmark.size() != 4) return false;
    int32_t id = 0;
    std::memcpy(&id, bookmark.data(), 4);
    return IndexOfId(id) >= 0;
}

void MemoryDataSet::SetDataSource(TDataSource* source) {
    if (IsLinkedTo(source)) DatabaseError(text::CircularDataLink);
    m_masterSource = source;
}

void MemoryDataSet::InternalOpen() {
    if (failOpen) DatabaseError("open failed");
    m_open = true;
    m_cursor = -1;
}

void MemoryDataSet::InternalClose() { m_open = false; }

void MemoryDataSet::InternalInitFieldDefs() {
    for (const ColumnDef& column : m_columns) {
        FieldDefs().Add(column.name, column.type, column.size).SetReadOnly(column.readOnly);
    }
}

int MemoryDataSet::IndexOfId(int32_t id) const {
    for (std::size_t i = 0; i < m_rows.size(); ++i) {
        if (m_rows[i].id == id) return static_cast<int>(i);
    }
    return -1;
}

void MemoryDataSet::ReadRow(int index, TRecordBuffer buffer) const {
    const Row& row = m_rows[static_cast<std::size_t>(index)];
    std::memcpy(buffer, row.image.data(), m_imageSize);
    std::memcpy(buffer + m_imageSize, &row.id, 4);
    buffer[m_imageSize + 4] = bfCurrent;
}

TGetResult MemoryDataSet::GetRecord(TRecordBuffer buffer, TGetMode mode, bool /*doCheck*/) {
    const int count = StoredCount();
    for (;;) {
        if (mode == gmNext) {
            if (m_cursor < count) ++m_cursor;
        } else if (mode == gmPrior) {
            if (m_cursor >= 0) --m_cursor;
        }
        if (m_cursor < 0) return grBOF;
        if (m_cursor >= count) return grEOF;
        ReadRow(m_cursor, buffer);
        if (!Filtered() || AcceptedByFilterEvent(buffer)) return grOK;
        if (mode == gmCurrent) return grError;
    }
}

void MemoryDataSet::InternalSetToRecord(TRecordBuffer buffer) {
    int32_t id = 0;
    std::memcpy(&id, buffer + m_imageSize, 4);
    const int index = IndexOfId(id);
    if (index >= 0) m_cursor = index;
}

void MemoryDataSet::InternalInitRecord(TRecordBuffer buffer) {
    std::memset(buffer, 0, m_imageSize + 4);
}

TBookmarkFlag MemoryDataSet::GetBookmarkFlag(TRecordBuffer buffer) const {
    return static_cast<TBookmarkFlag>(buffer[m_imageSize + 4]);
}

void MemoryDataSet::SetBookmarkFlag(TRecordBuffer buffer, TBookmarkFlag flag) {
    buffer[m_imageSize + 4] = flag;
}

TBookmark MemoryDataSet::GetBookmarkData(TRecordBuffer buffer) const {
    return TBookmark(buffer + m_imageSize, buffer + m_imageSize + 4);
}

void MemoryDataSet::SetBookmarkData(TRecordBuffer buffer, const TBookmark& bookmark) {
    std::memset(buffer + m_imageSize, 0, 4);
    if (bookmark.size() == 4) std::memcpy(buffer + m_imageSize, bookmark.data(), 4);
}

void MemoryDataSet::InternalGotoBookmark(const TBookmark& bookmark) {
    if (!BookmarkValid(bookmark)) DatabaseError(text::RecordNotFound);
    int32_t id = 0;
    std::memcpy(&id, bookmark.data(), 4);
    m_cursor = IndexOfId(id);
}

void MemoryDataSet::InternalEdit() {
    if (m_cursor >= 0 && m_cursor < StoredCount()) ReadRow(m_cursor, ActiveBuffer());
}

void MemoryDataSet::InternalPost() {
    if (failPostCount > 0) {
        --failPostCount;
        DatabaseError("post failed");
    }
    TRecordBuffer buffer = ActiveBuffer();
    if (State() == dsEdit) {
        m_rows[static_cast<std::size_t>(m_cursor)].image.assign(buffer, buffer + m_imageSize);
        return;
    }
    Row row;
    row.id = ++m_lastId;
    row.image.assign(buffer, buffer + m_imageSize);
    int at = StoredCount();
    if (GetBookmarkFlag(buffer) == bfInserted) {
        int32_t before = 0;
        std::memcpy(&before, buffer + m_imageSize, 4);
        const int index = IndexOfId(before);
        if (index >= 0) at = index;
    } else if (GetBookmarkFlag(buffer) == bfBOF) {
        at = 0;
    }
    m_rows.insert(m_rows.begin() + at, std::move(row));
    m_cursor = at;
}

void MemoryDataSet::InternalDelete() {
    m_rows.erase(m_rows.begin() + m_cursor);
}

bool MemoryDataSet::GetFieldData(const TField& field, const uint8_t* buffer, void* out) const {
    const uint8_t* slot = buffer + Offset(field);
    if (slot[0] == 0) return false;
    if (out != nullptr && !field.IsBlob()) std::memcpy(out, slot + 1, field.DataSize());
    return true;
}

void MemoryDataSet::SetFieldData(TField& field, TRecordBuffer buffer, const void* data) {
    uint8_t* slot = buffer + Offset(field);
    slot[0] = data != nullptr ? 1 : 0;
    if (data != nullptr) {
        std::memcpy(slot + 1, data, field.DataSize());
    } else {
        std::memset(slot + 1, 0, field.IsBlob() ? 4 : field.DataSize());
    }
}

std::unique_ptr<TStream> MemoryDataSet::InternalCreateBlobStream(TField& field, TRecordBuffer buffer,
                                                                 TBlobStreamMode mode) {
    uint8_t* slot = buffer + Offset(field);
    std::vector<uint8_t> content;
    int32_t id = 0;
    std::memcpy(&id, slot + 1, 4);
    if (mode != bmWrite && slot[0] != 0) content = m_blobs.at(id);
    return std::make_unique<BlobStream>(*this, slot, std::move(content));
}

void MemoryDataSet::EditKey() {
    CheckBrowseMode();
    m_key.assign(GetRecordBufferSize(), 0);
    SetState(dsSetKey);
    DataEvent(deDataSetChange);
}

TRecordBuffer MemoryDataSet::GetActiveRecordBuffer() {
    return State() == dsSetKey ? m_key.data() : TDataSet::GetActiveRecordBuffer();
}

void MemoryDataSet::PostKeyBuffer(bool commit) {
    keyPosts.push_back(commit);
    TDataSet::PostKeyBuffer(commit);
}

int MemoryDataSet::GetRecNo() const {
    if (IsEmpty()) return 0;
    TRecordBuffer buffer = ActiveBuffer();
    if (GetBookmarkFlag(buffer) != bfCurrent) return 0;
    int32_t id = 0;
    std::memcpy(&id, buffer + m_imageSize, 4);
    return IndexOfId(id) + 1;
}

void MemoryDataSet::InternalSetRecNo(int value) {
    if (m_rows.empty()) return;
    m_cursor = std::clamp(value - 1, 0, StoredCount() - 1);
}

}  // namespace hollin::test
