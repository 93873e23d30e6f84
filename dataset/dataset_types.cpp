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

}  // namespace hollin
