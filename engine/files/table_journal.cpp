// TTableJournal, the writer's side: saving original regions before the first
// change of a write, and removing the journal when the write is complete.
#include "engine/files/table_journal.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <random>

#include "engine/files/byte_order.h"
#include "engine/files/crc32.h"
#include "engine/files/engine_error.h"
#include "engine/files/file_faults.h"
#include "engine/files/file_handler.h"
#include "engine/files/journal_io.h"

namespace larch {
namespace {

// Entries are written in pieces of at most this many bytes, so that emptying
// a large table does not hold all of it in memory at once.
constexpr std::size_t kAppendPiece = 1 << 20;

}  // namespace

namespace {

uint32_t NewWriteNumber() {
    static std::mt19937 random(std::random_device{}());
    return static_cast<uint32_t>(random());
}

}  // namespace

TTableJournal::~TTableJournal() { Close(); }

void TTableJournal::Attach(TFileHandler* data, TFileHandler* index, TFileHandler* blob, const std::string& path) {
    m_files[kDataFile] = data;
    m_files[kIndexFile] = index;
    m_files[kBlobFile] = blob;
    m_path = path.empty() ? PathFor(data->FileName()) : path;
    for (int f = 0; f < 3; ++f) {
        if (m_files[f]) m_files[f]->AttachJournal(this, f);
    }
}

void TTableJournal::Detach() {
    for (TFileHandler*& file : m_files) {
        if (file) file->AttachJournal(nullptr, 0);
        file = nullptr;
    }
    Close();
}

void TTableJournal::EndWrite() noexcept {
    if (m_fd >= 0) journal_io::Unlock(m_fd);
    m_active = false;
    m_end = 0;
    m_pending.clear();
    for (std::vector<uint64_t>& saved : m_saved) saved.clear();
    for (bool& changed : m_changed) changed = false;
}

void TTableJournal::Close() noexcept {
    if (m_fd < 0) return;
    // The last user removes the spent journal; a write that did not complete
    // leaves it valid for the next user.
    if (!m_active && journal_io::TryLock(m_fd)) {
        if (!journal_io::HasValidHeader(m_fd) && journal_io::StillNamed(m_fd, m_path)) ::unlink(m_path.c_str());
    }
    ::close(m_fd);  // releases the journal lock
    m_fd = -1;
    m_active = m_swap = false;
    m_end = 0;
    m_pending.clear();
    for (std::vector<uint64_t>& saved : m_saved) saved.clear();
    for (bool& changed : m_changed) changed = false;
}

void TTableJournal::Start() {
    // The journal kept open from earlier writes is used again while it still
    // bears its name; its last user may have removed it meanwhile.
    if (m_fd >= 0) {
        if (!journal_io::LockWait(m_fd)) RaiseEngineError(err::LockFailure, m_path);
        if (!journal_io::StillNamed(m_fd, m_path)) {
            ::close(m_fd);
            m_fd = -1;
        }
    }
    if (m_fd < 0) {
        m_fd = journal_io::OpenLocked(m_path);
        m_newFile = true;
        struct stat st;
        m_fdInode = ::fstat(m_fd, &st) == 0 ? static_cast<uint64_t>(st.st_ino) : 0;
    }
    uint8_t present = 0;
    try {
        for (int f = 0; f < 3; ++f) {
            m_originalSize[f] = m_files[f] ? m_files[f]->Size() : 0;
            if (m_files[f]) present |= static_cast<uint8_t>(1 << f);
        }
    } catch (...) {
        journal_io::Unlock(m_fd);
        throw;
    }
    m_writeNumber = NewWriteNumber();
    const std::vector<uint8_t> header =
        journal_io::EncodeHeader(journal_io::kKindRegions, present, m_originalSize, m_writeNumber, 0, 0);
    m_pending.assign(header.begin(), header.end());
    m_header = header;
    m_end = 0;
    m_active = true;
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

void TTableJournal::Append() {
    if (m_pending.empty()) return;
    try {
        journal_io::WriteAll(m_fd, m_end, m_pending.data(), m_pending.size(), m_path);
        m_end += static_cast<int64_t>(m_pending.size());
        m_pending.clear();  // keeps its room for the next write
        // On the disk before the change it guards; a new journal's name too.
        journal_io::Sync(m_fd, m_path);
        if (m_newFile) journal_io::SyncFolderOf(m_path);
        m_newFile = false;
    } catch (...) {
        m_failed = true;
        throw;
    }
}

void TTableJournal::Save(int file, int64_t from, int64_t to) {
    std::vector<uint8_t>& entries = m_pending;
    const int64_t original = m_originalSize[file];
    to = std::min(to, original);
    if (from >= to) return;
    TFileHandler& handler = *m_files[file];
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
        std::size_t got = 0;
        try {
            got = handler.ReadOriginal(start, entry + kJournalEntryHeaderSize, static_cast<std::size_t>(stop - start));
        } catch (...) {
            // Nothing of these regions was saved: no half entry waits to be
            // written, and a retry saves them again.
            entries.resize(at);
            for (uint64_t r = region; r < end; ++r) m_saved[file][r / 64] &= ~(uint64_t{1} << (r % 64));
            throw;
        }
        entries.resize(at + kJournalEntryHeaderSize + got);
        entry = entries.data() + at;
        journal_io::EncodeEntry(entry, static_cast<uint8_t>(file), start, static_cast<uint32_t>(got), m_writeNumber);
        if (entries.size() >= kAppendPiece) Append();
        region = end;
    }
}

void TTableJournal::BeforeWrite(int file, int64_t offset, std::size_t count) {
    if (count == 0) return;
    if (!Active()) Start();
    m_changed[file] = true;
    Save(file, offset, offset + static_cast<int64_t>(count));
    Append();  // the header alone, when nothing needed saving
}

void TTableJournal::BeforeTruncate(int file, int64_t length) {
    if (!Active()) Start();
    m_changed[file] = true;
    Save(file, length, m_originalSize[file]);
    Append();
}

void TTableJournal::Prepare(const std::vector<Region>& regions) {
    if (regions.empty()) return;
    if (!Active()) Start();
    for (const Region& r : regions) {
        if (m_files[r.file]) Save(r.file, r.offset, r.offset + static_cast<int64_t>(r.count));
    }
    Append();
}

void TTableJournal::Invalidate() {
    const uint8_t zeros[kJournalHeaderSize] = {};
    journal_io::WriteAll(m_fd, 0, zeros, sizeof zeros, m_path);
    journal_io::Sync(m_fd, m_path);
}

void TTableJournal::SyncChangedFiles() {
    for (int f = 0; f < 3; ++f) {
        if (m_changed[f] && m_files[f]) m_files[f]->Flush();
    }
}

void TTableJournal::Commit() {
    m_failed = false;
    if (!m_active) return;
    if (m_swap) {
        // A swap journal is used once: its name goes with it. One that
        // cannot be removed is invalidated, so that it never undoes the swap.
        if (::unlink(m_path.c_str()) != 0) Invalidate();
        journal_io::SyncFolderOf(m_path);
        Close();
        return;
    }
    // Once the header is invalid the write counts as done. A failure here
    // leaves the write open, for the caller to roll back: a failed sync may
    // have dropped the pages it was to write, so nothing of it is trusted.
    try {
        SyncChangedFiles();
        Invalidate();
    } catch (...) {
        m_failed = true;
        // The zeroed header may be all the journal shows: the valid one goes
        // back, so that the rollback finds its entries.
        if (!m_header.empty()) {
            try {
                journal_io::WriteAll(m_fd, 0, m_header.data(), m_header.size(), m_path);
            } catch (...) {
                // the failure of the write itself is what the caller hears of
            }
        }
        throw;
    }
    EndWrite();
}

void TTableJournal::RollBack() {
    m_failed = false;
    if (!m_active) return;
    // Holding the journal lock, the journal is applied and invalidated; on a
    // failure it stays valid for whoever comes next.
    const std::string data = m_files[kDataFile] ? m_files[kDataFile]->FileName() : std::string();
    try {
        journal_io::Apply(m_fd, m_path, data);
        if (m_swap) {
            ::unlink(m_path.c_str());
            journal_io::SyncFolderOf(m_path);
        } else {
            Invalidate();
        }
    } catch (...) {
        EndWrite();
        ::close(m_fd);
        m_fd = -1;
        m_swap = false;
        throw;
    }
    if (m_swap) {
        Close();
    } else {
        EndWrite();
    }
}

void TTableJournal::BeginSwap(const std::string& dataPath, const std::vector<SwapFile>& files) {
    m_path = PathFor(dataPath);
    m_fd = journal_io::OpenLocked(m_path);
    try {
        std::vector<uint8_t> body = journal_io::EncodeSwap(files);
        const int64_t none[3] = {0, 0, 0};
        std::vector<uint8_t> bytes = journal_io::EncodeHeader(journal_io::kKindSwap, 0, none, NewWriteNumber(),
                                                              static_cast<uint32_t>(body.size()),
                                                              Crc32(body.data(), body.size()));
        bytes.insert(bytes.end(), body.begin(), body.end());
        journal_io::WriteAll(m_fd, 0, bytes.data(), bytes.size(), m_path);
        journal_io::Sync(m_fd, m_path);
        journal_io::SyncFolderOf(m_path);
        m_end = static_cast<int64_t>(bytes.size());
        m_header.assign(bytes.begin(), bytes.begin() + kJournalHeaderSize);
        m_active = m_swap = true;
    } catch (...) {
        ::unlink(m_path.c_str());
        Close();
        throw;
    }
}

std::string TTableJournal::PathFor(const std::string& dataPath) {
    // Every user names the journal after the data file's spelling on disk,
    // so the name is exact: no other spelling is looked for (which could
    // belong to a table whose name differs only in case).
    return MakeTableFileName(TFileHandler::ResolveCaseInsensitive(dataPath), ".JNL");
}

bool TTableJournal::Exists(const std::string& dataPath) { return ::access(PathFor(dataPath).c_str(), F_OK) == 0; }

bool TTableJournal::MayBeHot(const std::string& dataPath) { return MayBeHotAt(PathFor(dataPath)); }

bool TTableJournal::MayBeHotAt(const std::string& journalPath) {
    int fd = ::open(journalPath.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    const bool valid = journal_io::HasValidHeader(fd);
    ::close(fd);
    return valid;
}

bool TTableJournal::HotJournalPossible(const std::string& dataPath, const std::string& knownPath) const {
    auto lookUp = [&] { return knownPath.empty() ? MayBeHot(dataPath) : MayBeHotAt(knownPath); };
    if (m_fd < 0 || m_path.empty()) return lookUp();
    struct stat st;
    if (::stat(m_path.c_str(), &st) != 0) return false;
    if (static_cast<uint64_t>(st.st_ino) != m_fdInode) return lookUp();
    return journal_io::HasValidHeader(m_fd);
}

bool TTableJournal::RecoverIfHot(const std::string& dataPath) {
    const std::string path = PathFor(dataPath);
    int fd = journal_io::OpenHot(path);
    if (fd < 0) return false;
    bool applied = false;
    try {
        applied = journal_io::Apply(fd, path, dataPath);
    } catch (...) {
        ::close(fd);
        throw;
    }
    // Removed under its lock; a user that kept it open makes a new one.
    if (applied) {
        ::unlink(path.c_str());
        journal_io::SyncFolderOf(path);
    }
    ::close(fd);
    return applied;
}

}  // namespace larch
