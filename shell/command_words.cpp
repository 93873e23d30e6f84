// Reading the arguments of the shell's dot-commands.
#include "shell/command_words.h"

#include <cctype>
#include <stdexcept>

#include "dataset/field_defs.h"

namespace larch::shell {

using hollin::SameName;

std::string Trim(const std::string& text) {
    std::size_t first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

std::vector<std::string> Words(const std::string& text) {
    std::vector<std::string> words;
    std::size_t i = 0;
    while (i < text.size()) {
        if (std::isspace(static_cast<unsigned char>(text[i]))) {
            ++i;
            continue;
        }
        std::string word;
        if (text[i] == '"') {
            std::size_t end = text.find('"', i + 1);
            if (end == std::string::npos) throw std::runtime_error("unterminated quoted argument");
            word = text.substr(i + 1, end - i - 1);
            i = end + 1;
        } else {
            while (i < text.size() && !std::isspace(static_cast<unsigned char>(text[i]))) word += text[i++];
        }
        words.push_back(word);
    }
    return words;
}

std::vector<std::string> Arguments(const std::string& text, std::size_t count, const char* usage) {
    std::vector<std::string> words = Words(text);
    if (words.size() != count) throw std::runtime_error(std::string("usage: ") + usage);
    return words;
}

bool OnOff(const std::string& text, const char* usage) {
    std::string word = Trim(text);
    if (SameName(word, "on")) return true;
    if (SameName(word, "off")) return false;
    throw std::runtime_error(std::string("usage: ") + usage);
}

}  // namespace larch::shell
