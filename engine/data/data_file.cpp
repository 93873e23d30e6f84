// TDataFile: creating, opening and closing a table's files, and the record
// cache with read-ahead runs and coalesced writing.
#include "engine/data/data_file.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <optional>

#include <unistd.h>

#include "engine/files/byte_order.h"
#include "engine/files/engine_error.h"
#include "engine/files/journal_io.h"
#include "engine/data/larch_scopes.h"
#include "dataset/date_time.h"
#include "dataset/field_defs.h"
#include "engine/records/record_fields.h"
#include "engine/records/record_layout.h"

namespace larch {
namespace {

constexpr uint32_t kMaxFields = 1024;
constexpr uint32_t kMaxBlobFields = 32;
constexpr uint32_t kMaxRecordSize = 65535;
// "Last write" counts days from 12/30/1899, day 693594 of the engine's dates.
constexpr double kLastWriteBias = hollin::kDay18991230;

}  // namespace

TDataFile::TDataFile() : m_index(std::make_unique<TIndexFile>()), m_blob() {}

TDataFile::~TDataFile() {
    try {
        Close();
    } catch (...) {
        // A destructor must not throw; Close already closed every handle.
    }
}

std::string TDataFile::MakeFileName(const std::string& name) const { return MakeTableFileName(name, ".DAT"); }

DataHeader& TDataFile::MutableHeader() {
    m_headerChanged = true;
    return m_header;
}

const FieldDescriptor* TDataFile::FindField(const std::string& name) const {
    for (const FieldDescriptor& f : m_fields) {
        if (hollin::SameName(f.name, name)) return &f;
    }
    return nullptr;
}

int64_t TDataFile::DataStart() const {
    return static_cast<int64_t>(kDataHeaderSize) + static_cast<int64_t>(m_header.fieldCount) * kFieldDescriptorSize;
}

int64_t TDataFile::RecordOffset(uint32_t number) const {
    return DataStart() + static_cast<int64_t>(number - 1) * m_header.recordSize;
}

void TDataFile::SetTemporary(bool value) {
    CheckClosed(value != m_temporary);
    m_temporary = value;
    SetExactName(value);
}

void TDataFile::CreateTable(std::vector<FieldDescriptor> fields, const IndexDescriptor& primary,
                            const std::vector<IndexDescriptor>& secondaries, const TableSettings& settings) {
    CheckClosed(true);
    if (!Exclusive()) RaiseEngineError(err::MustBeExclusive, FileName());
    if (ReadOnly()) RaiseEngineError(err::AccessDenied, FileName());
    if (fields.empty() || fields.size() > kMaxFields) RaiseEngineError(err::FieldLimits, FileName());

    uint32_t recordSize = AssignRecordLayout(fields);
    if (recordSize > kMaxRecordSize) RaiseEngineError(err::RecordSizeExceeded, FileName());
    uint32_t blobFields = 0;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        fields[i].number = static_cast<uint16_t>(i + 1);
        if (fields[i].IsBlob()) ++blobFields;
    }
    if (blobFields > kMaxBlobFields || settings.blobBlockSize < kMinBlobBlockSize) {
        RaiseEngineError(err::BlobFieldsOrBlockSize, FileName());
    }

    DataHeader header;
    header.changeCount = 0;
    header.blobBlockSize = settings.blobBlockSize;
    header.recordSize = static_cast<uint16_t>(recordSize);
    header.fieldCount = static_cast<uint16_t>(fields.size());
    header.blobFieldCount = static_cast<uint16_t>(blobFields);
    header.description = settings.description.substr(0, 50);
    header.encrypted = settings.encrypted;
    header.password = settings.password.substr(0, 15);
    header.language = settings.language;
    header.sublanguage = settings.sublanguage;
    header.settingOne = settings.settingOne;
    header.settingTwo = settings.settingTwo;

