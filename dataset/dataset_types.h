// The shared vocabulary of the dataset layer: states, field types, the enums
// of the cursor hooks, bookmarks and field values.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <variant>
#include <vector>

namespace hollin {

// The states of a dataset; the transitions are drawn in dataset.h.
enum TDataSetState : uint8_t { dsInactive, dsBrowse, dsEdit, dsInsert, dsSetKey };

// Field types. The native value of each (what GetFieldData/SetFieldData move)
// is listed in field.h.
enum TFieldType : uint8_t {
    ftUnknown,
    ftString,
    ftSmallint,
    ftInteger,
    ftWord,
    ftBoolean,
    ftFloat,
    ftCurrency,
    ftBCD,
    ftDate,
    ftTime,
    ftDateTime,
    ftBytes,
    ftVarBytes,
    ftAutoInc,
    ftBlob,
    ftMemo,
    ftGraphic,
    ftFmtMemo,
    ftTypedBinary,
};

// A data field lives in the descendant's record; a calculated field's value is
// kept by the framework beside each record buffer and set in OnCalcFields.
enum TFieldKind : uint8_t { fkData, fkCalculated };

// GetRecord: which record to read relative to the cursor, and what it found.
enum TGetMode : uint8_t { gmCurrent, gmNext, gmPrior };
enum TGetResult : uint8_t { grOK, grBOF, grEOF, grError };

// Where a record buffer stands: on a record, before the first, after the
// last, or a new record not yet posted.
enum TBookmarkFlag : uint8_t { bfCurrent, bfBOF, bfEOF, bfInserted };

// The answer of OnPostError, OnEditError and OnDeleteError.
enum TDataAction : uint8_t { daFail, daAbort, daRetry };

// bmWrite replaces the blob's content (the stream starts empty).
enum TBlobStreamMode : uint8_t { bmRead, bmWrite, bmReadWrite };

// What a dataset tells its data sources and they tell their data links.
enum TDataEvent : uint8_t {
    deFieldChange,      // one field of the current record changed
    deRecordChange,     // the current record changed as a whole (Edit began)
    deDataSetChange,    // the records in the buffers were read again
    deDataSetScroll,    // the window of buffers moved by a distance
    deLayoutChange,     // the fields changed
    deUpdateRecord,     // controls must write their pending values (Post)
    deUpdateState,      // the state changed
    deCheckBrowseMode,  // the current record is about to be left
    deFocusControl,     // the control of a field should take the focus
};

// Resync: rmExact raises when the cursor's record is gone; rmCenter puts the
// current record in the middle of the window instead of where it was.
enum TResyncModeFlag : unsigned { rmExact = 1, rmCenter = 2 };
using TResyncMode = unsigned;

struct TLocateOptions {
    bool caseInsensitive = false;
    bool partialKey = false;  // a key text matches every value that starts with it
};

struct TFilterOptions {
    bool caseInsensitive = false;
    bool noPartialCompare = false;
};

// A bookmark as the descendant defines it (for the engine: the record's key
// in the active index). Empty means "no bookmark".
using TBookmark = std::vector<uint8_t>;

// One record buffer of the ring: the descendant's part first
// (GetRecordBufferSize() bytes), then the calculated-field area.
using TRecordBuffer = uint8_t*;

// A field value without its field: null, Boolean, integer, float or text.
// Dates travel as day numbers (integer) or TDateTime (float).
using TFieldValue = std::variant<std::monostate, bool, int64_t, double, std::string>;

// The type's name as shown in texts and blob display ("String", "Memo", "Blob").
const char* FieldTypeName(TFieldType type);

// ftBlob, ftMemo, ftGraphic, ftFmtMemo, ftTypedBinary.
bool IsBlobType(TFieldType type);

// Bytes of a value of a type whose size does not depend on the field: 2 for
// ftSmallint, ftWord, ftBoolean; 4 for ftInteger, ftAutoInc, ftDate, ftTime;
// 8 for ftFloat, ftCurrency, ftBCD, ftDateTime; 0 for every other type.
std::size_t FixedDataSize(TFieldType type);

}  // namespace hollin
