// Field descriptors of the data file (768 bytes each) and the physical field
// types the engine stores.
//
// Descriptor bytes:
//   offset width field
//   0      2     field number (1-based, equals the descriptor's position)
//   2      31    name, short string of at most 30 characters
//   33     51    description, short string of at most 50
//   84     1     physical type (PhysType)
//   85     1     subtype (SubType)
//   86     1     size: characters or bytes for types 1, 9, 15; else 0
//   87     1     scale: decimal places of type 8
//   88     1     stored width in the record
//   89     1     copy of the scale
//   90     2     record offset of the field's null-flag byte (5 for AutoInc)
//   92     1     required
//   93     1     reserved
//   94     51    minimum, short string
//   145    51    maximum, short string
//   196    51    default, short string (or "DATE", "TIME", "NOW")
//   247    1     computed (query result sets only)
//   248    256   expression, short string
//   504    264   reserved, zero
#pragma once

#include <cstdint>
#include <string>

namespace larch {

constexpr std::size_t kFieldDescriptorSize = 768;

namespace phys {
constexpr uint8_t String = 1;
constexpr uint8_t Date = 2;
constexpr uint8_t Blob = 3;
constexpr uint8_t Boolean = 4;
constexpr uint8_t Int16 = 5;
constexpr uint8_t Int32 = 6;
constexpr uint8_t Float = 7;
constexpr uint8_t Bcd = 8;
constexpr uint8_t Bytes = 9;
constexpr uint8_t Time = 10;
constexpr uint8_t DateTime = 11;
constexpr uint8_t Word = 12;
constexpr uint8_t UInt32 = 13;
constexpr uint8_t Float10 = 14;
constexpr uint8_t VarBytes = 15;
}  // namespace phys

namespace subtype {
constexpr uint8_t None = 0;
constexpr uint8_t Money = 21;
constexpr uint8_t Memo = 22;
constexpr uint8_t FmtMemo = 24;
constexpr uint8_t Graphic = 26;
constexpr uint8_t TypedBinary = 28;
constexpr uint8_t AutoInc = 29;
}  // namespace subtype

// Bytes a value of the physical type occupies in the record (without its
// null-flag byte); 0 for an unknown type.
uint8_t StoredWidth(uint8_t physType, uint8_t size);

struct FieldDescriptor {
    uint16_t number = 0;
    std::string name;
    std::string description;
    uint8_t physType = 0;
    uint8_t subType = 0;
    uint8_t size = 0;
    uint8_t scale = 0;
    uint8_t width = 0;
    uint16_t offset = 0;
    bool required = false;
    uint8_t reserved93 = 0;
    std::string minimum;
    std::string maximum;
    std::string defaultValue;
    bool computed = false;
    std::string expression;

    bool IsAutoInc() const { return physType == phys::Int32 && subType == subtype::AutoInc; }
    bool IsBlob() const { return physType == phys::Blob; }

    void Encode(uint8_t* out) const;  // writes kFieldDescriptorSize bytes
    static FieldDescriptor Decode(const uint8_t* in);
};

}  // namespace larch