    m_index->SetExclusive(true);
    m_index->SetReadOnly(false);
    m_index->SetWriteThrough(WriteThrough());
    m_index->SetExactName(m_temporary);
    m_index->SetFileName(FileName());
    std::unique_ptr<TBlobFile> blob;
    if (blobFields > 0) {
        blob = std::make_unique<TBlobFile>();
        blob->SetExclusive(true);
        blob->SetWriteThrough(WriteThrough());
        blob->SetBlockSize(settings.blobBlockSize);
        blob->SetExactName(m_temporary);
        blob->SetFileName(FileName());
    }

    bool created = false;
    try {
        CreateHandle();
        created = true;
        m_header = header;
        m_fields = fields;
        std::vector<uint8_t> bytes(kDataHeaderSize + fields.size() * kFieldDescriptorSize);
        header.Encode(bytes.data());
        for (std::size_t i = 0; i < fields.size(); ++i) {
            fields[i].Encode(bytes.data() + kDataHeaderSize + i * kFieldDescriptorSize);
        }
        WriteAt(0, bytes.data(), bytes.size());
        m_headerChanged = true;
        m_index->SetDataFileName(FileName());
        m_index->Create(primary, secondaries);
        if (blob) blob->Create();
        WriteHeader(false);
        // A new table is on the disk, name included, before anyone uses it;
        // a canned result is not worth the syncs.
        if (!m_temporary) {
            Flush();
            m_index->Flush();
            if (blob) blob->Flush();
        }
        m_index->Close();
        if (blob) blob->Close();
        CloseHandle();
        if (!m_temporary) journal_io::SyncFolderOf(FileName());
    } catch (...) {
        CloseHandle();
        m_index->Close();
        if (blob) blob->Close();
        if (created) {
            for (TFileHandler* f : {static_cast<TFileHandler*>(this), static_cast<TFileHandler*>(m_index.get()),
                                    static_cast<TFileHandler*>(blob.get())}) {
                if (!f) continue;
                try {
                    if (f->Exists()) f->Delete();
                } catch (...) {
                }
            }
        }
        throw;
    }
    m_fields.clear();
    m_headerChanged = false;
}

void TDataFile::Open() {
    if (IsOpen()) return;
    try {
        OpenChecked();
    } catch (...) {
        CloseFiles();
        throw;
    }
}

void TDataFile::OpenHandleRecovering() {
    try {
        OpenHandle();
    } catch (const ELarchEngineError& e) {
        // A restructure that died while renaming may have moved the data file
        // aside; its journal puts it back.
        if (e.ErrorCode() != err::InvalidPath || !TTableJournal::Exists(FileName())) throw;
        TTableJournal::RecoverIfHot(FileName());
        OpenHandle();
    }
    if (m_temporary) return;
    // A journal left by a writer that died is rolled back before anything is
    // read; one of a live writer is waited for.
    // Every writer names the journal as this does; looking the name up once
    // keeps the check before each read free of directory scans.
    m_journalPath = TTableJournal::PathFor(FileName());
    if (TTableJournal::MayBeHotAt(m_journalPath)) TTableJournal::RecoverIfHot(FileName());
}

