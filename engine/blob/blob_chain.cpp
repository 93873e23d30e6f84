// TBlobFile: blocks from the cache or the file, reading, writing and freeing
// chains, and taking new blocks.
#include <algorithm>
#include <cstring>
#include <unordered_set>

#include "engine/blob/blob_file.h"
#include "engine/files/engine_error.h"

namespace larch {

uint32_t TBlobFile::BlocksFor(uint64_t bytes) const {
    uint64_t per = DataBytesPerBlock();
    return static_cast<uint32_t>((bytes + per - 1) / per);
}

void TBlobFile::CheckPin(const TBlock& b) const {
    if (b.pins >= kMaxBlockPins) Raise(err::BlobBuffersCorrupt);
}

TBlock& TBlobFile::TakeEntry(uint32_t offset) {
    TBlock* entry = m_cache.Add(offset);
    if (!entry) {
        WriteDirtyBlocks();
        entry = m_cache.Add(offset);
    }
    if (!entry) Raise(err::BlobBuffersCorrupt);
    return *entry;
}

TBlock& TBlobFile::BlockForOverwrite(uint32_t offset) {
    if (TBlock* cached = m_cache.Find(offset)) return *cached;
    return TakeEntry(offset);
}

TBlock& TBlobFile::FetchBlock(uint32_t offset, uint32_t runHint) {
    if (TBlock* cached = m_cache.Find(offset)) return *cached;

    uint32_t run = std::min<uint32_t>({runHint, kMaxRunBytes / m_blockSize,
                                       static_cast<uint32_t>(m_cache.Capacity()),
                                       (m_nextBlockOffset - offset) / m_blockSize});
    run = std::max<uint32_t>(run, 1);
    std::vector<uint8_t> bytes(static_cast<std::size_t>(run) * m_blockSize);
    // Blocks after the wanted one may not be on disk yet (new blocks still in
    // the cache), so only the wanted block has to be read whole.
    std::size_t got = ReadAt(offset, bytes.data(), bytes.size(), true);
    if (got < m_blockSize) Raise(ShortReadsAllowed() ? err::BlobBuffersCorrupt : err::ReadError);

    TBlock& wanted = TakeEntry(offset);
    std::memcpy(wanted.bytes.data(), bytes.data(), m_blockSize);
    CheckPin(wanted);
    TBlockPin pin(wanted);
    std::size_t complete = got / m_blockSize;
    for (std::size_t k = 1; k < complete; ++k) {
        uint32_t at = offset + static_cast<uint32_t>(k) * m_blockSize;
        if (m_cache.Contains(at)) continue;  // a cached copy may be newer
        TBlock* extra = m_cache.Add(at);
        if (!extra) break;  // read-ahead never forces writing
        std::memcpy(extra->bytes.data(), bytes.data() + k * m_blockSize, m_blockSize);
    }
    m_cache.Find(offset);  // the wanted block is the most recently used
    return wanted;
}

void TBlobFile::CopyFromBlock(const TBlock& b, uint32_t count, std::vector<uint8_t>& out) const {
    if (count > DataBytesPerBlock()) Raise(err::InvalidBlobLength);
    out.insert(out.end(), b.Data(), b.Data() + count);
}

void TBlobFile::FillBlock(TBlock& b, const uint8_t* data, uint32_t count) const {
    if (count > DataBytesPerBlock()) Raise(err::InvalidBlobLength);
    std::memcpy(b.Data(), data, count);
    std::memset(b.Data() + count, 0, DataBytesPerBlock() - count);
    PutU16(&b.bytes[block::BytesUsed], static_cast<uint16_t>(count));
}

TBlobFile::ChainRead TBlobFile::ReadChain(uint32_t firstBlock, uint32_t owner, bool foreignIsEmpty,
                                          std::vector<uint8_t>& value) {
    value.clear();
    TBlock& first = FetchBlock(firstBlock, 1);
    if (first.Owner() != owner) {
        if (foreignIsEmpty) return ChainRead::ForeignOwner;
        Raise(err::BlobBuffersCorrupt);
    }
    uint32_t length = first.BlobLength();
    // The recorded length is not trusted for the allocation.
    uint64_t fileBytes = static_cast<uint64_t>(m_nextBlockOffset - kBlobHeaderSize);
    value.reserve(static_cast<std::size_t>(std::min<uint64_t>(length, fileBytes)));

    std::unordered_set<uint32_t> visited;
    uint32_t current = firstBlock;
    while (current != 0) {
        if (!IsBlockInFile(current) || !visited.insert(current).second) Raise(err::BlobBuffersCorrupt);
        uint64_t remaining = length > value.size() ? length - value.size() : 0;
        TBlock& b = FetchBlock(current, std::max<uint32_t>(BlocksFor(remaining), 1));
        if (b.Owner() != owner) Raise(err::BlobBuffersCorrupt);
        CopyFromBlock(b, b.BytesUsed(), value);
        current = b.Next();
    }
    return value.size() == length ? ChainRead::Complete : ChainRead::LengthMismatch;
}

std::vector<uint32_t> TBlobFile::CollectChain(uint32_t firstBlock, uint32_t owner) {
    std::vector<uint32_t> chain;
    std::unordered_set<uint32_t> visited;
    uint32_t length = 0;
    uint32_t current = firstBlock;
    while (current != 0) {
        if (!IsBlockInFile(current) || !visited.insert(current).second) Raise(err::BlobBuffersCorrupt);
        uint32_t expected = BlocksFor(length);
        uint32_t hint = chain.empty() ? 1 : (expected > chain.size() ? expected - static_cast<uint32_t>(chain.size()) : 1);
        TBlock& b = FetchBlock(current, hint);
        if (b.Owner() != owner) Raise(err::BlobBuffersCorrupt);
        if (chain.empty()) length = b.BlobLength();
        chain.push_back(current);
        current = b.Next();
    }
    return chain;
}

std::vector<uint32_t> TBlobFile::TakeNewBlocks(std::size_t count) {
    // Nothing changes until every block is known, so a broken free list or a
    // full file leaves the header as it was.
    std::vector<uint32_t> taken;
    taken.reserve(count);
    std::unordered_set<uint32_t> visited;
    uint32_t head = m_freeHead;
    while (taken.size() < count && head != 0) {
        if (!IsBlockInFile(head) || !visited.insert(head).second) Raise(err::BlobBuffersCorrupt);
        taken.push_back(head);
        head = FetchBlock(head, 1).Next();
    }
    if (!IsBlockOffset(head) || visited.count(head) != 0) Raise(err::BlobBuffersCorrupt);
    uint64_t next = m_nextBlockOffset;
    while (taken.size() < count) {
        if (next > kMaxBlockOffset) Raise(err::TableFull);
        taken.push_back(static_cast<uint32_t>(next));
        next += m_blockSize;
    }
    if (count > 0) {
        m_freeHead = head;
        m_nextBlockOffset = static_cast<uint32_t>(next);
        m_headerChanged = true;
    }
    return taken;
}

void TBlobFile::FreeBlocks(const std::vector<uint32_t>& offsets) {
    for (uint32_t offset : offsets) {
        TBlock& b = FetchBlock(offset, 1);
        b.SetNext(m_freeHead);
        b.dirty = true;
        m_freeHead = offset;
        m_headerChanged = true;
    }
}

std::vector<uint8_t> TBlobFile::ReadValue(uint32_t firstBlock, uint32_t ownerRecord) {
    CheckStoredOffset(firstBlock);
    std::vector<uint8_t> value;
    if (firstBlock == 0) return value;
    switch (ReadChain(firstBlock, ownerRecord, true, value)) {
        case ChainRead::ForeignOwner: return {};
        case ChainRead::LengthMismatch: Raise(err::EndOfBlob);
        case ChainRead::Complete: break;
    }
    return value;
}

uint32_t TBlobFile::WriteValue(uint32_t firstBlock, uint32_t ownerRecord, const uint8_t* data, uint32_t length) {
    CheckStoredOffset(firstBlock);
    CheckWritable();
    std::vector<uint32_t> chain;
    if (firstBlock != 0) chain = CollectChain(firstBlock, ownerRecord);
    if (length == 0) {
        FreeBlocks(chain);
        return 0;
    }
    std::size_t needed = BlocksFor(length);
    std::vector<uint32_t> leftover;
    if (chain.size() > needed) {
        leftover.assign(chain.begin() + static_cast<std::ptrdiff_t>(needed), chain.end());
        chain.resize(needed);
    } else if (chain.size() < needed) {
        std::vector<uint32_t> fresh = TakeNewBlocks(needed - chain.size());
        chain.insert(chain.end(), fresh.begin(), fresh.end());
    }

    uint32_t per = DataBytesPerBlock();
    uint32_t written = 0;
    for (std::size_t i = 0; i < chain.size(); ++i) {
        TBlock& b = BlockForOverwrite(chain[i]);
        uint32_t count = std::min(per, length - written);
        PutU32(&b.bytes[block::Prev], i == 0 ? 0 : chain[i - 1]);
        PutU32(&b.bytes[block::Next], i + 1 < chain.size() ? chain[i + 1] : 0);
        PutU32(&b.bytes[block::Owner], ownerRecord);
        PutU32(&b.bytes[block::BlobLength], i == 0 ? length : 0);
        FillBlock(b, data + written, count);
        b.dirty = true;
        written += count;
    }
    FreeBlocks(leftover);
    return chain.front();
}

void TBlobFile::FreeChain(uint32_t firstBlock, uint32_t ownerRecord) {
    CheckStoredOffset(firstBlock);
    if (firstBlock == 0) return;
    CheckWritable();
    FreeBlocks(CollectChain(firstBlock, ownerRecord));
}

}  // namespace larch
