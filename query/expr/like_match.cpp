// LIKE pattern matching without recursion: on a mismatch the last "%" seen
// takes one more character and matching resumes after it, so the time stays
// proportional to text length times pattern length.
#include "query/expr/like_match.h"

namespace larch {

bool LikeMatch(std::string_view text, std::string_view pattern) {
    std::size_t t = 0, p = 0;
    std::size_t starPattern = std::string_view::npos;  // position after the last "%"
    std::size_t starText = 0;                          // text position that "%" resumes from
    while (t < text.size()) {
        if (p < pattern.size() && pattern[p] == '%') {
            starPattern = ++p;
            starText = t;
        } else if (p < pattern.size() && (pattern[p] == '_' || pattern[p] == text[t])) {
            ++p;
            ++t;
        } else if (starPattern != std::string_view::npos) {
            p = starPattern;
            t = ++starText;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '%') ++p;
    return p == pattern.size();
}

}  // namespace larch
