// Field type mapping between the component layer and the stored types.
#include "engine/records/field_types.h"

namespace larch {

using namespace hollin;

PhysicalType PhysicalTypeOf(TFieldType fieldType) {
    switch (fieldType) {
        case ftString: return {phys::String, 0};
        case ftSmallint: return {phys::Int16, 0};
        case ftInteger: return {phys::Int32, 0};
        case ftWord: return {phys::Word, 0};
        case ftBoolean: return {phys::Boolean, 0};
        case ftFloat: return {phys::Float, 0};
        case ftCurrency: return {phys::Float, subtype::Money};
        case ftBCD: return {phys::Bcd, 0};
        case ftDate: return {phys::Date, 0};
        case ftTime: return {phys::Time, 0};
        case ftDateTime: return {phys::DateTime, 0};
        case ftBytes: return {phys::Bytes, 0};
        case ftVarBytes: return {phys::VarBytes, 0};
        case ftAutoInc: return {phys::Int32, subtype::AutoInc};
        case ftBlob: return {phys::Blob, 0};
        case ftMemo: return {phys::Blob, subtype::Memo};
        case ftGraphic: return {phys::Blob, subtype::Graphic};
        case ftFmtMemo: return {phys::Blob, subtype::FmtMemo};
        case ftTypedBinary: return {phys::Blob, subtype::TypedBinary};
        default: return {};
    }
}

TFieldType FieldTypeOf(uint8_t physType, uint8_t subType) {
    switch (physType) {
        case phys::String: return ftString;
        case phys::Date: return ftDate;
        case phys::Blob:
            switch (subType) {
                case subtype::Memo: return ftMemo;
                case subtype::FmtMemo: return ftFmtMemo;
                case subtype::Graphic: return ftGraphic;
                case subtype::TypedBinary: return ftTypedBinary;
                default: return ftBlob;
            }
        case phys::Boolean: return ftBoolean;
        case phys::Int16: return ftSmallint;
        case phys::Int32: return subType == subtype::AutoInc ? ftAutoInc : ftInteger;
        case phys::Float: return subType == subtype::Money ? ftCurrency : ftFloat;
        case phys::Bcd: return ftBCD;
        case phys::Bytes: return ftBytes;
        case phys::Time: return ftTime;
        case phys::DateTime: return ftDateTime;
        case phys::Word: return ftWord;
        case phys::UInt32: return ftInteger;
        case phys::VarBytes: return ftVarBytes;
        default: return ftUnknown;
    }
}

bool ValidFieldSize(TFieldType fieldType, int size) {
    switch (fieldType) {
        case ftString:
        case ftBytes:
        case ftVarBytes: return size >= 1 && size <= 250;
        case ftBCD: return size >= 0 && size <= 8;
        default: return size == 0;
    }
}

FieldDescriptor DescriptorFor(const std::string& name, TFieldType fieldType, int size, bool required,
                              uint16_t number) {
    FieldDescriptor d;
    PhysicalType physical = PhysicalTypeOf(fieldType);
    d.number = number;
    d.name = name.substr(0, 30);
    d.physType = physical.type;
    d.subType = physical.subType;
    if (fieldType == ftString || fieldType == ftBytes || fieldType == ftVarBytes) {
        d.size = static_cast<uint8_t>(size);
    } else if (fieldType == ftBCD) {
        d.scale = static_cast<uint8_t>(size);
    }
    d.required = required;
    return d;
}

}  // namespace larch
