// The exceptions of the picture types, streams and JPEG codecs.
#pragma once

#include <new>
#include <stdexcept>
#include <string>

#include "dataset/stream.h"  // EStreamError

namespace hollin {

// A failure of a JPEG codec: the library's formatted message ("Not a JPEG
// file: starts with 0x47 0x49") or one of the codecs' own texts ("User
// Interrupt", "Unable to compress at 1 bit resolution").
class EJPEGError : public std::runtime_error {
public:
    explicit EJPEGError(const std::string& message) : std::runtime_error(message) {}
};

// A picture that cannot be read, converted or given a file format
// ("Unknown picture file extension (.gif)", "Bitmap image is not valid").
class EInvalidGraphic : public std::runtime_error {
public:
    explicit EInvalidGraphic(const std::string& message) : std::runtime_error(message) {}
};

// A stream that cannot be opened, read, written or positioned.
// Memory for a picture or for the codec's work could not be had. Derives from
// std::bad_alloc so that code catching allocation failures sees it too.
class EOutOfMemory : public std::bad_alloc {
public:
    const char* what() const noexcept override { return "Out of memory"; }
};

}  // namespace hollin
