// TBlobFile: header, open and close, open blobs and writing the cache out.
#include "engine/blob/blob_file.h"

#include <algorithm>
#include <cstring>

#include "engine/files/byte_order.h"
#include "engine/files/engine_error.h"

namespace larch {
namespace {

// Header byte positions (layout in blob_file.h).
constexpr std::size_t kHeaderChangeCount = 0;
constexpr std::size_t kHeaderVersion = 8;
constexpr std::size_t kHeaderFreeHead = 9;
constexpr std::size_t kHeaderNextBlock = 13;
constexpr std::size_t kHeaderModified = 17;

// Zero (no block) or the start of a block below `fileEnd`.
bool IsBlockOffsetBelow(uint32_t offset, uint32_t blockSize, uint32_t fileEnd) {
    if (offset == 0) return true;
    return offset >= kBlobHeaderSize && (offset - kBlobHeaderSize) % blockSize == 0 && offset < fileEnd;
}

}  // namespace

TBlobFile::TBlobFile() { SetBlockSize(512); }

TBlobFile::~TBlobFile() {
    try {
        Close();
    } catch (...) {
        // A destructor cannot report; Close() does.
    }
}

std::string TBlobFile::MakeFileName(const std::string& name) const { return MakeTableFileName(name, ".BLB"); }

void TBlobFile::Raise(int code, const std::string& field) const { RaiseEngineError(code, FileName(), field); }

void TBlobFile::SetBlockSize(uint32_t bytes) {
    CheckClosed(bytes != m_blockSize);
    if (bytes < kMinBlobBlockSize || bytes > kMaxBlobBlockSize) Raise(err::BlobFieldsOrBlockSize);
    m_blockSize = bytes;
    m_cache.Configure(bytes, std::min<uint32_t>(kCacheBytes / bytes, kMaxCacheBlocks));
}

bool TBlobFile::IsBlockOffset(uint32_t offset) const {
    return IsBlockOffsetBelow(offset, m_blockSize, m_nextBlockOffset);
}

void TBlobFile::CheckWritable() const {
    if (ReadOnly()) Raise(err::AccessDenied);
}

void TBlobFile::CheckStoredOffset(uint32_t offset) const {
    if (!IsBlockOffset(offset)) Raise(err::InvalidBlobOffset);
}

void TBlobFile::Create() {
    CreateHandle();
    m_cache.Clear();
    m_openBlobs.clear();
    m_changeCount = 0;
    m_freeHead = 0;
    m_nextBlockOffset = kBlobHeaderSize;
    m_headerChanged = true;
    try {
        WriteHeader(false);
    } catch (...) {
        CloseHandle();
        throw;
    }
}

void TBlobFile::Open() {
    if (IsOpen()) return;
    OpenHandle();
    try {
        ReadHeader();
    } catch (...) {
        CloseHandle();
        throw;
    }
    m_cache.Clear();
    m_openBlobs.clear();
    m_headerChanged = false;
}

void TBlobFile::ReadHeader() {
    uint8_t header[kBlobHeaderSize];
    std::size_t got = ReadAt(0, header, sizeof header, ShortReadsAllowed());
    if (got < sizeof header) Raise(err::BlobBuffersCorrupt);
    if (header[kHeaderVersion] != kBlobFileVersion) Raise(err::WrongVersion);
    uint32_t freeHead = GetU32(header + kHeaderFreeHead);
    uint32_t nextBlock = GetU32(header + kHeaderNextBlock);
    if (nextBlock < kBlobHeaderSize || (nextBlock - kBlobHeaderSize) % m_blockSize != 0) {
        Raise(err::BlobBuffersCorrupt);
    }
    if (!IsBlockOffsetBelow(freeHead, m_blockSize, nextBlock)) Raise(err::BlobBuffersCorrupt);
    m_nextBlockOffset = nextBlock;
    m_freeHead = freeHead;
    m_changeCount = GetU32(header + kHeaderChangeCount);
}

void TBlobFile::WriteHeader(bool force) {
    if (!m_headerChanged && !force) return;
    uint8_t header[kBlobHeaderSize] = {};
    uint32_t count = m_changeCount + 1;
    PutU32(header + kHeaderChangeCount, count);
    header[kHeaderVersion] = kBlobFileVersion;
    PutU32(header + kHeaderFreeHead, m_freeHead);
    PutU32(header + kHeaderNextBlock, m_nextBlockOffset);
    header[kHeaderModified] = m_headerChanged ? 1 : 0;
    WriteAt(0, header, sizeof header);
    m_changeCount = count;
    m_headerChanged = false;
    m_blocksWritten = false;
}

void TBlobFile::Close() {
    if (!IsOpen()) return;
    try {
        if (!ReadOnly()) FlushBlocks();
    } catch (...) {
        m_cache.Clear();
        m_openBlobs.clear();
        CloseHandle();
        throw;
    }
    m_cache.Clear();
    m_openBlobs.clear();
    CloseHandle();
}

void TBlobFile::WriteDirtyBlocks() {
    std::vector<TBlock*> dirty = m_cache.DirtyBlocks();
    std::vector<uint8_t> run;
    std::size_t i = 0;
    while (i < dirty.size()) {
        std::size_t end = i + 1;
        while (end < dirty.size() && dirty[end]->offset == dirty[end - 1]->offset + m_blockSize) ++end;
        run.clear();
        for (std::size_t k = i; k < end; ++k) run.insert(run.end(), dirty[k]->bytes.begin(), dirty[k]->bytes.end());
        WriteAt(dirty[i]->offset, run.data(), run.size());
        m_blocksWritten = true;
        for (std::size_t k = i; k < end; ++k) dirty[k]->dirty = false;
        i = end;
    }
}

void TBlobFile::FlushBlocks(bool forceHeader) {
    // A write that left the blob file alone leaves its change count too:
    // other users reload their blobs only when it moves, and the file then
    // costs the write no sync.
    WriteDirtyBlocks();  // sets m_blocksWritten when it wrote anything
    WriteHeader(forceHeader && (m_headerChanged || m_blocksWritten));
}

void TBlobFile::DropCaches() { m_cache.Clear(); }

void TBlobFile::Empty() {
    if (!Exclusive()) Raise(err::MustBeExclusive);
    CheckWritable();
    Truncate(kBlobHeaderSize);
    m_freeHead = 0;
    m_nextBlockOffset = kBlobHeaderSize;
    m_cache.Clear();
    m_openBlobs.clear();
    m_headerChanged = true;
    WriteHeader(false);
}

std::vector<std::pair<int64_t, std::size_t>> TBlobFile::PendingRegions(bool force) {
    std::vector<std::pair<int64_t, std::size_t>> regions;
    for (const TBlock* block : m_cache.DirtyBlocks()) regions.emplace_back(block->offset, m_blockSize);
    if ((force && (!regions.empty() || m_blocksWritten)) || m_headerChanged) regions.emplace_back(0, kBlobHeaderSize);
    return regions;
}

void TBlobFile::Discard() {
    m_cache.Clear();
    m_openBlobs.clear();
    m_headerChanged = false;
    m_blocksWritten = false;
}

void TBlobFile::Reload() {
    m_cache.Clear();
    m_openBlobs.clear();
    ReadHeader();
    m_headerChanged = false;
    m_blocksWritten = false;
}

bool TBlobFile::CheckChangeCount() {
    uint8_t count[4];
    ReadAt(0, count, sizeof count);
    if (GetU32(count) == m_changeCount) return false;
    m_cache.Clear();
    ReadHeader();
    m_headerChanged = false;
    return true;
}

// --- Open blobs

TBlobBuffer* TBlobFile::FindOpenBlob(uint16_t fieldNumber) {
    for (auto& blob : m_openBlobs) {
        if (blob->FieldNumber() == fieldNumber) return blob.get();
    }
    return nullptr;
}

TBlobBuffer& TBlobFile::OpenedBlob(uint16_t fieldNumber) {
    TBlobBuffer* blob = FindOpenBlob(fieldNumber);
    if (!blob) Raise(err::InvalidBlobHandle);
    return *blob;
}

void TBlobFile::CloseBlob(uint16_t fieldNumber) {
    auto found = std::find_if(m_openBlobs.begin(), m_openBlobs.end(),
                              [&](const auto& blob) { return blob->FieldNumber() == fieldNumber; });
    if (found == m_openBlobs.end()) Raise(err::InvalidBlobHandle);
    m_openBlobs.erase(found);
}

void TBlobFile::DropOpenBlobs() { m_openBlobs.clear(); }

TBlobBuffer& TBlobFile::OpenBlob(const FieldDescriptor& field, uint32_t storedOffset, uint32_t ownerRecord,
                                 BlobMode mode) {
    if (!field.IsBlob()) Raise(err::InvalidBlobField, field.name);
    if (TBlobBuffer* open = FindOpenBlob(field.number)) {
        if (mode == BlobMode::Write) open->Truncate(0);
        return *open;
    }
    CheckStoredOffset(storedOffset);
    if (m_openBlobs.size() >= kMaxOpenBlobs) Raise(err::TooManyBlobs);

    std::vector<uint8_t> value;
    uint32_t firstBlock = storedOffset;
    ChainRead outcome = ChainRead::Complete;
    if (storedOffset != 0) {
        if (mode == BlobMode::Write) {
            // The old value is dropped, but its chain is reused at Post: it
            // must be this record's.
            if (FetchBlock(storedOffset, 1).Owner() != ownerRecord) Raise(err::BlobBuffersCorrupt);
        } else {
            outcome = ReadChain(storedOffset, ownerRecord, mode == BlobMode::Read, value);
            // Another record's chain is not this blob's: a later write makes
            // a new chain instead of overwriting it.
            if (outcome == ChainRead::ForeignOwner) firstBlock = 0;
        }
    }
    auto blob = std::make_unique<TBlobBuffer>(field.number, ownerRecord, firstBlock, mode, std::move(value), FileName());
    if (mode == BlobMode::Write) blob->Truncate(0);
    m_openBlobs.push_back(std::move(blob));
    // The bytes found stay readable through the open blob.
    if (outcome == ChainRead::LengthMismatch) Raise(err::EndOfBlob);
    return *m_openBlobs.back();
}

std::vector<std::pair<uint16_t, uint32_t>> TBlobFile::WriteOpenBlobs(uint32_t ownerRecord) {
    const TBlobBuffer* stored = nullptr;
    for (const auto& blob : m_openBlobs) {
        if (blob->FirstBlock() == 0) continue;
        if (stored && stored->Owner() != blob->Owner()) Raise(err::BlobBuffersCorrupt);
        stored = blob.get();
    }
    for (auto& blob : m_openBlobs) {
        bool foreignChain = blob->FirstBlock() != 0 && blob->Owner() != ownerRecord;
        if (foreignChain) {
            blob->m_firstBlock = 0;
            blob->m_modified = true;  // still to be written if this attempt fails
        }
        blob->m_owner = ownerRecord;
        if (!blob->Modified()) continue;
        const std::vector<uint8_t>& value = blob->Value();
        blob->m_firstBlock =
            WriteValue(blob->FirstBlock(), ownerRecord, value.data(), static_cast<uint32_t>(value.size()));
        blob->m_modified = false;
    }
    std::vector<std::pair<uint16_t, uint32_t>> result;
    result.reserve(m_openBlobs.size());
    for (const auto& blob : m_openBlobs) result.emplace_back(blob->FieldNumber(), blob->FirstBlock());
    m_openBlobs.clear();
    return result;
}

}  // namespace larch
