// TLarchDataSet: Edit, Post, Cancel and Delete with record locks and write
// locks, and the blob streams of the current record.
#include <cstring>

#include "dataset/database_error.h"
#include "engine/files/byte_order.h"
#include "engine/files/engine_error.h"
#include "engine/cursor/larch_blob_stream.h"
#include "engine/cursor/larch_dataset.h"
#include "engine/data/larch_scopes.h"
#include "engine/records/record_fields.h"

namespace larch {

using namespace hollin;

void TLarchDataSet::InternalEdit() {
    TRecordBuffer buffer = ActiveBuffer();
    uint32_t number = OwnNumber(buffer);
    uint32_t id = RecordId(buffer);
    m_file->LockRecord(number);
    try {
        // Another user may have changed the record: read it again.
        ReadScope read(*m_file);
        RecordPin record(*m_file, m_file->GetRecord(number));
        if (!record.get() || record->image[0] != kRecordInUse || RecordId(record->image.data()) != id) {
            RaiseEngineError(err::RecordNotFound, m_file->FileName());
        }
        std::memcpy(buffer, record->image.data(), m_imageSize);
    } catch (...) {
        m_file->UnlockRecord(number);
        throw;
    }
}

void TLarchDataSet::InternalPost() {
    TRecordBuffer buffer = ActiveBuffer();
    std::vector<uint8_t> image(buffer, buffer + m_imageSize);
    const bool inserting = State() == dsInsert;
    uint32_t locked = 0, written = 0;
    bool found = false;
    try {
        WriteScope write(*m_file);
        if (inserting) {
            locked = m_file->NextInsertNumber();
            m_file->LockRecord(locked);
            written = m_file->InsertRecord(image);
        } else {
            locked = written = OwnNumber(buffer);
            m_file->UpdateRecord(locked, image);
        }
        // The cursor follows the record while the write locks still hold
        // the table as written: no read lock and change check of its own.
        std::vector<uint8_t> key = KeyOfImage(image.data());
        found = IndexFile().FindKey(key.data());
        write.Finish();
    } catch (...) {
        // An insert gives up the slot it locked; an edit keeps its record lock
        // while the record stays in Edit.
        if (inserting && locked) m_file->UnlockRecord(locked);
        throw;
    }
    m_file->UnlockRecord(locked);
    std::memcpy(buffer, image.data(), m_imageSize);
    m_crack = found ? Crack::OnRecord : Crack::BeforeFirst;
    // The record sets follow the record, tested again against every filter;
    // a filter that fails to evaluate does not undo the write.
    if (m_filters) {
        ReadScope read(*m_file);
        m_filters->RecordWritten(written, image.data());
    }
}

void TLarchDataSet::InternalCancel() {
    DropOpenBlobs();
    if (State() == dsEdit) {
        uint32_t number = OwnNumber(ActiveBuffer());
        if (number) m_file->UnlockRecord(number);
    }
}

void TLarchDataSet::InternalDelete() {
    UpdateCursorPos();
    TRecordBuffer buffer = ActiveBuffer();
    uint32_t number = OwnNumber(buffer);
    std::vector<uint8_t> key = KeyOfImage(buffer);
    try {
        WriteScope write(*m_file);
        m_file->LockRecord(number);
        // The cursor must stand on the record so that its key's removal leaves
        // it between the neighbours.
        IndexFile().FindKey(key.data());
        m_file->DeleteRecord(number);
        write.Finish();
    } catch (...) {
        m_file->UnlockRecord(number);
        throw;
    }
    m_file->UnlockRecord(number);
    if (m_filters) m_filters->RecordDeleted(number);
    m_crack = Crack::OnRecord;
}

std::unique_ptr<TStream> TLarchDataSet::InternalCreateBlobStream(TField& field, TRecordBuffer buffer,
                                                                 TBlobStreamMode mode) {
    const FieldDescriptor& d = DescriptorOf(field);
    TBlobFile* blobFile = m_file->Blob();
    if (!d.IsBlob() || !blobFile) RaiseEngineError(err::InvalidBlobField, m_file->FileName(), d.name);
    uint32_t offset = FieldIsNull(d, buffer) ? 0 : GetUInt32Field(d, buffer);
    uint32_t owner = OwnNumber(buffer);
    ReadScope read(*m_file);

    if (mode == bmRead) {
        if (TBlobBuffer* open = blobFile->FindOpenBlob(d.number)) return std::make_unique<TLarchBlobStream>(open->Value());
        std::vector<uint8_t> value;
        try {
            value = blobFile->OpenBlob(d, offset, owner, BlobMode::Read).Value();
        } catch (const ELarchEngineError& e) {
            // A chain that ends early gives what it holds; a reference that is
            // not a block offset reads as empty. Anything else is raised.
            if (e.ErrorCode() == err::EndOfBlob) {
                if (TBlobBuffer* partial = blobFile->FindOpenBlob(d.number)) value = partial->Value();
            } else if (e.ErrorCode() != err::InvalidBlobOffset) {
                throw;
            }
        }
        if (TBlobBuffer* open = blobFile->FindOpenBlob(d.number); open && !open->Modified()) blobFile->CloseBlob(d.number);
        return std::make_unique<TLarchBlobStream>(std::move(value));
    }
    BlobMode blobMode = mode == bmWrite ? BlobMode::Write : BlobMode::ReadWrite;
    blobFile->OpenBlob(d, offset, owner, blobMode);
    return std::make_unique<TLarchBlobStream>(*blobFile, d.number);
}

}  // namespace larch