void TDataFile::OpenChecked() {
    OpenHandleRecovering();
    uint8_t raw[kDataHeaderSize];
    if (Size() < static_cast<int64_t>(kDataHeaderSize)) RaiseEngineError(err::HeaderCorrupt, FileName());
    ReadAt(0, raw, sizeof raw);
    m_header = DataHeader::Decode(raw);
    m_headerChanged = false;
    if (m_header.version != kFormatVersion) RaiseEngineError(err::WrongVersion, FileName());
    if (m_header.language != 0) RaiseEngineError(err::LanguageDriver, FileName());
    if (m_header.encrypted) RaiseEngineError(err::PasswordRequired, FileName());

    if (m_header.fieldCount == 0 || m_header.fieldCount > kMaxFields || m_header.recordSize < kRecordHeaderSize) {
        RaiseEngineError(err::HeaderCorrupt, FileName());
    }
    std::vector<uint8_t> raw_fields(std::size_t{m_header.fieldCount} * kFieldDescriptorSize);
    if (ReadAt(kDataHeaderSize, raw_fields.data(), raw_fields.size(), true) != raw_fields.size()) {
        RaiseEngineError(err::HeaderCorrupt, FileName());
    }
    m_fields.clear();
    uint32_t blobFields = 0;
    for (uint32_t i = 0; i < m_header.fieldCount; ++i) {
        m_fields.push_back(FieldDescriptor::Decode(raw_fields.data() + i * kFieldDescriptorSize));
        if (m_fields.back().IsBlob()) ++blobFields;
    }
    if (!RecordLayoutMatches(m_fields, m_header.recordSize) || blobFields != m_header.blobFieldCount ||
        (blobFields > 0 && m_header.blobBlockSize < kMinBlobBlockSize)) {
        RaiseEngineError(err::HeaderCorrupt, FileName());
    }

    m_index->SetExclusive(Exclusive());
    m_index->SetReadOnly(ReadOnly());
    m_index->SetWriteThrough(WriteThrough());
    m_index->SetExactName(m_temporary);
    m_index->SetFileName(FileName());
    m_index->SetDataFileName(FileName());
    m_index->SetFields(&m_fields);
    m_index->Open();
    SetBatch(false);
    if (blobFields > 0) {
        m_blob = std::make_unique<TBlobFile>();
        m_blob->SetExclusive(Exclusive());
        m_blob->SetReadOnly(ReadOnly());
        m_blob->SetWriteThrough(WriteThrough());
        m_blob->SetBlockSize(m_header.blobBlockSize);
        m_blob->SetExactName(m_temporary);
        m_blob->SetFileName(FileName());
        m_blob->Open();
    }

    // The size is read under a read lock, so that no writer is half-way
    // through appending; the change check re-reads a header it changed.
    BeginRead();
    int64_t size = 0;
    try {
        size = Size();
    } catch (...) {
        EndRead();
        throw;
    }
    EndRead();
    int64_t records = size - DataStart();
    if (records < 0 || records % m_header.recordSize != 0 ||
        records / m_header.recordSize + 1 != static_cast<int64_t>(m_header.nextRecordNumber) ||
        m_header.freeRecordHead >= m_header.nextRecordNumber) {
        RaiseEngineError(err::HeaderCorrupt, FileName());
    }

    uint32_t capacity = std::min<uint32_t>(kRecordCacheBytes / ImageSize(), 65535);
    m_cache.DropAll();
    m_cache.SetCapacity(std::max<uint32_t>(capacity, 1));
    m_cache.SetImageSize(ImageSize());
    m_recoveryPending = false;
    m_writesInJournal = 0;
    if (!ReadOnly() && !m_temporary) m_journal.Attach(this, m_index.get(), m_blob.get(), m_journalPath);
}

void TDataFile::CloseFiles() {
    RollBackQuietly();  // a write still open here did not complete
    m_journalPath.clear();
    // Whatever is still unwritten belongs to no complete write.
    m_index->Discard();
    if (m_blob) m_blob->Discard();
    m_journal.Detach();
    ReleaseAllLocks();
    m_lastRunFirst = m_lastRunLast = 0;
    m_cache.DropAll();
    CloseHandle();
    m_index->Close();
    if (m_blob) m_blob->Close();
    m_blob.reset();
    m_headerChanged = false;
}

void TDataFile::Close() {
    if (!IsOpen()) {
        CloseFiles();
        return;
    }
    try {
        CompleteWrites();
    } catch (...) {
        CloseFiles();
        throw;
    }
    CloseFiles();
}

void TDataFile::SetBatch(bool on) {
    m_index->SetBatchPages(on ? kBatchPages : Exclusive() ? kExclusivePages : 0);
}

