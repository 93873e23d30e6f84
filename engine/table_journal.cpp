// TTableJournal, the writer's side: saving original regions before the first
// change of a write, and removing the journal when the write is complete.
#include "engine/table_journal.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "engine/byte_order.h"
#include "engine/crc32.h"
#include "engine/engine_error.h"
#include "engine/file_faults.h"
#include "engine/file_handler.h"
#include "engine/journal_io.h"

namespace larch {
namespace {

// Entries are written in pieces of at most this many bytes, so that emptying
// a large table does not hold all of it in memory at once.
constexpr std::size_t kAppendPiece = 1 << 20;

}  // namespace

TTableJournal::~TTableJournal() { Close(); }

void TTableJournal::Attach(TFileHandler* data, TFileHandler* index, TFileHandler* blob, bool durable) {
    m_files[kDataFile] = data;
    m_files[kIndexFile] = index;
    m_files[kBlobFile] = blob;
    m_durable = durable;
    for (int f = 0; f < 3; ++f) {
        if (m_files[f]) m_files[f]->AttachJournal(this, f);
    }
}

void TTableJournal::Detach() {
    for (TFileHandler*& file : m_files) {
        if (file) file->AttachJournal(nullptr, 0);
        file = nullptr;
    }
}

void TTableJournal::Close() noexcept {
    if (m_fd >= 0) ::close(m_fd);  // releases the journal lock
    m_fd = -1;
    m_end = 0;
    m_pending.clear();
    for (std::vector<uint64_t>& saved : m_saved) saved.clear();
}

void TTableJournal::Start() {
    m_path = PathFor(m_files[kDataFile]->FileName());
    m_fd = journal_io::CreateLocked(m_path);
    uint8_t present = 0;
    for (int f = 0; f < 3; ++f) {
        m_originalSize[f] = m_files[f] ? m_files[f]->Size() : 0;
        if (m_files[f]) present |= static_cast<uint8_t>(1 << f);
    }
    m_pending = journal_io::EncodeHeader(journal_io::kKindRegions, present, m_originalSize, 0, 0);
    m_end = 0;
}

bool TTableJournal::MarkSaved(int file, uint64_t region) {
    std::vector<uint64_t>& bits = m_saved[file];
    const std::size_t word = static_cast<std::size_t>(region / 64);
    const uint64_t bit = uint64_t{1} << (region % 64);
    if (word >= bits.size()) bits.resize(word + 1, 0);
    if (bits[word] & bit) return false;
    bits[word] |= bit;
    return true;
}

void TTableJournal::Append(const std::vector<uint8_t>& bytes) {
    std::vector<uint8_t> out;
    const std::vector<uint8_t>* what = &bytes;
    if (!m_pending.empty()) {
        out = std::move(m_pending);
        out.insert(out.end(), bytes.begin(), bytes.end());
        m_pending.clear();
        what = &out;
    }
    if (what->empty()) return;
    const bool first = m_end == 0;
    try {
        journal_io::WriteAll(m_fd, m_end, what->data(), what->size(), m_path);
        m_end += static_cast<int64_t>(what->size());
        // Durable before the change it guards; a new journal's name too.
        if (m_durable) {
            journal_io::Sync(m_fd, m_path);
            if (first) journal_io::SyncFolderOf(m_path);
        }
    } catch (...) {
        m_failed = true;
        throw;
    }
}

void TTableJournal::Save(int file, int64_t from, int64_t to) {
    const int64_t original = m_originalSize[file];
    to = std::min(to, original);
    if (from >= to) return;
    TFileHandler& handler = *m_files[file];
    std::vector<uint8_t> entries;
    uint64_t region = static_cast<uint64_t>(from) / kJournalRegionSize;
    const uint64_t last = static_cast<uint64_t>(to - 1) / kJournalRegionSize;
    while (region <= last) {
        if (!MarkSaved(file, region)) {
            ++region;
            continue;
        }
        // A run of regions not saved yet becomes one entry.
        uint64_t end = region + 1;
        while (end <= last && (end - region) * kJournalRegionSize < kAppendPiece && MarkSaved(file, end)) ++end;
        const int64_t start = static_cast<int64_t>(region * kJournalRegionSize);
        const int64_t stop = std::min<int64_t>(static_cast<int64_t>(end * kJournalRegionSize), original);
        const std::size_t at = entries.size();
        entries.resize(at + kJournalEntryHeaderSize + static_cast<std::size_t>(stop - start));
        uint8_t* entry = entries.data() + at;
        std::size_t got = handler.ReadAt(start, entry + kJournalEntryHeaderSize, static_cast<std::size_t>(stop - start), true);
        entries.resize(at + kJournalEntryHeaderSize + got);
        entry = entries.data() + at;
        journal_io::EncodeEntry(entry, static_cast<uint8_t>(file), start, static_cast<uint32_t>(got));
        if (entries.size() >= kAppendPiece) {
            Append(entries);
            entries.clear();
        }
        region = end;
    }
    Append(entries);
}

void TTableJournal::BeforeWrite(int file, int64_t offset, std::size_t count) {
    if (count == 0) return;
    if (!Active()) Start();
    Save(file, offset, offset + static_cast<int64_t>(count));
    Append({});  // the header, when nothing needed saving
}

void TTableJournal::BeforeTruncate(int file, int64_t length) {
    if (!Active()) Start();
    Save(file, length, m_originalSize[file]);
    Append({});
}

void TTableJournal::Commit() {
    m_failed = false;
    if (!Active()) return;
    // Once the name is gone the write counts as done; a journal that cannot
    // be unlinked is emptied, which leaves nothing to roll back.
    if (::unlink(m_path.c_str()) != 0 && ::ftruncate(m_fd, 0) != 0) {
        RaiseEngineError(err::CannotDelete, m_path);
    }
    if (m_durable) journal_io::SyncFolderOf(m_path);
    Close();
}

void TTableJournal::RollBack() {
    m_failed = false;
    if (!Active()) return;
    // Holding the journal lock, the journal is applied and removed; on a
    // failure it stays for whoever comes next.
    std::string data = m_files[kDataFile] ? m_files[kDataFile]->FileName() : std::string();
    try {
        journal_io::Apply(m_fd, m_path, data);
    } catch (...) {
        Close();
        throw;
    }
    ::unlink(m_path.c_str());
    journal_io::SyncFolderOf(m_path);
    Close();
}

void TTableJournal::BeginSwap(const std::string& dataPath, const std::vector<SwapFile>& files) {
    m_path = PathFor(dataPath);
    m_fd = journal_io::CreateLocked(m_path);
    try {
        std::vector<uint8_t> body = journal_io::EncodeSwap(files);
        const int64_t none[3] = {0, 0, 0};
        std::vector<uint8_t> bytes =
            journal_io::EncodeHeader(journal_io::kKindSwap, 0, none, static_cast<uint32_t>(body.size()),
                                     Crc32(body.data(), body.size()));
        bytes.insert(bytes.end(), body.begin(), body.end());
        journal_io::WriteAll(m_fd, 0, bytes.data(), bytes.size(), m_path);
        journal_io::Sync(m_fd, m_path);
        journal_io::SyncFolderOf(m_path);
        m_end = static_cast<int64_t>(bytes.size());
        m_durable = true;
    } catch (...) {
        ::unlink(m_path.c_str());
        Close();
        throw;
    }
}

std::string TTableJournal::PathFor(const std::string& dataPath) {
    const std::string data = TFileHandler::ResolveCaseInsensitive(dataPath);
    return TFileHandler::ResolveCaseInsensitive(MakeTableFileName(data, ".JNL"));
}

bool TTableJournal::Exists(const std::string& dataPath) { return ::access(PathFor(dataPath).c_str(), F_OK) == 0; }

bool TTableJournal::RecoverIfHot(const std::string& dataPath) {
    const std::string path = PathFor(dataPath);
    int fd = journal_io::OpenHot(path);
    if (fd < 0) return false;
    try {
        journal_io::Apply(fd, path, dataPath);
    } catch (...) {
        ::close(fd);
        throw;
    }
    ::unlink(path.c_str());
    journal_io::SyncFolderOf(path);
    ::close(fd);
    return true;
}

}  // namespace larch
