// Reading the arguments of the shell's dot-commands.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace larch::shell {

// The text without blanks and line ends around it.
std::string Trim(const std::string& text);

// The blank-separated words of an argument text; a word may be in double
// quotes. Throws std::runtime_error on an unterminated quote.
std::vector<std::string> Words(const std::string& text);

// Exactly `count` words, else std::runtime_error("usage: " + usage).
std::vector<std::string> Arguments(const std::string& text, std::size_t count, const char* usage);

// "on" or "off" (any case), else std::runtime_error("usage: " + usage).
bool OnOff(const std::string& text, const char* usage);

}  // namespace larch::shell
