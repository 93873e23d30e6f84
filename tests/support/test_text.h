// Small text helpers the test suites share: a whole file's bytes, and the
// message of the exception an action raises.
#pragma once

#include <fstream>
#include <functional>
#include <sstream>
#include <stdexcept>
#include <string>

namespace larch::testing {

// The file's bytes ("" when it cannot be read).
inline std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// The message of the exception `action` raises ("" when it raises none).
inline std::string ErrorText(const std::function<void()>& action) {
    try {
        action();
    } catch (const std::exception& e) {
        return e.what();
    }
    return "";
}

}  // namespace larch::testing
