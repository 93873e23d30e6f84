// A small dataset over a vector of records in memory, for the dataset tests.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "dataset/data_source.h"
#include "dataset/dataset.h"

namespace hollin::test {

// The exact message of the E that f throws, or "" when it throws nothing.
template <typename E, typename F>
std::string MessageOf(F f) {
    try {
        f();
    } catch (const E& e) {
        return e.what();
    }
    return "";
}

struct ColumnDef {
    std::string name;
    TFieldType type;
    int size = 0;
    bool readOnly = false;
};

// Records keep their order of insertion; a bookmark is the record's ID
// (4 bytes). Blob fields hold the number of a slot in a blob store.
//
// Record buffer: for each column a null-flag byte and its native value (a
// blob: int32 slot number), then the record ID (int32) and the bookmark flag.
class MemoryDataSet : public TDataSet {
public:
    explicit MemoryDataSet(std::vector<ColumnDef> columns);
    ~MemoryDataSet() override;

    // Appends a stored record directly (before or after Open; call Refresh
    // when open). Values by column, as texts written through AsString.
    void AddRow(const std::vector<std::string>& texts);
    int StoredCount() const { return static_cast<int>(m_rows.size()); }
    // A stored record's column value as text (for checks after Post).
    std::string StoredText(int row, const std::string& column);

    bool BookmarkValid(const TBookmark& bookmark) override;
    TDataSource* DataSource() const override { return m_masterSource; }
    // "Circular datalinks are not allowed" when the source leads back here.
    void SetDataSource(TDataSource* source);

    // Enters SetKey with an empty key buffer, as a key search would.
    void EditKey();
    const std::vector<uint8_t>& KeyBuffer() const { return m_key; }
    std::vector<bool> keyPosts;  // the commit flag of each PostKeyBuffer

    bool canModify = true;
    int failPostCount = 0;  // the next n posts raise EDatabaseError("post failed")
    bool failOpen = false;
    int internalCancelCalls = 0;
    mutable int recordCounts = 0;  // GetRecordCount calls

    using TDataSet::ActiveBuffer;

protected:
    void InternalOpen() override;
    void InternalClose() override;
    bool IsCursorOpen() const override { return m_open; }
    void InternalInitFieldDefs() override;
    std::size_t GetRecordBufferSize() const override { return m_imageSize + 5; }
    TGetResult GetRecord(TRecordBuffer buffer, TGetMode mode, bool doCheck) override;
    void InternalFirst() override { m_cursor = -1; }
    void InternalLast() override { m_cursor = StoredCount(); }
    void InternalSetToRecord(TRecordBuffer buffer) override;
    void InternalInitRecord(TRecordBuffer buffer) override;
    TBookmarkFlag GetBookmarkFlag(TRecordBuffer buffer) const override;
    void SetBookmarkFlag(TRecordBuffer buffer, TBookmarkFlag flag) override;
    TBookmark GetBookmarkData(TRecordBuffer buffer) const override;
    void SetBookmarkData(TRecordBuffer buffer, const TBookmark& bookmark) override;
    void InternalGotoBookmark(const TBookmark& bookmark) override;
    void InternalEdit() override;
    void InternalInsert() override {}
    void InternalPost() override;
    void InternalCancel() override { ++internalCancelCalls; }
    void InternalDelete() override;
    void InternalRefresh() override {}
    bool GetFieldData(const TField& field, const uint8_t* buffer, void* out) const override;
    void SetFieldData(TField& field, TRecordBuffer buffer, const void* data) override;
    std::unique_ptr<TStream> InternalCreateBlobStream(TField& field, TRecordBuffer buffer,
                                                      TBlobStreamMode mode) override;
    int GetRecordCount() const override {
        ++recordCounts;
        return StoredCount();
    }
    int GetRecNo() const override;
    void InternalSetRecNo(int value) override;
    bool GetCanModify() const override { return canModify; }
    TRecordBuffer GetActiveRecordBuffer() override;
    void PostKeyBuffer(bool commit) override;

private:
    class BlobStream;
    struct Row {
        int32_t id = 0;
        std::vector<uint8_t> image;
    };

    std::size_t ColumnWidth(const ColumnDef& column) const;
    std::size_t Offset(const TField& field) const;
    int IndexOfId(int32_t id) const;
    void ReadRow(int index, TRecordBuffer buffer) const;
    int32_t StoreBlob(std::vector<uint8_t> bytes);

    std::vector<ColumnDef> m_columns;
    std::vector<std::size_t> m_offsets;
    std::size_t m_imageSize = 0;
    std::vector<Row> m_rows;
    std::map<int32_t, std::vector<uint8_t>> m_blobs;
    int32_t m_lastBlob = 0;
    int32_t m_lastId = 0;
    std::vector<uint8_t> m_key;
    int m_cursor = -1;  // -1 before the first record, StoredCount() after the last
    bool m_open = false;
    TDataSource* m_masterSource = nullptr;
};

}  // namespace hollin::test