void TDataFile::CompleteWrites() {
    if (ReadOnly() || m_writeDepth > 0) return;
    try {
        if (m_journal.Failed()) RaiseEngineError(err::WriteError, FileName());
        JournalPendingWrites(true, false);
        FlushAll(true);
        m_journal.Commit();
    } catch (...) {
        RollBackQuietly();
        try {
            ReloadAll(true);
        } catch (...) {
        }
        throw;
    }
    m_writesInJournal = 0;
}

void TDataFile::Abandon() {
    std::exception_ptr failure;
    try {
        m_journal.RollBack();
    } catch (...) {
        failure = std::current_exception();
    }
    CloseFiles();
    if (failure) std::rethrow_exception(failure);
}

void TDataFile::RollBackQuietly() noexcept {
    try {
        m_journal.RollBack();
    } catch (...) {
        m_recoveryPending = true;  // the journal stays for the next user
    }
}

void TDataFile::JournalPendingWrites(bool includePinned, bool forceHeaders) {
    if (m_temporary) return;
    std::vector<TTableJournal::Region> regions;
    if (forceHeaders || m_headerChanged) regions.push_back({TTableJournal::kDataFile, 0, kDataHeaderSize});
    for (const TRecord* record : m_cache.WritableDirty(includePinned)) {
        regions.push_back({TTableJournal::kDataFile, RecordOffset(record->number), m_header.recordSize});
    }
    for (const auto& [offset, count] : m_index->PendingRegions(forceHeaders)) {
        regions.push_back({TTableJournal::kIndexFile, offset, count});
    }
    if (m_blob) {
        for (const auto& [offset, count] : m_blob->PendingRegions(forceHeaders)) {
            regions.push_back({TTableJournal::kBlobFile, offset, count});
        }
    }
    m_journal.Prepare(regions);
}

void TDataFile::ReloadAll(bool notify) {
    m_lastRunFirst = m_lastRunLast = 0;
    ReloadHeader();
    m_index->Reload();
    if (m_blob) m_blob->Reload();
    if (notify && m_onTableChanged) m_onTableChanged();
}

void TDataFile::RecoverIfHot() {
    if (m_temporary) return;
    if ((m_recoveryPending || m_journal.HotJournalPossible(FileName(), m_journalPath)) &&
        TTableJournal::RecoverIfHot(FileName())) {
        ReloadAll(true);
    }
    m_recoveryPending = false;
}

TRecord* TDataFile::TakeEntry(uint32_t number) {
    TRecord* entry = m_cache.Take(number, [this] { FlushRecords(); });
    if (!entry) RaiseEngineError(err::RecordBuffersCorrupt, FileName());
    return entry;
}

TRecord* TDataFile::GetRecord(uint32_t number, ReadDirection direction) {
    if (number == 0) return nullptr;
    if (number > m_header.nextRecordNumber) RaiseEngineError(err::RecordNotFound, FileName());
    TRecord* record = number == m_header.nextRecordNumber ? Append() : m_cache.Find(number);
    if (!record) record = ReadRun(number, direction);
    if (record->pins >= kMaxPins) RaiseEngineError(err::RecordBuffersCorrupt, FileName());
    ++record->pins;
    return record;
}

void TDataFile::Unpin(TRecord* record) {
    if (record && record->pins > 0) --record->pins;
}

TRecord* TDataFile::Append() {
    uint32_t number = m_header.nextRecordNumber;
    if (uint64_t{number} + 1 > kMaxRecordNumber ||
        uint64_t{number} * m_header.recordSize > kMaxDataBytes) {
        RaiseEngineError(err::TableFull, FileName());
    }
    TRecord* record = TakeEntry(number);
    m_cache.MarkDirty(record);
    ++m_header.nextRecordNumber;
    m_headerChanged = true;
    return record;
}

