// The 127-byte header of a data file.
//
//   offset width field
//   0      4     change count: + 1 at every header write; other users compare it
//   4      4     blob block size of the blob file (512 for the program's tables)
//   8      1     format version, always 3
//   9      4     free-record head: first deleted record to reuse, 0 for none
//   13     4     next record number: the number the next appended record gets
//   17     4     last record ID given out (0 at creation and after emptying)
//   21     2     record size, record header included
//   23     2     field count (1 to 1024)
//   25     2     blob field count (0 to 32)
//   27     8     last write: double, local time as days from 12/30/1899 with
//                the time as fraction; written, never read
//   35     51    description, short string of at most 50
//   86     1     encrypted
//   87     16    password, short string of at most 15
//   103    2     language (0: none)
//   105    2     sublanguage
//   107    2     table setting one (1 for the program's tables)
//   109    2     table setting two (0)
//   111    2     computed area size: bytes added to a record in memory
//   113    1     modified marker: 1 when written because it changed
//   114    13    reserved, zero
#pragma once

#include <cstdint>
#include <string>

namespace larch {

constexpr std::size_t kDataHeaderSize = 127;
constexpr uint8_t kFormatVersion = 3;

struct DataHeader {
    uint32_t changeCount = 0;
    uint32_t blobBlockSize = 512;
    uint8_t version = kFormatVersion;
    uint32_t freeRecordHead = 0;
    uint32_t nextRecordNumber = 1;
    uint32_t lastRecordId = 0;
    uint16_t recordSize = 0;
    uint16_t fieldCount = 0;
    uint16_t blobFieldCount = 0;
    double lastWrite = 0;
    std::string description;
    bool encrypted = false;
    std::string password;
    uint16_t language = 0;
    uint16_t sublanguage = 0;
    uint16_t settingOne = 1;
    uint16_t settingTwo = 0;
    uint16_t computedAreaSize = 0;
    uint8_t modifiedMarker = 0;

    void Encode(uint8_t* out) const;  // writes kDataHeaderSize bytes
    static DataHeader Decode(const uint8_t* in);
};

}  // namespace larch
