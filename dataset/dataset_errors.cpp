// Formatting and raising of the dataset layer's errors.
#include "dataset/dataset_errors.h"

namespace hollin {

std::string FormatText(std::string_view pattern, std::initializer_list<std::string_view> args) {
    std::string out;
    out.reserve(pattern.size() + 32);
    auto next = args.begin();
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] == '%' && i + 1 < pattern.size() && pattern[i + 1] == 's' &&
            next != args.end()) {
            out.append(*next++);
            ++i;
        } else {
            out.push_back(pattern[i]);
        }
    }
    return out;
}

void DatabaseError(const std::string& message) { throw EDatabaseError(message); }

void DatabaseErrorFmt(std::string_view pattern, std::initializer_list<std::string_view> args) {
    throw EDatabaseError(FormatText(pattern, args));
}

void ConvertErrorFmt(std::string_view pattern, std::initializer_list<std::string_view> args) {
    throw EConvertError(FormatText(pattern, args));
}

}  // namespace hollin
