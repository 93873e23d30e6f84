// TLarchBlobStream: reads and writes one blob or memo field of the current
// record. A stream for reading holds a copy of the value; a stream for writing
// works on the field's open blob, whose changes reach the file at Post.
#pragma once

#include <cstdint>
#include <vector>

#include "dataset/stream.h"
#include "engine/blob/blob_file.h"

namespace larch {

class TLarchBlobStream : public hollin::TStream {
public:
    // Reading: the value as it was read.
    explicit TLarchBlobStream(std::vector<uint8_t> value);
    // Writing: the open blob of `fieldNumber` in `blobFile`. Closing an
    // unchanged blob closes it at once; a modified one stays open until Post
    // or Cancel.
    TLarchBlobStream(TBlobFile& blobFile, uint16_t fieldNumber);
    ~TLarchBlobStream() override;

    std::size_t Read(void* buffer, std::size_t count) override;
    std::size_t Write(const void* buffer, std::size_t count) override;
    int64_t Seek(int64_t offset, hollin::TSeekOrigin origin) override;
    int64_t Size() override;
    void Truncate() override;

private:
    TBlobBuffer& Blob();

    TBlobFile* m_blobFile = nullptr;
    uint16_t m_fieldNumber = 0;
    std::vector<uint8_t> m_value;  // reading streams only
    int64_t m_position = 0;
};

}  // namespace larch
