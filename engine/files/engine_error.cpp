// Builds the engine's error texts and raises ELarchEngineError.
#include "engine/files/engine_error.h"

#include <cerrno>
#include <mutex>
#include <string_view>

namespace larch {
namespace {

std::mutex g_contextMutex;
ErrorContext g_context;

struct CodeText {
    int code;
    const char* text;  // {file} {field} {index} {detail} {oserror} are substituted
};

constexpr CodeText kTexts[] = {
    {8705, "Beginning of file encountered in data file {file}"},
    {8706, "End of file encountered in data file {file}"},
    {8708, "Key not found in index {index} of data file {file}"},
    {8710, "Record not found in data file {file}"},
    {8711, "End of blob data in data file {file} reached prematurely"},
    {8961, "Header information corrupt in data file {file}"},
    {8962, "Data record buffers corrupt in data file {file}"},
    {8963, "BLOB block buffers corrupt in data file {file}"},
    {8965, "Index page buffers corrupt in data file {file}"},
    {9217, "Error reading from data file {file}"},
    {9218, "Error writing to data file {file}"},
    {9220, "Cannot delete data file {file}"},
    {9221, "Error accessing file header information for data file {file}"},
    {9477, "Maximum record size exceeded in data file {file}"},
    {9479, "The data file {file} is full and cannot contain any more data"},
    {9482, "Too many filters defined for data file {file}"},
    {9487, "Maximum or minimum limits on number of indexes or fields in an index exceeded in data file {file}"},
    {9492, "Maximum or minimum limits on number of fields or field size exceeded in data file {file}"},
    {9494, "Too many blobs opened in data file {file}"},
    {9498, "Too many blob fields or invalid blob block size specified for data file {file}"},
    {9729, "Duplicate key found in index {index} of data file {file}"},
    {9730, "The value for the field {field} in data file {file} is below the minimum allowable value"},
    {9731, "The value for the field {field} in data file {file} is above the maximum allowable value"},
    {9732, "A value must be provided for the field {field} in data file {file}"},
    {9985, "Invalid field number or name {field} specified for data file {file}"},
    {9993, "A primary index is already defined for data file {file} and cannot be added again"},
    {9998, "Invalid blob offset into data file {file} specified"},
    {10000, "Invalid field definition specified for the field {field} in data file {file}"},
    {10006, "Invalid default, min or max validity check, or expression specified for {field} in data file {file}"},
    {10010, "The secondary index name is missing or not specified for data file {file}"},
    {10015, "Password provided for data file {file} is invalid"},
    {10022, "Invalid secondary index name {index} specified for data file {file}"},
    {10023, "Invalid field number {field} specified in index {index} for data file {file}"},
    {10026, "Invalid key size specified in index {index} for data file {file}"},
    {10027, "The secondary index {index} already exists for data file {file}"},
    {10029, "Invalid blob length in data file {file}"},
    {10030, "Invalid blob handle for data file {file} specified"},
    {10031, "Data file {file} is already in use"},
    {10038, "Invalid or duplicate field name {field} specified for data file {file}"},
    {10050, "Invalid filter handle specified for data file {file}"},
    {10051, "Invalid filter expression specified for data file {file}"},
    {10055, "The primary index cannot be removed from data file {file}"},
    {10241, "The data file {file} is already locked by another user"},
    {10242, "Cannot unlock data file or record in data file {file}"},
    {10249, "General lock failure with data file {file}"},
    {10253, "Data file {file} must be opened exclusively"},
    {10258, "Record in data file {file} is in use by another user"},
    {10498, "Insufficient rights to data file {file}, a password is required"},
    {10753, "Invalid blob field {field} specified for data file {file}"},
    {10758, "Larch engine not initialized"},
    {11010, "Invalid path or file name for data file {file}"},
    {11012, "Too many files open while attempting to open data file {file}"},
    {11013, "Access denied to data file {file}"},
    {11014, "Invalid file handle for data file {file}"},
    {11016, "There is insufficient operating system memory available for the current operation"},
    {11017, "Invalid length for in-memory data file {file}"},
    {11023, "Access denied to logical operating system device for data file {file}"},
    {11025, "Data file {file} has been moved"},
    {11047, "An unknown operating system error #{oserror} occurred with data file {file}"},
    {11949, "SQL - {detail}"},
    {12035, "Data file {file} is not the correct version"},
    {12036, "Index file {file} uses a key compression that is not supported"},
    {12292, "Invalid field type specified for index {index} in data file {file}"},
    {15878, "The language driver for data file {file} is not available or installed"},
};

constexpr const char* kUnknownText = "Unknown error occurred with data file {file}";

std::string Substitute(std::string_view pattern, const ErrorContext& c) {
    std::string out;
    out.reserve(pattern.size() + c.file.size());
    for (std::size_t i = 0; i < pattern.size();) {
        if (pattern[i] == '{') {
            std::size_t close = pattern.find('}', i);
            std::string_view name = pattern.substr(i + 1, close - i - 1);
            if (name == "file") out += c.file;
            else if (name == "field") out += c.field;
            else if (name == "index") out += c.index;
            else if (name == "detail") out += c.detail;
            else if (name == "oserror") out += std::to_string(c.osError);
            i = close + 1;
        } else {
            out += pattern[i++];
        }
    }
    return out;
}

[[noreturn]] void Raise(ErrorContext context) {
    std::string text = ErrorText(context.code, context);
    {
        std::lock_guard<std::mutex> lock(g_contextMutex);
        // 10758 stores no context.
        g_context = context.code == err::NotInitialized ? ErrorContext{} : context;
    }
    throw ELarchEngineError(context.code, text);
}

}  // namespace

ELarchEngineError::ELarchEngineError(int code, const std::string& entryMessage)
    : hollin::EDatabaseError("Larch Engine Error # " + std::to_string(code) + " " + entryMessage),
      m_errors{TLarchError{code, entryMessage}} {}

std::string ErrorText(int code, const ErrorContext& context) {
    const char* pattern = kUnknownText;
    for (const CodeText& entry : kTexts) {
        if (entry.code == code) {
            pattern = entry.text;
            break;
        }
    }
    std::string text = Substitute(pattern, context);
    if (text.size() > kMaxErrorText) text.resize(kMaxErrorText);
    return text;
}

void RaiseEngineError(int code, const std::string& file, const std::string& field,
                      const std::string& detail, const std::string& index) {
    ErrorContext context;
    context.code = code;
    context.file = file;
    context.field = field;
    context.detail = detail;
    context.index = index;
    Raise(std::move(context));
}

int MapOsError(int osError) {
    switch (osError) {
        case ENOENT:
        case ENOTDIR:
            return err::InvalidPath;
        case EMFILE:
        case ENFILE:
            return err::TooManyFiles;
        case EACCES:
        case EPERM:
        case EROFS:
            return err::AccessDenied;
        case EBADF:
            return err::InvalidHandle;
        case ENOMEM:
            return err::OutOfMemory;
        case ENXIO:
        case ENODEV:
            return err::DeviceAccessDenied;
        case EXDEV:
            return err::FileMoved;
        default:
            return err::UnknownOsError;
    }
}

void RaiseOsError(int osError, const std::string& file) {
    ErrorContext context;
    context.code = MapOsError(osError);
    context.osError = osError;
    context.file = file;
    Raise(std::move(context));
}

ErrorContext LastErrorContext() {
    std::lock_guard<std::mutex> lock(g_contextMutex);
    return g_context;
}

}  // namespace larch
