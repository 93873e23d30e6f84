// TFileHandler over POSIX files with OFD locks standing in for share modes.
#include "engine/files/file_handler.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

#include "engine/files/engine_error.h"
#include "engine/files/file_faults.h"
#include "engine/files/table_journal.h"
#include "dataset/field_defs.h"

namespace larch {
namespace {

constexpr std::size_t kCopyPiece = 65535;

bool PathExists(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0;
}

bool OfdLock(int fd, short type, int64_t offset, int64_t length) {
    struct flock fl;
    std::memset(&fl, 0, sizeof fl);
    fl.l_type = type;
    fl.l_whence = SEEK_SET;
    fl.l_start = static_cast<off_t>(offset);
    fl.l_len = static_cast<off_t>(length);
    return ::fcntl(fd, F_OFD_SETLK, &fl) == 0;
}

}  // namespace

std::string MakeTableFileName(const std::string& name, const std::string& extension) {
    std::size_t first = name.find_first_not_of(' ');
    if (first == std::string::npos) return extension;
    std::size_t last = name.find_last_not_of(' ');
    std::string trimmed = name.substr(first, last - first + 1);
    std::size_t slash = trimmed.find_last_of("/\\");
    std::size_t dot = trimmed.find_last_of('.');
    bool hasExtension = dot != std::string::npos && (slash == std::string::npos || dot > slash);
    if (hasExtension) {
        if (hollin::SameName(trimmed.substr(dot), extension)) return trimmed;
        trimmed.erase(dot);
    }
    return trimmed + extension;
}

TFileHandler::TFileHandler() = default;

TFileHandler::~TFileHandler() { CloseHandle(); }

std::string TFileHandler::MakeFileName(const std::string& name) const { return name; }

void TFileHandler::CheckClosed(bool changing) const {
    if (changing && IsOpen()) RaiseEngineError(err::AlreadyInUse, m_fileName);
}

void TFileHandler::SetFileName(const std::string& name) {
    std::string made = MakeFileName(name);
    CheckClosed(made != m_fileName);
    m_fileName = made;
}

void TFileHandler::SetExclusive(bool value) {
    CheckClosed(value != m_exclusive);
    m_exclusive = value;
}

void TFileHandler::SetReadOnly(bool value) {
    CheckClosed(value != m_readOnly);
    m_readOnly = value;
}

std::string TFileHandler::ResolveCaseInsensitive(const std::string& path) {
    if (path.empty() || PathExists(path)) return path;
    std::size_t slash = path.find_last_of('/');
    std::string folder = slash == std::string::npos ? "." : path.substr(0, slash == 0 ? 1 : slash);
    std::string leaf = slash == std::string::npos ? path : path.substr(slash + 1);
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) return path;
    std::string found;
    while (dirent* entry = ::readdir(dir)) {
        if (hollin::SameName(entry->d_name, leaf)) {
            found = entry->d_name;
            break;
        }
    }
    ::closedir(dir);
    if (found.empty()) return path;
    return slash == std::string::npos ? found : path.substr(0, slash + 1) + found;
}

bool TFileHandler::Exists() const { return PathExists(DiskPath()); }

void TFileHandler::TakeShareLock() {
    short type = m_exclusive ? F_WRLCK : F_RDLCK;
    if (!OfdLock(m_fd, type, kShareLockOffset, 1)) {
        int error = errno;
        CloseHandle();
        if (error == EAGAIN || error == EACCES) RaiseEngineError(err::AccessDenied, m_fileName);
        RaiseOsError(error, m_fileName);
    }
}

std::string TFileHandler::DiskPath() const {
    return m_exactName ? m_fileName : ResolveCaseInsensitive(m_fileName);
}

