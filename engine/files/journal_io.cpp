// Journal encodings, locking, and the rollback of region and swap journals.
#include "engine/files/journal_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <thread>

#include "engine/files/byte_order.h"
#include "engine/files/crc32.h"
#include "engine/files/engine_error.h"
#include "engine/files/file_faults.h"
#include "engine/files/file_handler.h"
#include "engine/files/table_locks.h"

namespace larch::journal_io {
namespace {

constexpr char kMagic[8] = {'L', 'A', 'R', 'C', 'H', 'J', 'N', 'L'};
constexpr uint16_t kVersion = 1;
// An entry longer than this is taken for damage.
constexpr uint32_t kMaxEntryLength = 64u << 20;

void PutI64(uint8_t* p, int64_t v) {
    PutU32(p, static_cast<uint32_t>(static_cast<uint64_t>(v)));
    PutU32(p + 4, static_cast<uint32_t>(static_cast<uint64_t>(v) >> 32));
}

int64_t GetI64(const uint8_t* p) {
    return static_cast<int64_t>(uint64_t{GetU32(p)} | (uint64_t{GetU32(p + 4)} << 32));
}

bool Lock(int fd, short type, bool wait) {
    struct flock fl;
    std::memset(&fl, 0, sizeof fl);
    fl.l_type = type;
    fl.l_whence = SEEK_SET;
    fl.l_start = 0;
    fl.l_len = 1;
    for (int attempt = 0;; ++attempt) {
        if (::fcntl(fd, F_OFD_SETLK, &fl) == 0) return true;
        if (!wait || attempt >= locks::kFileLockRetries) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(locks::kFileLockWaitMs));
    }
}

std::size_t ReadUpTo(int fd, int64_t offset, void* buffer, std::size_t count) {
    std::size_t done = 0;
    while (done < count) {
        ssize_t n = ::pread(fd, static_cast<char*>(buffer) + done, count - done, static_cast<off_t>(offset + done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += static_cast<std::size_t>(n);
    }
    return done;
}

bool Exists(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0;
}

void Truncate(int fd, int64_t length, const std::string& path) {
    std::size_t none = 0;
    const int fault = CheckFileFault(FileOp::Truncate, path, none);
    if (fault != 0 || ::ftruncate(fd, static_cast<off_t>(length)) != 0) RaiseEngineError(err::WriteError, path);
}

void ApplyRegions(int journal, const uint8_t* header, const std::string& dataPath) {
    const uint32_t writeNumber = GetU32(header + 48);
    const std::string data = TFileHandler::ResolveCaseInsensitive(dataPath);
    const std::string paths[3] = {data, TFileHandler::ResolveCaseInsensitive(MakeTableFileName(data, ".IDX")),
                                  TFileHandler::ResolveCaseInsensitive(MakeTableFileName(data, ".BLB"))};
    const uint8_t present = header[11];
    int fds[3] = {-1, -1, -1};
    auto closeAll = [&] {
        for (int& fd : fds) {
            if (fd >= 0) ::close(fd);
            fd = -1;
        }
    };
    try {
        for (int f = 0; f < 3; ++f) {
            if (!(present & (1 << f))) continue;
            fds[f] = ::open(paths[f].c_str(), O_RDWR | O_CLOEXEC);
            // A file that is gone has nothing to put back; its entries end
            // the rollback below.
            if (fds[f] < 0 && errno == ENOENT) continue;
            if (fds[f] < 0) RaiseOsError(errno, paths[f]);
        }
        int64_t at = kJournalHeaderSize;
        std::vector<uint8_t> bytes;
        for (;;) {
            uint8_t entry[kJournalEntryHeaderSize];
            if (ReadUpTo(journal, at, entry, sizeof entry) < sizeof entry) break;
            const uint8_t file = entry[0];
            const int64_t offset = GetI64(entry + 4);
            const uint32_t length = GetU32(entry + 12);
            if (file > 2 || offset < 0 || length > kMaxEntryLength) break;
            bytes.resize(length);
            if (ReadUpTo(journal, at + kJournalEntryHeaderSize, bytes.data(), length) < length) break;
            uint8_t number[4];
            PutU32(number, writeNumber);
            uint32_t crc = Crc32(number, 4);
            crc = Crc32(entry, 16, crc);
            crc = Crc32(bytes.data(), length, crc);
            if (crc != GetU32(entry + 16)) break;  // torn, or an earlier write's
            if (fds[file] >= 0) WriteAll(fds[file], offset, bytes.data(), length, paths[file]);
            at += kJournalEntryHeaderSize + length;
        }
        for (int f = 0; f < 3; ++f) {
            if (fds[f] < 0) continue;
            Truncate(fds[f], GetI64(header + 16 + 8 * f), paths[f]);
            Sync(fds[f], paths[f]);
        }
    } catch (...) {
        closeAll();
        throw;
    }
    closeAll();
}

bool TakeText(const std::vector<uint8_t>& body, std::size_t& at, std::string& text) {
    if (at + 2 > body.size()) return false;
    const std::size_t length = GetU16(body.data() + at);
    at += 2;
    if (at + length > body.size()) return false;
    text.assign(reinterpret_cast<const char*>(body.data() + at), length);
    at += length;
    return true;
}

void ApplySwap(int journal, const uint8_t* header, const std::string& path) {
    const uint32_t length = GetU32(header + 40);
    if (length > kMaxEntryLength) return;
    std::vector<uint8_t> body(length);
    if (ReadUpTo(journal, kJournalHeaderSize, body.data(), length) < length) return;
    if (Crc32(body.data(), length) != GetU32(header + 44)) return;
    std::size_t at = 0;
    for (int k = 0; k < 3; ++k) {
        if (at >= body.size()) return;
        const uint8_t flags = body[at++];
        TTableJournal::SwapFile f;
        if (!TakeText(body, at, f.target) || !TakeText(body, at, f.aside) || !TakeText(body, at, f.fresh)) return;
        f.oldExists = flags & 1;
        f.freshExists = flags & 2;
        // The old file goes back; a new file where the old table had none goes.
        if (f.oldExists && Exists(f.aside)) {
            if (std::rename(f.aside.c_str(), f.target.c_str()) != 0) RaiseOsError(errno, f.aside);
        } else if (!f.oldExists && f.freshExists && Exists(f.target) && !Exists(f.fresh)) {
            ::unlink(f.target.c_str());
        }
        if (f.freshExists) ::unlink(f.fresh.c_str());
    }
    SyncFolderOf(path);
}

}  // namespace

std::vector<uint8_t> EncodeHeader(uint8_t kind, uint8_t present, const int64_t sizes[3], uint32_t writeNumber,
                                  uint32_t bodyLength, uint32_t bodyCrc) {
    std::vector<uint8_t> h(kJournalHeaderSize, 0);
    std::memcpy(h.data(), kMagic, sizeof kMagic);
    PutU16(h.data() + 8, kVersion);
    h[10] = kind;
    h[11] = present;
    PutU32(h.data() + 12, kJournalRegionSize);
    for (int f = 0; f < 3; ++f) PutI64(h.data() + 16 + 8 * f, sizes[f]);
    PutU32(h.data() + 40, bodyLength);
    PutU32(h.data() + 44, bodyCrc);
    PutU32(h.data() + 48, writeNumber);
    PutU32(h.data() + 60, Crc32(h.data(), 60));
    return h;
}

void EncodeEntry(uint8_t* entry, uint8_t file, int64_t offset, uint32_t length, uint32_t writeNumber) {
    std::memset(entry, 0, kJournalEntryHeaderSize);
    entry[0] = file;
    PutI64(entry + 4, offset);
    PutU32(entry + 12, length);
    uint8_t number[4];
    PutU32(number, writeNumber);
    uint32_t crc = Crc32(number, 4);
    crc = Crc32(entry, 16, crc);
    crc = Crc32(entry + kJournalEntryHeaderSize, length, crc);
    PutU32(entry + 16, crc);
}

bool HeaderValid(const uint8_t* header) {
    return std::memcmp(header, kMagic, sizeof kMagic) == 0 && GetU16(header + 8) == kVersion &&
           Crc32(header, 60) == GetU32(header + 60);
}

std::vector<uint8_t> EncodeSwap(const std::vector<TTableJournal::SwapFile>& files) {
    std::vector<uint8_t> body;
    auto text = [&](const std::string& s) {
        const std::size_t length = std::min<std::size_t>(s.size(), 65535);
        body.push_back(static_cast<uint8_t>(length));
        body.push_back(static_cast<uint8_t>(length >> 8));
        body.insert(body.end(), s.begin(), s.begin() + static_cast<std::ptrdiff_t>(length));
    };
    for (const TTableJournal::SwapFile& f : files) {
        body.push_back(static_cast<uint8_t>((f.oldExists ? 1 : 0) | (f.freshExists ? 2 : 0)));
        text(f.target);
        text(f.aside);
        text(f.fresh);
    }
    return body;
}

int OpenLocked(const std::string& path) {
    for (;;) {
        int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
        if (fd < 0) RaiseOsError(errno, path);
        if (!Lock(fd, F_WRLCK, true)) {
            ::close(fd);
            RaiseEngineError(err::LockFailure, path);
        }
        if (StillNamed(fd, path)) return fd;
        ::close(fd);  // removed by its last user meanwhile: open the new one
    }
}

bool TryLock(int fd) { return Lock(fd, F_WRLCK, false); }

bool LockWait(int fd) { return Lock(fd, F_WRLCK, true); }

void Unlock(int fd) noexcept { Lock(fd, F_UNLCK, false); }

bool StillNamed(int fd, const std::string& path) {
    struct stat mine, named;
    return ::fstat(fd, &mine) == 0 && mine.st_nlink > 0 && ::stat(path.c_str(), &named) == 0 &&
           named.st_ino == mine.st_ino && named.st_dev == mine.st_dev;
}

bool HasValidHeader(int fd) {
    uint8_t header[kJournalHeaderSize];
    return ReadUpTo(fd, 0, header, sizeof header) == sizeof header && HeaderValid(header);
}

int OpenHot(const std::string& path) {
    int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0 && errno == ENOENT) return -1;
    if (fd < 0) {
        // A user who may only read waits for a live writer like everyone,
        // and is refused only when the journal is still valid after that.
        fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) return -1;
        const bool hot = Lock(fd, F_RDLCK, true) && StillNamed(fd, path) && HasValidHeader(fd);
        ::close(fd);
        if (hot) RaiseEngineError(err::AccessDenied, path);
        return -1;
    }
    if (!Lock(fd, F_WRLCK, true)) {
        ::close(fd);
        RaiseEngineError(err::LockFailure, path);
    }
    // A journal its last user removed while we waited is no longer ours to apply.
    if (!StillNamed(fd, path)) {
        ::close(fd);
        return -1;
    }
    return fd;
}

void WriteAll(int fd, int64_t offset, const void* data, std::size_t count, const std::string& path) {
    if (!WriteThroughSeam(fd, offset, data, count, path)) RaiseEngineError(err::WriteError, path);
}

void Sync(int fd, const std::string& path) {
    std::size_t none = 0;
    const int fault = CheckFileFault(FileOp::Sync, path, none);
    if (fault != 0 || ::fdatasync(fd) != 0) RaiseEngineError(err::WriteError, path);
}

void SyncFolderOf(const std::string& path) noexcept {
    const std::size_t slash = path.find_last_of('/');
    const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash == 0 ? 1 : slash);
    int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

bool Apply(int fd, const std::string& path, const std::string& dataPath) {
    uint8_t header[kJournalHeaderSize];
    // Invalid: never finished (nothing was changed under it), or a write
    // that completed.
    if (ReadUpTo(fd, 0, header, sizeof header) < sizeof header || !HeaderValid(header)) return false;
    if (header[10] == kKindRegions) {
        ApplyRegions(fd, header, dataPath);
    } else if (header[10] == kKindSwap) {
        ApplySwap(fd, header, path);
    }
    return true;
}

}  // namespace larch::journal_io
