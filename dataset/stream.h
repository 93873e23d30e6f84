// TStream: a positioned sequence of bytes (blob fields are read and written
// through one), and TMemoryStream, a stream over a byte vector.
#pragma once

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace hollin {

// A stream that cannot read or write what was asked ("Stream read error").
class EStreamError : public std::runtime_error {
public:
    explicit EStreamError(const std::string& message) : std::runtime_error(message) {}
};

enum class TSeekOrigin { Beginning, Current, End };

class TStream {
public:
    virtual ~TStream() = default;

    // Reads up to count bytes at the position and moves past them; returns
    // the number read (less than count only at the end).
    virtual std::size_t Read(void* buffer, std::size_t count) = 0;
    // Writes count bytes at the position (extending the stream) and moves past
    // them; returns the number written.
    virtual std::size_t Write(const void* buffer, std::size_t count) = 0;
    // Moves the position and returns it. A position before the start is
    // taken as 0; one after the end is allowed (a write there fills the gap
    // with zeros).
    virtual int64_t Seek(int64_t offset, TSeekOrigin origin) = 0;
    virtual int64_t Size() = 0;
    // Cuts the stream at the position.
    virtual void Truncate() = 0;

    int64_t Position() { return Seek(0, TSeekOrigin::Current); }
    void SetPosition(int64_t position) { Seek(position, TSeekOrigin::Beginning); }

    // Read/Write that throw EStreamError unless all count bytes move.
    void ReadBuffer(void* buffer, std::size_t count);
    void WriteBuffer(const void* buffer, std::size_t count);
    // Copies count bytes from the source's position; count 0 copies the whole
    // source from its start. Returns the bytes copied.
    int64_t CopyFrom(TStream& source, int64_t count);
    // Everything from the position to the end.
    std::vector<uint8_t> ReadRest();
};

class TMemoryStream : public TStream {
public:
    TMemoryStream() = default;
    explicit TMemoryStream(std::vector<uint8_t> bytes) : m_bytes(std::move(bytes)) {}

    std::size_t Read(void* buffer, std::size_t count) override;
    std::size_t Write(const void* buffer, std::size_t count) override;
    int64_t Seek(int64_t offset, TSeekOrigin origin) override;
    int64_t Size() override { return static_cast<int64_t>(m_bytes.size()); }
    void Truncate() override;

    const std::vector<uint8_t>& Bytes() const { return m_bytes; }
    void Clear();

private:
    std::vector<uint8_t> m_bytes;
    int64_t m_position = 0;
};

}  // namespace hollin
