// TFileStream: a stream over one operating-system file.
#pragma once

#include <string>

#include "dataset/stream.h"

namespace hollin {

enum class TFileMode {
    fmOpenRead,       // an existing file, read only
    fmOpenReadWrite,  // an existing file, read and write
    fmCreate          // created, or emptied when it exists; read and write
};

// Closed when the stream is destroyed.
class TFileStream final : public TStream {
public:
    // Throws EStreamError: "Cannot open file \"<path>\". <reason>" for the open
    // modes, "Cannot create file \"<path>\". <reason>" for fmCreate.
    TFileStream(const std::string& path, TFileMode mode);
    ~TFileStream() override;
    TFileStream(const TFileStream&) = delete;
    TFileStream& operator=(const TFileStream&) = delete;

    // Read and Write throw EStreamError ("Stream read error", "Stream write
    // error") when the system call fails.
    std::size_t Read(void* buffer, std::size_t count) override;
    std::size_t Write(const void* buffer, std::size_t count) override;
    int64_t Seek(int64_t offset, TSeekOrigin origin) override;
    int64_t Size() override;
    void Truncate() override;

private:
    int m_fd = -1;
};

}  // namespace hollin
