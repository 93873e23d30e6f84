// TBlobFile::Verify: checks every chain in use and the free list against the
// blocks of the file and reports what is unsound.
#include <string>
#include <vector>

#include "engine/blob/blob_file.h"
#include "engine/files/engine_error.h"

namespace larch {
namespace {

// A damaged file could produce a report per block; the first ones suffice.
constexpr std::size_t kMaxReports = 100;
constexpr uint32_t kUnused = 0;
constexpr uint32_t kOnFreeList = UINT32_MAX;

class TReport {
public:
    void Add(std::string text) {
        if (m_lines.size() < kMaxReports) {
            m_lines.push_back(std::move(text));
        } else {
            ++m_dropped;
        }
    }
    std::vector<std::string> Finish() {
        if (m_dropped > 0) m_lines.push_back("and " + std::to_string(m_dropped) + " more problems");
        return std::move(m_lines);
    }

private:
    std::vector<std::string> m_lines;
    std::size_t m_dropped = 0;
};

std::string ChainName(uint32_t first, uint32_t owner) {
    return "chain at " + std::to_string(first) + " of record " + std::to_string(owner);
}

}  // namespace

const TBlock* TBlobFile::PeekBlock(uint32_t offset) {
    if (!IsBlockInFile(offset)) return nullptr;
    try {
        return &FetchBlock(offset, kMaxRunBytes);
    } catch (const ELarchEngineError&) {
        return nullptr;
    }
}

std::vector<std::string> TBlobFile::Verify(const std::vector<std::pair<uint32_t, uint32_t>>& chainsInUse) {
    TReport report;
    uint32_t blockCount = (m_nextBlockOffset - kBlobHeaderSize) / m_blockSize;
    // Per block: kUnused, kOnFreeList, or 1 + the index of the chain using it.
    std::vector<uint32_t> usedBy(blockCount, kUnused);
    auto indexOf = [&](uint32_t offset) { return (offset - kBlobHeaderSize) / m_blockSize; };

    for (std::size_t c = 0; c < chainsInUse.size(); ++c) {
        auto [first, owner] = chainsInUse[c];
        if (first == 0) continue;
        std::string name = ChainName(first, owner);
        uint32_t mark = static_cast<uint32_t>(c + 1);
        uint32_t previous = 0;
        uint32_t current = first;
        uint64_t length = 0;
        uint64_t collected = 0;
        bool whole = true;
        while (current != 0) {
            if (!IsBlockInFile(current)) {
                report.Add(name + ": block " + std::to_string(current) + " is out of range");
                whole = false;
                break;
            }
            uint32_t& slot = usedBy[indexOf(current)];
            if (slot == mark) {
                report.Add(name + ": loop at block " + std::to_string(current));
                whole = false;
                break;
            }
            if (slot != kUnused) {
                report.Add(name + ": block " + std::to_string(current) + " is used twice");
                whole = false;
                break;
            }
            slot = mark;
            const TBlock* b = PeekBlock(current);
            if (!b) {
                report.Add(name + ": block " + std::to_string(current) + " cannot be read");
                whole = false;
                break;
            }
            std::string at = name + ": block " + std::to_string(current);
            if (b->Owner() != owner) report.Add(at + " belongs to record " + std::to_string(b->Owner()));
            if (b->Prev() != previous) report.Add(at + " has a wrong previous link");
            if (b->BytesUsed() > DataBytesPerBlock()) report.Add(at + " claims too many bytes");
            if (current == first) {
                length = b->BlobLength();
            } else if (b->BlobLength() != 0) {
                report.Add(at + " carries a blob length");
            }
            collected += b->BytesUsed();
            previous = current;
            current = b->Next();
        }
        if (whole && collected != length) {
            report.Add(name + ": holds " + std::to_string(collected) + " bytes, its length says " +
                       std::to_string(length));
        }
    }

    uint32_t current = m_freeHead;
    while (current != 0) {
        if (!IsBlockInFile(current)) {
            report.Add("free list: block " + std::to_string(current) + " is out of range");
            break;
        }
        uint32_t& slot = usedBy[indexOf(current)];
        if (slot == kOnFreeList) {
            report.Add("free list: loop at block " + std::to_string(current));
            break;
        }
        if (slot != kUnused) {
            report.Add("free list: block " + std::to_string(current) + " is in use by a chain");
            break;
        }
        slot = kOnFreeList;
        const TBlock* b = PeekBlock(current);
        if (!b) {
            report.Add("free list: block " + std::to_string(current) + " cannot be read");
            break;
        }
        current = b->Next();
    }

    for (uint32_t i = 0; i < blockCount; ++i) {
        if (usedBy[i] == kUnused) {
            report.Add("block " + std::to_string(kBlobHeaderSize + i * m_blockSize) + " is leaked");
        }
    }
    return report.Finish();
}

}  // namespace larch
