// Encoding and decoding of the data file header.
#include "engine/data/data_header.h"

#include <cstring>

#include "engine/files/byte_order.h"

namespace larch {

void DataHeader::Encode(uint8_t* out) const {
    std::memset(out, 0, kDataHeaderSize);
    PutU32(out + 0, changeCount);
    PutU32(out + 4, blobBlockSize);
    out[8] = version;
    PutU32(out + 9, freeRecordHead);
    PutU32(out + 13, nextRecordNumber);
    PutU32(out + 17, lastRecordId);
    PutU16(out + 21, recordSize);
    PutU16(out + 23, fieldCount);
    PutU16(out + 25, blobFieldCount);
    PutF64(out + 27, lastWrite);
    PutShortString(out + 35, 50, description);
    out[86] = encrypted ? 1 : 0;
    if (encrypted) PutShortString(out + 87, 15, password);
    PutU16(out + 103, language);
    PutU16(out + 105, sublanguage);
    PutU16(out + 107, settingOne);
    PutU16(out + 109, settingTwo);
    PutU16(out + 111, computedAreaSize);
    out[113] = modifiedMarker;
}

DataHeader DataHeader::Decode(const uint8_t* in) {
    DataHeader h;
    h.changeCount = GetU32(in + 0);
    h.blobBlockSize = GetU32(in + 4);
    h.version = in[8];
    h.freeRecordHead = GetU32(in + 9);
    h.nextRecordNumber = GetU32(in + 13);
    h.lastRecordId = GetU32(in + 17);
    h.recordSize = GetU16(in + 21);
    h.fieldCount = GetU16(in + 23);
    h.blobFieldCount = GetU16(in + 25);
    h.lastWrite = GetF64(in + 27);
    h.description = GetShortString(in + 35, 50);
    h.encrypted = in[86] != 0;
    h.password = GetShortString(in + 87, 15);
    h.language = GetU16(in + 103);
    h.sublanguage = GetU16(in + 105);
    h.settingOne = GetU16(in + 107);
    h.settingTwo = GetU16(in + 109);
    h.computedAreaSize = GetU16(in + 111);
    h.modifiedMarker = in[113];
    return h;
}

}  // namespace larch
