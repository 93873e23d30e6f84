// The record layout rule shared by table creation and the open checks.
#include "engine/records/record_layout.h"

#include "engine/records/record_fields.h"

namespace larch {

uint32_t AssignRecordLayout(std::vector<FieldDescriptor>& fields) {
    uint32_t offset = kRecordHeaderSize;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        FieldDescriptor& f = fields[i];
        f.width = StoredWidth(f.physType, f.size);
        if (f.IsAutoInc()) {
            f.offset = kRecordIdOffset;
            continue;
        }
        f.offset = static_cast<uint16_t>(offset);
        offset += f.width + 1u;
    }
    return offset;
}

bool RecordLayoutMatches(const std::vector<FieldDescriptor>& fields, uint32_t recordSize) {
    uint32_t offset = kRecordHeaderSize;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        const FieldDescriptor& f = fields[i];
        if (f.number != i + 1) return false;
        uint8_t width = StoredWidth(f.physType, f.size);
        if (width == 0 || width != f.width) return false;
        if (f.IsAutoInc()) {
            if (f.offset != kRecordIdOffset) return false;
            continue;
        }
        if (f.offset != offset) return false;
        offset += f.width + 1u;
    }
    return offset == recordSize;
}

}  // namespace larch
