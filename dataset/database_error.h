// The framework's database error: the base of every error a dataset raises.
#pragma once

#include <stdexcept>
#include <string>

namespace hollin {

// Raised for misuse of a dataset ("Dataset not in edit or insert mode", ...)
// and the base of the engine's numbered errors.
class EDatabaseError : public std::runtime_error {
public:
    explicit EDatabaseError(const std::string& message) : std::runtime_error(message) {}
};

// A silent abort: stops a command without the application showing anything.
class EAbort : public std::runtime_error {
public:
    EAbort() : std::runtime_error("Operation aborted") {}
};

}  // namespace hollin