void TFileHandler::OpenHandle() {
    if (IsOpen()) return;
    // The exact spelling is tried first, so that the usual open costs no
    // directory scan and no separate look-up.
    std::string path = m_fileName;
    const int flags = O_CLOEXEC;
    // An exclusive open needs a descriptor that may take the write share lock,
    // even when the table itself is only read.
    const bool wantWrite = !m_readOnly || m_exclusive;
    auto attempt = [&](bool write) { return ::open(path.c_str(), flags | (write ? O_RDWR : O_RDONLY)); };
    int fd = attempt(wantWrite);
    if (fd < 0 && errno == ENOENT && !m_exactName) {
        path = ResolveCaseInsensitive(m_fileName);
        if (path != m_fileName) fd = attempt(wantWrite);
        else errno = ENOENT;
    }
    if (fd < 0 && wantWrite && (errno == EACCES || errno == EROFS)) {
        // A read-only table, or a file without write bits, opens read-only;
        // any other refusal stands.
        const int refused = errno;
        struct stat st;
        if (m_readOnly || (::stat(path.c_str(), &st) == 0 && (st.st_mode & 0222) == 0)) fd = attempt(false);
        if (fd < 0) errno = refused;
    }
    if (fd < 0) RaiseOsError(errno, m_fileName);
    struct stat st;
    if (::fstat(fd, &st) != 0) {
        const int error = errno;
        ::close(fd);
        RaiseOsError(error, m_fileName);
    }
    if ((st.st_mode & 0222) == 0) {
        m_readOnly = true;
        m_readOnlyByAttribute = true;
    }
    m_fd = fd;
    m_position = 0;
    TakeShareLock();
}

void TFileHandler::Open() { OpenHandle(); }

void TFileHandler::CloseHandle() {
    if (m_fd >= 0) ::close(m_fd);  // releases every OFD lock of the handle
    m_fd = -1;
    m_position = 0;
}

void TFileHandler::Close() { CloseHandle(); }

void TFileHandler::CreateHandle() {
    CheckClosed(true);
    if (!m_exclusive) RaiseEngineError(err::MustBeExclusive, m_fileName);
    std::string path = DiskPath();
    if (!m_exactName && !PathExists(path)) path = m_fileName;  // new files take the name as given
    // The file is emptied only once the exclusive lock is held: a table that
    // another user has open is refused (11013) with its bytes untouched.
    int fd = ::open(path.c_str(), O_CLOEXEC | O_RDWR | O_CREAT, 0666);
    if (fd < 0) RaiseOsError(errno, m_fileName);
    m_fd = fd;
    m_position = 0;
    m_readOnly = false;
    m_readOnlyByAttribute = false;
    TakeShareLock();
    if (::ftruncate(m_fd, 0) != 0) {
        const int error = errno;
        CloseHandle();
        RaiseOsError(error, m_fileName);
    }
}

void TFileHandler::Create() { CreateHandle(); }

void TFileHandler::Delete() {
    CheckClosed(true);
    if (::unlink(DiskPath().c_str()) != 0) {
        RaiseEngineError(err::CannotDelete, m_fileName);
    }
}

void TFileHandler::Rename(const std::string& newName) {
    CheckClosed(true);
    std::string target = MakeFileName(newName);
    if (::rename(DiskPath().c_str(), target.c_str()) != 0) {
        RaiseEngineError(err::UnknownOsError, m_fileName);
    }
    m_fileName = target;
}

void TFileHandler::CopyTo(const std::string& destination) {
    if (!IsOpen()) return;
    int out = ::open(destination.c_str(), O_CLOEXEC | O_WRONLY | O_CREAT | O_TRUNC, 0666);
    if (out < 0) RaiseOsError(errno, destination);
    std::vector<char> piece(kCopyPiece);
    int64_t offset = 0;
    try {
        for (;;) {
            std::size_t got = ReadAt(offset, piece.data(), piece.size(), true);
            std::size_t done = 0;
            while (done < got) {
                ssize_t n = ::write(out, piece.data() + done, got - done);
                if (n <= 0) RaiseEngineError(err::WriteError, destination);
                done += static_cast<std::size_t>(n);
            }
            offset += static_cast<int64_t>(got);
            if (got < piece.size()) break;
        }
    } catch (...) {
        ::close(out);
        throw;
    }
    ::close(out);
}

void TFileHandler::CopyFrom(const std::string& source) {
    if (!IsOpen()) return;
    int in = ::open(ResolveCaseInsensitive(source).c_str(), O_CLOEXEC | O_RDONLY);
    if (in < 0) RaiseOsError(errno, source);
    std::vector<char> piece(kCopyPiece);
    int64_t offset = 0;
    try {
        for (;;) {
            std::size_t got = 0;
            while (got < piece.size()) {
                ssize_t n = ::read(in, piece.data() + got, piece.size() - got);
                if (n < 0) RaiseEngineError(err::ReadError, source);
                if (n == 0) break;
                got += static_cast<std::size_t>(n);
            }
            if (got > 0) WriteAt(offset, piece.data(), got);
            offset += static_cast<int64_t>(got);
            if (got < piece.size()) break;
        }
    } catch (...) {
        ::close(in);
        throw;
    }
    ::close(in);
}