TRecord* TDataFile::ReadRun(uint32_t number, ReadDirection direction) {
    uint32_t last = m_header.nextRecordNumber - 1;
    uint32_t recordSize = m_header.recordSize;
    uint32_t run = std::max<uint32_t>(kReadRunBytes / recordSize, 1);
    // Marked entries cannot be evicted, so a run never needs more than the cache.
    run = std::min<uint32_t>(run, std::max<uint32_t>(RecordCapacity() / 2, 1));
    // A scan continues where the last run ended and gets a whole run; a jump
    // (a search, or a walk in index order) reads only a few records, so that
    // random access does not read 32 KB for every record it needs.
    bool continues = m_lastRunLast == 0 ||
                     (direction == ReadDirection::Forward ? number == m_lastRunLast + 1 : number + 1 == m_lastRunFirst);
    if (!continues) run = std::min(run, kJumpRunRecords);
    uint32_t first = number;
    uint32_t count = std::min(run, last - number + 1);
    if (direction == ReadDirection::Backward) {
        first = number >= run ? number - run + 1 : 1;
        count = number - first + 1;
    }
    std::vector<uint8_t> buffer(std::size_t{count} * recordSize);
    std::size_t got = ReadAt(RecordOffset(first), buffer.data(), buffer.size(), ShortReadsAllowed());
    uint32_t complete = static_cast<uint32_t>(got / recordSize);
    if (number - first >= complete) RaiseEngineError(err::ReadError, FileName());
    m_lastRunFirst = first;
    m_lastRunLast = first + complete - 1;

    std::vector<TRecord*> placed;
    try {
        for (uint32_t i = 0; i < complete; ++i) {
            uint32_t n = first + i;
            if (m_cache.Contains(n)) continue;  // a cached copy may be dirty: it wins
            TRecord* entry = m_cache.Take(n, [this] { FlushRecords(); });
            if (!entry) {
                if (n == number) RaiseEngineError(err::RecordBuffersCorrupt, FileName());
                continue;
            }
            std::memcpy(entry->image.data(), buffer.data() + std::size_t{i} * recordSize, recordSize);
            if (entry->image[0] == kRecordInUse) PutU32(entry->image.data() + 1, n);
            entry->runMark = true;
            placed.push_back(entry);
        }
    } catch (...) {
        for (TRecord* r : placed) r->runMark = false;
        throw;
    }
    for (TRecord* r : placed) r->runMark = false;
    TRecord* record = m_cache.Find(number);
    if (!record) RaiseEngineError(err::RecordBuffersCorrupt, FileName());
    return record;
}

void TDataFile::ScanRecords(const std::vector<uint32_t>& wanted,
                            const std::function<bool(uint32_t, const uint8_t*)>& visit) {
    if (wanted.empty()) return;
    const uint32_t recordSize = m_header.recordSize;
    const uint32_t runRecords = std::max<uint32_t>(kReadRunBytes / recordSize, 1);
    const uint64_t span = uint64_t{wanted.back()} - wanted.front() + 1;
    // Fewer than one wanted record in 32: reading whole runs would not pay.
    if (m_header.computedAreaSize != 0 || wanted.size() * 32 < span) {
        for (uint32_t n : wanted) {
            std::optional<ReadScope> lock;
            if (!IsCached(n)) lock.emplace(*this);
            if (n >= m_header.nextRecordNumber) continue;  // gone after a change check
            RecordPin record(*this, GetRecord(n));
            if (!visit(n, record->image.data())) return;
        }
        return;
    }
    std::vector<uint8_t> buffer(std::size_t{runRecords} * recordSize);
    std::size_t at = 0;
    while (at < wanted.size()) {
        const uint32_t first = wanted[at];
        std::size_t got = 0;
        std::vector<TRecord*> dirty;
        {
            ReadScope lock(*this);  // the read locks come with the disk read
            if (first >= m_header.nextRecordNumber) return;  // gone after a change check
            const uint32_t count = std::min(runRecords, m_header.nextRecordNumber - first);
            got = ReadAt(RecordOffset(first), buffer.data(), std::size_t{count} * recordSize, ShortReadsAllowed());
            // Changed records are newer than the file; clean cached ones are the same.
            dirty = m_cache.WritableDirty(true);
        }
        const uint32_t complete = static_cast<uint32_t>(got / recordSize);
        if (complete == 0) RaiseEngineError(err::ReadError, FileName());
        std::size_t nextDirty = 0;
        for (; at < wanted.size() && wanted[at] < first + complete; ++at) {
            const uint32_t n = wanted[at];
            while (nextDirty < dirty.size() && dirty[nextDirty]->number < n) ++nextDirty;
            const uint8_t* image = nullptr;
            if (nextDirty < dirty.size() && dirty[nextDirty]->number == n) {
                image = dirty[nextDirty]->image.data();
            } else {
                uint8_t* stored = buffer.data() + std::size_t{n - first} * recordSize;
                if (stored[0] == kRecordInUse) PutU32(stored + 1, n);  // as a cached copy holds it
                image = stored;
            }
            if (!visit(n, image)) return;
        }
    }
}

