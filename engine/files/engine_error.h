// The engine's numbered errors: the exception, the process-wide error context
// and the message text of every code.
#pragma once

#include <string>
#include <vector>

#include "dataset/database_error.h"

namespace larch {

// Error codes raised by the engine. The texts are in engine_error.cpp.
namespace err {
constexpr int BeginningOfFile = 8705;
constexpr int EndOfFile = 8706;
constexpr int KeyNotFound = 8708;
constexpr int RecordNotFound = 8710;
constexpr int EndOfBlob = 8711;
constexpr int HeaderCorrupt = 8961;
constexpr int RecordBuffersCorrupt = 8962;
constexpr int BlobBuffersCorrupt = 8963;
constexpr int IndexBuffersCorrupt = 8965;
constexpr int ReadError = 9217;
constexpr int WriteError = 9218;
constexpr int CannotDelete = 9220;
constexpr int HeaderAccess = 9221;
constexpr int RecordSizeExceeded = 9477;
constexpr int TableFull = 9479;
constexpr int TooManyFilters = 9482;
constexpr int IndexLimits = 9487;
constexpr int FieldLimits = 9492;
constexpr int TooManyBlobs = 9494;
constexpr int BlobFieldsOrBlockSize = 9498;
constexpr int DuplicateKey = 9729;
constexpr int BelowMinimum = 9730;
constexpr int AboveMaximum = 9731;
constexpr int ValueRequired = 9732;
constexpr int InvalidFieldNumberOrName = 9985;
constexpr int PrimaryIndexExists = 9993;
constexpr int InvalidBlobOffset = 9998;
constexpr int InvalidFieldDefinition = 10000;
constexpr int InvalidValidityCheck = 10006;
constexpr int IndexNameMissing = 10010;
constexpr int InvalidPassword = 10015;
constexpr int InvalidIndexName = 10022;
constexpr int InvalidIndexField = 10023;
constexpr int InvalidKeySize = 10026;
constexpr int IndexExists = 10027;
constexpr int InvalidBlobLength = 10029;
constexpr int InvalidBlobHandle = 10030;
constexpr int AlreadyInUse = 10031;
constexpr int InvalidFieldName = 10038;
constexpr int InvalidFilterHandle = 10050;
constexpr int InvalidFilterExpression = 10051;
constexpr int PrimaryIndexRemoval = 10055;
constexpr int TableLocked = 10241;
constexpr int CannotUnlock = 10242;
constexpr int LockFailure = 10249;
constexpr int MustBeExclusive = 10253;
constexpr int RecordInUse = 10258;
constexpr int PasswordRequired = 10498;
constexpr int InvalidBlobField = 10753;
constexpr int NotInitialized = 10758;
constexpr int InvalidPath = 11010;
constexpr int TooManyFiles = 11012;
constexpr int AccessDenied = 11013;
constexpr int InvalidHandle = 11014;
constexpr int OutOfMemory = 11016;
constexpr int InvalidMemoryLength = 11017;
constexpr int DeviceAccessDenied = 11023;
constexpr int FileMoved = 11025;
constexpr int UnknownOsError = 11047;
constexpr int Sql = 11949;
constexpr int WrongVersion = 12035;
constexpr int InvalidIndexFieldType = 12292;
constexpr int LanguageDriver = 15878;
// Not a code of the original table: an index file that declares key
// compression, which this engine does not read. Shown with the "any other"
// text would hide the cause, so it gets a text of its own.
constexpr int UnsupportedCompression = 12036;
}  // namespace err

// Longest message text of an error entry; longer texts are cut.
constexpr std::size_t kMaxErrorText = 127;

// One entry of an engine error.
struct TLarchError {
    int ErrorCode = 0;
    std::string Message;
};

// The exception raised for every numbered engine error. It holds exactly one
// entry; its what() is "Larch Engine Error # <code> <entry message>".
class ELarchEngineError : public hollin::EDatabaseError {
public:
    ELarchEngineError(int code, const std::string& entryMessage);

    const std::vector<TLarchError>& Errors() const { return m_errors; }
    int ErrorCode() const { return m_errors.front().ErrorCode; }
    const std::string& EntryMessage() const { return m_errors.front().Message; }

private:
    std::vector<TLarchError> m_errors;
};

// What the engine records about the error it raises last.
struct ErrorContext {
    int code = 0;
    int osError = 0;  // errno, kept only for errors mapped from a file operation
    std::string file;
    std::string field;
    std::string index;
    std::string detail;
};

// The message text of `code` for `context`, cut to kMaxErrorText characters.
std::string ErrorText(int code, const ErrorContext& context);

// Clears the process-wide context, stores the code and texts and throws.
// Whether code says a table file is damaged (its header, records, blobs or
// index pages): such a table can be rebuilt by RepairTable.
inline bool IsCorruptionCode(int code) {
    return code == err::HeaderCorrupt || code == err::RecordBuffersCorrupt || code == err::BlobBuffersCorrupt ||
           code == err::IndexBuffersCorrupt;
}

[[noreturn]] void RaiseEngineError(int code, const std::string& file = {},
                                   const std::string& field = {},
                                   const std::string& detail = {},
                                   const std::string& index = {});

// Maps errno of a failed open, create or copy to an engine code.
int MapOsError(int osError);

// Raises the mapped code of a failed file operation, keeping errno in the
// context (shown by the text of 11047).
[[noreturn]] void RaiseOsError(int osError, const std::string& file);

// A copy of the process-wide context of the last raised error.
ErrorContext LastErrorContext();

}  // namespace larch