int64_t TFileHandler::Seek(int64_t offset, int origin) {
    if (!IsOpen()) RaiseEngineError(err::InvalidHandle, m_fileName);
    if (origin == 1) {
        m_position += offset;
    } else if (origin == 2) {
        off_t end = ::lseek(m_fd, 0, SEEK_END);
        if (end < 0) RaiseOsError(errno, m_fileName);
        m_position = end + offset;
    } else {
        m_position = offset;
    }
    if (m_position < 0) m_position = 0;
    return m_position;
}

int64_t TFileHandler::Size() { return Seek(0, 2); }

std::size_t TFileHandler::Read(void* buffer, std::size_t count, bool allowShort) {
    std::size_t got = ReadAt(m_position, buffer, count, allowShort);
    m_position += static_cast<int64_t>(got);
    return got;
}

void TFileHandler::Write(const void* buffer, std::size_t count) {
    if (count == 0) {
        Truncate(m_position);
        return;
    }
    WriteAt(m_position, buffer, count);
    m_position += static_cast<int64_t>(count);
}

void TFileHandler::Fail(int code) {
    if (m_journal) m_journal->NoteFailure();
    RaiseEngineError(code, m_fileName);
}

std::size_t TFileHandler::ReadAt(int64_t offset, void* buffer, std::size_t count, bool allowShort) {
    if (!IsOpen()) RaiseEngineError(err::InvalidHandle, m_fileName);
    std::size_t allowed = count;
    if (CheckFileFault(FileOp::Read, m_fileName, allowed) != 0) Fail(err::ReadError);
    std::size_t done = 0;
    char* out = static_cast<char*>(buffer);
    while (done < count) {
        ++m_readCalls;
        ssize_t n = ::pread(m_fd, out + done, count - done, static_cast<off_t>(offset + done));
        if (n < 0) {
            if (errno == EINTR) continue;
            Fail(err::ReadError);
        }
        if (n == 0) break;
        done += static_cast<std::size_t>(n);
    }
    if (done < count && !allowShort) Fail(err::ReadError);
    return done;
}

void TFileHandler::WriteAt(int64_t offset, const void* buffer, std::size_t count) {
    if (!IsOpen()) RaiseEngineError(err::InvalidHandle, m_fileName);
    if (m_readOnly) RaiseEngineError(err::AccessDenied, m_fileName);
    if (m_journal) m_journal->BeforeWrite(m_journalFile, offset, count);
    if (!WriteThroughSeam(m_fd, offset, buffer, count, m_fileName, &m_writeCalls)) Fail(err::WriteError);
}

void TFileHandler::Truncate(int64_t length) {
    if (!IsOpen()) RaiseEngineError(err::InvalidHandle, m_fileName);
    if (m_readOnly) RaiseEngineError(err::AccessDenied, m_fileName);
    if (m_journal) m_journal->BeforeTruncate(m_journalFile, length);
    std::size_t none = 0;
    if (CheckFileFault(FileOp::Truncate, m_fileName, none) != 0) Fail(err::WriteError);
    if (::ftruncate(m_fd, static_cast<off_t>(length)) != 0) Fail(err::WriteError);
}

void TFileHandler::Flush() {
    if (!IsOpen()) return;
    std::size_t none = 0;
    if (CheckFileFault(FileOp::Sync, m_fileName, none) != 0 || ::fdatasync(m_fd) != 0) Fail(err::WriteError);
}

bool TFileHandler::Lock(int64_t offset, int64_t length, bool shared) {
    if (m_exclusive) return true;
    if (!IsOpen()) return false;
    return OfdLock(m_fd, shared ? F_RDLCK : F_WRLCK, offset, length);
}

bool TFileHandler::Unlock(int64_t offset, int64_t length) {
    if (m_exclusive) return true;
    if (!IsOpen()) return false;
    return OfdLock(m_fd, F_UNLCK, offset, length);
}

}  // namespace larch
