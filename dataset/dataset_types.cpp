// Names and classes of the field types.
#include "dataset/dataset_types.h"

namespace hollin {

const char* FieldTypeName(TFieldType type) {
    switch (type) {
        case ftString: return "String";
        case ftSmallint: return "SmallInt";
        case ftInteger: return "Integer";
        case ftWord: return "Word";
        case ftBoolean: return "Boolean";
        case ftFloat: return "Float";
        case ftCurrency: return "Currency";
        case ftBCD: return "BCD";
        case ftDate: return "Date";
        case ftTime: return "Time";
        case ftDateTime: return "DateTime";
        case ftBytes: return "Bytes";
        case ftVarBytes: return "VarBytes";
        case ftAutoInc: return "AutoInc";
        case ftBlob: return "Blob";
        case ftMemo: return "Memo";
        case ftGraphic: return "Graphic";
        case ftFmtMemo: return "FmtMemo";
        case ftTypedBinary: return "TypedBinary";
        case ftUnknown: break;
    }
    return "Unknown";
}

bool IsBlobType(TFieldType type) {
    return type == ftBlob || type == ftMemo || type == ftGraphic || type == ftFmtMemo ||
           type == ftTypedBinary;
}

std::size_t FixedDataSize(TFieldType type) {
    switch (type) {
        case ftSmallint:
        case ftWord:
        case ftBoolean: return 2;
        case ftInteger:
        case ftAutoInc:
        case ftDate:
        case ftTime: return 4;
        case ftFloat:
        case ftCurrency:
        case ftBCD:
        case ftDateTime: return 8;
        default: return 0;
    }
}

}  // namespace hollin
