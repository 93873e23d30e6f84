// The two photo commands of the record editor: a file's bytes into the Photo
// field, and clearing the photo with its error texts.
#include <fstream>
#include <iterator>

#include "data/dm2.h"
#include "dataset/stream.h"
#include "engine/files/engine_error.h"

namespace hollin {
namespace {

constexpr int kBlobError = 10029;

std::vector<char> ReadWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) larch::RaiseOsError(errno == 0 ? ENOENT : errno, path);
    std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) larch::RaiseOsError(errno == 0 ? EIO : errno, path);
    return bytes;
}

}  // namespace

void Tdm2::LoadPhotoFromFile(const std::string& path) {
    std::vector<char> bytes = ReadWholeFile(path);
    TField& photo = Larchtbl.FieldByName("Photo");
    std::unique_ptr<TStream> stream = Larchtbl.CreateBlobStream(photo, bmWrite);
    if (!bytes.empty()) stream->WriteBuffer(bytes.data(), bytes.size());
}

std::string ClearPhotoErrorText(const std::exception& error) {
    if (const auto* engine = dynamic_cast<const larch::ELarchEngineError*>(&error)) {
        if (engine->ErrorCode() == kBlobError) return "There was an unexpected blob error";
        return "Unknown or unexpected database engine error # " + std::to_string(engine->ErrorCode());
    }
    return "Unknown or unexpected error has occurred";
}

void Tdm2::ClearPhoto() {
    try {
        Larchtbl.Edit();
        Larchtbl.FieldByName("Photo").Clear();
        Larchtbl.Post();
    } catch (const std::exception& e) {
        throw std::runtime_error(ClearPhotoErrorText(e));
    }
}

}  // namespace hollin
