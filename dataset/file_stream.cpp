// File streams over POSIX descriptors.
#include "dataset/file_stream.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace hollin {

TFileStream::TFileStream(const std::string& path, TFileMode mode) {
    int flags = O_CLOEXEC;
    switch (mode) {
        case TFileMode::fmOpenRead: flags |= O_RDONLY; break;
        case TFileMode::fmOpenReadWrite: flags |= O_RDWR; break;
        case TFileMode::fmCreate: flags |= O_RDWR | O_CREAT | O_TRUNC; break;
    }
    m_fd = ::open(path.c_str(), flags, 0666);
    if (m_fd < 0) {
        const char* what = mode == TFileMode::fmCreate ? "Cannot create file \"" : "Cannot open file \"";
        throw EStreamError(what + path + "\". " + std::strerror(errno));
    }
}

TFileStream::~TFileStream() { ::close(m_fd); }

std::size_t TFileStream::Read(void* buffer, std::size_t count) {
    std::size_t done = 0;
    auto* bytes = static_cast<uint8_t*>(buffer);
    while (done < count) {
        ssize_t got = ::read(m_fd, bytes + done, count - done);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) throw EStreamError("Stream read error");
        if (got == 0) break;
        done += static_cast<std::size_t>(got);
    }
    return done;
}

std::size_t TFileStream::Write(const void* buffer, std::size_t count) {
    std::size_t done = 0;
    const auto* bytes = static_cast<const uint8_t*>(buffer);
    while (done < count) {
        ssize_t put = ::write(m_fd, bytes + done, count - done);
        if (put < 0 && errno == EINTR) continue;
        if (put <= 0) throw EStreamError("Stream write error");
        done += static_cast<std::size_t>(put);
    }
    return done;
}

int64_t TFileStream::Seek(int64_t offset, TSeekOrigin origin) {
    int whence = origin == TSeekOrigin::Beginning ? SEEK_SET : origin == TSeekOrigin::Current ? SEEK_CUR : SEEK_END;
    off_t position = ::lseek(m_fd, static_cast<off_t>(offset), whence);
    if (position < 0) position = ::lseek(m_fd, 0, SEEK_SET);  // before the start: the start
    if (position < 0) throw EStreamError("Stream seek error");
    return position;
}

int64_t TFileStream::Size() {
    struct stat info {};
    if (::fstat(m_fd, &info) != 0) throw EStreamError("Stream read error");
    return info.st_size;
}

void TFileStream::Truncate() {
    if (::ftruncate(m_fd, Seek(0, TSeekOrigin::Current)) != 0) throw EStreamError("Stream write error");
}

}  // namespace hollin
