// The parameter scan of query texts and the rebuild of a parameter list.
#include "query/sql/param_scan.h"

namespace larch {

namespace {

bool IsQuote(char c) { return c == '\'' || c == '"'; }

bool EndsName(char c) { return c == ' ' || c == ',' || c == ';' || c == ')' || c == '\r' || c == '\n'; }

}  // namespace

std::vector<std::string> ScanParams(std::string& text) {
    std::vector<std::string> names;
    std::string out;
    out.reserve(text.size());
    bool literal = false;
    std::size_t pos = 0;
    while (pos < text.size()) {
        const char c = text[pos];
        if (c == ':' && !literal) {
            if (pos + 1 < text.size() && text[pos + 1] == ':') {
                out.push_back(':');
                pos += 2;
                continue;
            }
            // A marker: quotes inside the name toggle the same literal state,
            // so a quoted name may hold blanks and the other delimiters.
            const std::size_t start = pos + 1;
            std::size_t end = start;
            while (end < text.size() && (literal || !EndsName(text[end]))) {
                if (IsQuote(text[end])) literal = !literal;
                ++end;
            }
            std::string name = text.substr(start, end - start);
            if (!name.empty() && IsQuote(name.front())) {
                name.erase(0, 1);
                if (!name.empty() && IsQuote(name.back())) name.pop_back();
            }
            names.push_back(std::move(name));
            out.push_back('?');
            pos = end;
            continue;
        }
        if (IsQuote(c)) literal = !literal;
        out.push_back(c);
        ++pos;
    }
    text = std::move(out);
    return names;
}

void RebuildParams(TLarchParams& params, const std::vector<std::string>& names) {
    TLarchParams rebuilt;
    for (const std::string& name : names) rebuilt.Add(name);
    rebuilt.AssignValues(params);
    params = std::move(rebuilt);
}

}  // namespace larch