void TDataFile::FlushRecords(bool includePinned) {
    std::vector<TRecord*> dirty = m_cache.WritableDirty(includePinned);
    uint32_t recordSize = m_header.recordSize;
    std::vector<uint8_t> run;
    for (std::size_t i = 0; i < dirty.size();) {
        std::size_t j = i + 1;
        while (j < dirty.size() && dirty[j]->number == dirty[j - 1]->number + 1) ++j;
        run.resize((j - i) * recordSize);
        for (std::size_t k = i; k < j; ++k) {
            std::memcpy(run.data() + (k - i) * recordSize, dirty[k]->image.data(), recordSize);
        }
        WriteAt(RecordOffset(dirty[i]->number), run.data(), run.size());
        for (std::size_t k = i; k < j; ++k) dirty[k]->dirty = false;
        i = j;
    }
}

void TDataFile::WriteHeader(bool force) {
    if (!m_headerChanged && !force) return;
    ++m_header.changeCount;
    m_header.lastWrite = hollin::Now() - kLastWriteBias;
    m_header.modifiedMarker = m_headerChanged ? 1 : 0;
    uint8_t raw[kDataHeaderSize];
    m_header.Encode(raw);
    WriteAt(0, raw, sizeof raw);
    m_headerChanged = false;
}

void TDataFile::FlushAll(bool includePinned) {
    FlushRecords(includePinned);
    WriteHeader(false);
    m_index->FlushPages();
    if (m_blob) m_blob->FlushBlocks();
}

void TDataFile::ReloadHeader() {
    uint8_t raw[kDataHeaderSize];
    ReadAt(0, raw, sizeof raw);
    DataHeader fresh = DataHeader::Decode(raw);
    if (fresh.version != kFormatVersion) RaiseEngineError(err::WrongVersion, FileName());
    if (fresh.recordSize != m_header.recordSize || fresh.fieldCount != m_header.fieldCount ||
        fresh.freeRecordHead >= fresh.nextRecordNumber) {
        RaiseEngineError(err::HeaderCorrupt, FileName());
    }
    m_header = fresh;
    m_headerChanged = false;
    m_cache.DropAll();
}

void TDataFile::Empty() {
    if (!Exclusive()) RaiseEngineError(err::MustBeExclusive, FileName());
    if (ReadOnly()) RaiseEngineError(err::AccessDenied, FileName());
    Truncate(DataStart());
    m_header.changeCount = 0;
    m_header.freeRecordHead = 0;
    m_header.nextRecordNumber = 1;
    m_header.lastRecordId = 0;
    m_cache.DropAll();
    m_headerChanged = true;
    m_index->Empty();
    if (m_blob) m_blob->Empty();
}

}  // namespace larch
