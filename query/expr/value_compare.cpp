// Node values read as numbers, and comparison of node values by type.
#include "query/expr/value_compare.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "query/expr/type_rules.h"

namespace larch {

namespace {

char AsciiUpper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }
char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

template <typename T>
int Sign(T a, T b) {
    return a < b ? -1 : (b < a ? 1 : 0);
}

// A number in BCD units (10 000 per whole) when `scaled`, else as is.
long double NumberValue(const TExpressionNode& node, bool scaled) {
    if (node.dataType == dtype::Bcd) {
        long double v = static_cast<long double>(node.Int64Value());
        return scaled ? v : v / 10000.0L;
    }
    if (node.dataType == dtype::Float || node.dataType == dtype::Timestamp) {
        // A float meets BCD at BCD's resolution, so that 12.34 (not exact in
        // binary) equals the BCD 12.34.
        const long double v = node.DoubleValue();
        return scaled ? std::round(v * 10000.0L) : v;
    }
    const long double v = static_cast<long double>(WholeValue(node));
    return scaled ? v * 10000.0L : v;
}

// A date or timestamp as milliseconds.
double MomentValue(const TExpressionNode& node) {
    if (node.dataType == dtype::Date) return static_cast<double>(node.Int32Value()) * kMsPerDayF;
    return node.DoubleValue();
}

}  // namespace

int CompareStrings(std::string_view a, std::string_view b, const CompareLanguage& /*language*/,
                   bool caseInsensitive, std::size_t prefixLength) {
    if (prefixLength != 0) {
        a = a.substr(0, std::min(prefixLength, a.size()));
        b = b.substr(0, std::min(prefixLength, b.size()));
    }
    // Over the longer length: the shorter string ends in its terminator,
    // which orders below every character.
    const std::size_t common = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < common; ++i) {
        char ca = caseInsensitive ? AsciiUpper(a[i]) : a[i];
        char cb = caseInsensitive ? AsciiUpper(b[i]) : b[i];
        if (ca != cb) return static_cast<unsigned char>(ca) < static_cast<unsigned char>(cb) ? -1 : 1;
    }
    return Sign(a.size(), b.size());
}

std::string UpperCase(std::string_view text, const CompareLanguage& /*language*/) {
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(), AsciiUpper);
    return out;
}

std::string LowerCase(std::string_view text, const CompareLanguage& /*language*/) {
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(), AsciiLower);
    return out;
}

int64_t WholeValue(const TExpressionNode& node) {
    switch (node.dataType) {
        case dtype::SmallInt:
        case dtype::Boolean:
            return node.Int16Value();
        case dtype::Word:
            return static_cast<uint16_t>(node.Int16Value());
        case dtype::Integer:
        case dtype::Date:
        case dtype::Time:
            return node.Int32Value();
        case dtype::Bcd:
            return node.Int64Value() / 10000;
        case dtype::Float:
        case dtype::Timestamp: {
            // Out-of-range floats (and NaN) saturate instead of overflowing.
            const double v = node.DoubleValue();
            if (!(v == v)) return 0;
            if (v >= 9.2e18) return INT64_MAX;
            if (v <= -9.2e18) return INT64_MIN;
            return static_cast<int64_t>(v);
        }
        default:
            return 0;
    }
}

double FloatValue(const TExpressionNode& node) { return static_cast<double>(NumberValue(node, false)); }

bool BooleanValue(const TExpressionNode& node) {
    if (node.dataType == dtype::Float || node.dataType == dtype::Timestamp) return node.DoubleValue() != 0.0;
    if (node.dataType == dtype::Bcd) return node.Int64Value() != 0;
    return WholeValue(node) != 0;
}

int CompareNodeValues(const TExpressionNode& a, const TExpressionNode& b, const CompareLanguage& language) {
    const uint8_t ta = a.dataType, tb = b.dataType;
    if (ta == dtype::String && tb == dtype::String) return CompareStrings(a.StringView(), b.StringView(), language);
    if (ta == dtype::Boolean || tb == dtype::Boolean) return Sign(BooleanValue(a), BooleanValue(b));
    if ((ta == dtype::Timestamp && (tb == dtype::Date || tb == dtype::Timestamp)) ||
        (tb == dtype::Timestamp && ta == dtype::Date))
        return Sign(MomentValue(a), MomentValue(b));
    const bool numberA = IsNumericType(ta) || IsTemporalType(ta);
    const bool numberB = IsNumericType(tb) || IsTemporalType(tb);
    if (numberA && numberB) {
        const bool scaled = ta == dtype::Bcd || tb == dtype::Bcd;
        return Sign(NumberValue(a, scaled), NumberValue(b, scaled));
    }
    // Types the typing never lets meet (bytes, blobs): their raw bytes.
    const int c = std::memcmp(a.value.data(), b.value.data(), kNodeValueSize);
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

}  // namespace larch
