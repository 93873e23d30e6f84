// TDataFile: inserting, updating and deleting records together with their
// keys in every index and their blobs.
#include <algorithm>
#include <cstring>

#include "engine/files/byte_order.h"
#include "engine/data/data_file.h"
#include "engine/files/engine_error.h"
#include "engine/records/field_values.h"
#include "engine/index/index_key.h"
#include "engine/records/record_fields.h"

namespace larch {
namespace {

std::vector<uint8_t> SysDeletedKey(uint8_t status, uint32_t recordId) {
    std::vector<uint8_t> key(5);
    BuildSysDeletedKey(status, recordId, key.data());
    return key;
}

}  // namespace

uint32_t TDataFile::SlotCount() const { return 1u + static_cast<uint32_t>(m_index->SecondaryCount()); }

bool TDataFile::AppendsRecordId(int slot) const {
    return slot != kPrimarySlot && !m_index->Descriptor(slot).unique;
}

std::vector<uint8_t> TDataFile::KeyOf(int slot, const uint8_t* image) const {
    const IndexDescriptor& index = m_index->Descriptor(slot);
    std::vector<uint8_t> key(index.keyLength);
    BuildKey(index, m_fields, image, AppendsRecordId(slot), key.data());
    return key;
}

uint32_t TDataFile::NextInsertNumber() const {
    if (m_header.freeRecordHead != 0 && !m_index->NoPrimaryIndex()) return m_header.freeRecordHead;
    return m_header.nextRecordNumber;
}

void TDataFile::CheckRequired(const uint8_t* image) const {
    // Blob fields get their value from the open blobs only after this check.
    for (const FieldDescriptor& f : m_fields) {
        if (f.IsBlob()) continue;
        CheckFieldValue(f, image, FileName());
    }
}

void TDataFile::WriteOpenBlobsInto(uint32_t number, uint8_t* image) {
    if (!m_blob) return;
    for (const auto& [fieldNumber, firstBlock] : m_blob->WriteOpenBlobs(number)) {
        if (fieldNumber == 0 || fieldNumber > m_fields.size()) continue;
        const FieldDescriptor& field = m_fields[fieldNumber - 1];
        if (firstBlock == 0) {
            ClearField(field, image);
        } else {
            SetUInt32Field(field, image, firstBlock);
        }
    }
}

uint32_t TDataFile::InsertRecord(std::vector<uint8_t>& image) {
    if (ReadOnly()) RaiseEngineError(err::AccessDenied, FileName());
    image.resize(ImageSize());
    uint32_t number = NextInsertNumber();
    uint32_t id = m_header.lastRecordId >= kMaxRecordId ? 1 : m_header.lastRecordId + 1;
    image[0] = kRecordInUse;
    PutU32(image.data() + 1, number);
    SetRecordId(image.data(), id);
    CheckRequired(image.data());

    std::vector<std::vector<uint8_t>> keys(SlotCount());
    for (uint32_t slot = 0; slot < SlotCount(); ++slot) {
        if (slot == kPrimarySlot && m_index->NoPrimaryIndex()) continue;
        keys[slot] = KeyOf(static_cast<int>(slot), image.data());
        if (slot == kPrimarySlot || m_index->Descriptor(static_cast<int>(slot)).unique) {
            m_index->CheckDuplicate(static_cast<int>(slot), keys[slot].data());
        }
    }

    // Validate a reused slot before anything changes: it must be a deleted
    // record whose chain link stays inside the file.
    bool reused = number != m_header.nextRecordNumber;
    uint32_t oldId = 0;
    uint32_t newFreeHead = m_header.freeRecordHead;
    if (reused) {
        RecordPin old(*this, GetRecord(number));
        uint32_t link = GetU32(old->image.data() + 1);
        if (old->image[0] != kRecordDeleted || link >= m_header.nextRecordNumber || link == number) {
            RaiseEngineError(err::HeaderCorrupt, FileName());
        }
        oldId = RecordId(old->image.data());
        newFreeHead = link;
    }

    WriteOpenBlobsInto(number, image.data());
    std::vector<int> inserted;
    try {
        for (uint32_t slot = 0; slot < SlotCount(); ++slot) {
            if (keys[slot].empty()) continue;
            m_index->InsertKey(static_cast<int>(slot), keys[slot].data(), number);
            inserted.push_back(static_cast<int>(slot));
        }
        if (!m_index->NoPrimaryIndex()) {
            std::vector<uint8_t> live = SysDeletedKey(kRecordInUse, id);
            if (reused) {
                std::vector<uint8_t> dead = SysDeletedKey(kRecordDeleted, oldId);
                m_index->ReplaceKey(kSysDeletedSlot, dead.data(), live.data(), number);
            } else {
                m_index->InsertKey(kSysDeletedSlot, live.data(), number);
            }
        }
    } catch (...) {
        // A key that could not be added (a full or damaged index file) must
        // not leave the keys added before it pointing at a record never written.
        for (int slot : inserted) {
            try {
                m_index->DeleteKey(slot, keys[static_cast<std::size_t>(slot)].data());
            } catch (...) {
            }
        }
        throw;
    }

    RecordPin record(*this, GetRecord(number));
    std::memcpy(record->image.data(), image.data(), m_header.recordSize);
    m_cache.MarkDirty(record.get());
    m_header.freeRecordHead = reused ? newFreeHead : m_header.freeRecordHead;
    m_header.lastRecordId = id;
    m_headerChanged = true;
    m_index->SetRecordCount(m_index->RecordCount() + 1);
    return number;
}

void TDataFile::UpdateRecord(uint32_t number, std::vector<uint8_t>& image) {
    if (ReadOnly()) RaiseEngineError(err::AccessDenied, FileName());
    image.resize(ImageSize());
    RecordPin record(*this, GetRecord(number));
    if (!record.get() || record->image[0] != kRecordInUse) RaiseEngineError(err::RecordNotFound, FileName());
    std::memcpy(image.data(), record->image.data(), kRecordHeaderSize);
    CheckRequired(image.data());

    std::vector<std::vector<uint8_t>> oldKeys(SlotCount()), newKeys(SlotCount());
    for (uint32_t slot = 0; slot < SlotCount(); ++slot) {
        if (slot == kPrimarySlot && m_index->NoPrimaryIndex()) continue;
        oldKeys[slot] = KeyOf(static_cast<int>(slot), record->image.data());
        newKeys[slot] = KeyOf(static_cast<int>(slot), image.data());
        bool unique = slot == kPrimarySlot || m_index->Descriptor(static_cast<int>(slot)).unique;
        if (unique && oldKeys[slot] != newKeys[slot]) {
            m_index->CheckDuplicate(static_cast<int>(slot), newKeys[slot].data());
        }
    }

    WriteOpenBlobsInto(number, image.data());
    std::vector<uint32_t> replaced;
    try {
        for (uint32_t slot = 0; slot < SlotCount(); ++slot) {
            if (oldKeys[slot] == newKeys[slot]) continue;
            m_index->ReplaceKey(static_cast<int>(slot), oldKeys[slot].data(), newKeys[slot].data(), number);
            replaced.push_back(slot);
        }
    } catch (...) {
        // Put back the keys already changed, so the indexes keep matching the
        // record as it still is.
        for (uint32_t slot : replaced) {
            try {
                m_index->ReplaceKey(static_cast<int>(slot), newKeys[slot].data(), oldKeys[slot].data(), number);
            } catch (...) {
            }
        }
        throw;
    }
    std::memcpy(record->image.data(), image.data(), m_header.recordSize);
    m_cache.MarkDirty(record.get());
    m_headerChanged = true;
}

void TDataFile::DeleteRecord(uint32_t number, const std::vector<int>& slotsWithoutKey) {
    if (ReadOnly()) RaiseEngineError(err::AccessDenied, FileName());
    RecordPin record(*this, GetRecord(number));
    if (!record.get() || record->image[0] != kRecordInUse) RaiseEngineError(err::RecordNotFound, FileName());
    const uint8_t* image = record->image.data();

    for (uint32_t slot = 0; slot < SlotCount(); ++slot) {
        if (slot == kPrimarySlot && m_index->NoPrimaryIndex()) continue;
        if (std::find(slotsWithoutKey.begin(), slotsWithoutKey.end(), static_cast<int>(slot)) !=
            slotsWithoutKey.end()) {
            continue;
        }
        std::vector<uint8_t> key = KeyOf(static_cast<int>(slot), image);
        m_index->DeleteKey(static_cast<int>(slot), key.data());
    }
    uint32_t id = RecordId(image);
    if (!m_index->NoPrimaryIndex()) {
        std::vector<uint8_t> live = SysDeletedKey(kRecordInUse, id);
        std::vector<uint8_t> dead = SysDeletedKey(kRecordDeleted, id);
        m_index->ReplaceKey(kSysDeletedSlot, live.data(), dead.data(), number);
    }
    if (m_blob) {
        m_blob->DropOpenBlobs();
        for (const FieldDescriptor& f : m_fields) {
            if (!f.IsBlob() || FieldIsNull(f, image)) continue;
            uint32_t first = GetUInt32Field(f, image);
            if (first == 0) continue;
            try {
                m_blob->FreeChain(first, number);
            } catch (const ELarchEngineError& e) {
                // A broken chain must not keep the record from being deleted:
                // what could not be freed stays unreachable.
                if (e.ErrorCode() != err::BlobBuffersCorrupt) throw;
            }
        }
    }

    record->image[0] = kRecordDeleted;
    PutU32(record->image.data() + 1, m_header.freeRecordHead);
    m_cache.MarkDirty(record.get());
    m_header.freeRecordHead = number;
    m_headerChanged = true;
    uint32_t count = m_index->RecordCount();
    m_index->SetRecordCount(count > 0 ? count - 1 : 0);
}

}  // namespace larch
