// TExpressionNode: the one tree of parsed SQL and filter expressions, with
// the node classes and operator codes shared by the parser, the typing and
// evaluation, and the filter record sets.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

namespace larch {

struct TSourceDataFile;

namespace node {
// Node classes.
constexpr int32_t Unary = 1;
constexpr int32_t Binary = 2;
constexpr int32_t CompareWithOptions = 3;  // "=" / "<>" with case and prefix options
constexpr int32_t Column = 4;
constexpr int32_t Constant = 5;
constexpr int32_t Function = 10;
constexpr int32_t ExtendedPredicate = 12;
}  // namespace node

namespace op {
constexpr int32_t None = 0;
constexpr int32_t IsBlank = 1;
constexpr int32_t IsNotBlank = 2;
constexpr int32_t Eq = 3;
constexpr int32_t Ne = 4;
constexpr int32_t Gt = 5;
constexpr int32_t Lt = 6;
constexpr int32_t Ge = 7;
constexpr int32_t Le = 8;
constexpr int32_t Not = 9;
constexpr int32_t And = 10;
constexpr int32_t Or = 11;
constexpr int32_t Field = 13;     // filter buffer: a field node
constexpr int32_t Literal = 14;   // filter buffer: a constant node
constexpr int32_t Negate = 15;
constexpr int32_t Plus = 16;
constexpr int32_t Add = 17;       // + and the concatenation of strings (also "||")
constexpr int32_t Subtract = 18;
constexpr int32_t Multiply = 19;
constexpr int32_t Divide = 20;
constexpr int32_t Sum = 23;
constexpr int32_t Count = 24;
constexpr int32_t Min = 25;
constexpr int32_t Max = 26;
constexpr int32_t Avg = 27;
constexpr int32_t Like = 31;
constexpr int32_t In = 32;
constexpr int32_t Upper = 34;
constexpr int32_t Lower = 35;
constexpr int32_t Between = 39;
constexpr int32_t NotBetween = 40;
constexpr int32_t NotLike = 41;
constexpr int32_t NotIn = 42;
constexpr int32_t Substring = 43;
constexpr int32_t TrimLeading = 44;
constexpr int32_t TrimTrailing = 45;
constexpr int32_t TrimBoth = 46;
constexpr int32_t ExtractYear = 48;
constexpr int32_t ExtractMonth = 49;
constexpr int32_t ExtractDay = 50;
}  // namespace op

// Data types of nodes: the engine's physical type codes (0: no type, the
// NULL constant). A BCD node value is a 64-bit integer scaled by 10 000.
namespace dtype {
constexpr uint8_t None = 0;
constexpr uint8_t String = 1;
constexpr uint8_t Date = 2;
constexpr uint8_t Blob = 3;
constexpr uint8_t Boolean = 4;
constexpr uint8_t SmallInt = 5;
constexpr uint8_t Integer = 6;
constexpr uint8_t Float = 7;
constexpr uint8_t Bcd = 8;
constexpr uint8_t Bytes = 9;
constexpr uint8_t Time = 10;
constexpr uint8_t Timestamp = 11;
constexpr uint8_t Word = 12;
}  // namespace dtype

// Index verdicts set by the filter optimiser.
namespace verdict {
constexpr uint8_t Full = 0;
constexpr uint8_t Partial = 1;
constexpr uint8_t None = 2;
}  // namespace verdict

// Texts kept in nodes hold at most this many characters.
constexpr std::size_t kMaxNodeText = 255;
constexpr std::size_t kNodeValueSize = 255;

// One node. The value buffer holds the value in the engine's field formats:
// a zero-terminated string; a 16-bit boolean (0 false, non-zero true); a 16-
// or 32-bit integer; a 64-bit float; a date as a 32-bit day number (01/01/0001
// is day 1); a time as 32-bit milliseconds since midnight; a timestamp as a
// 64-bit float count of milliseconds (day number × 86400000 + milliseconds).
//
// Children: for functions and unary operators the operand is `left`. Lists
// hang off `right`: the FOR length of SUBSTRING off the FROM start, the second
// BETWEEN bound off the first, IN values chained through each value's right.
struct TExpressionNode {
    std::string name;  // operator or function word, column as written, constant text
    int32_t nodeClass = 0;
    int32_t opCode = op::None;
    uint8_t indexVerdict = verdict::None;
    std::string columnName;
    uint16_t fieldNumber = 0;
    std::string tableCorrelation;
    TSourceDataFile* sourceTable = nullptr;
    std::array<uint8_t, kNodeValueSize> value{};
    bool isNull = false;
    bool isParameter = false;
    bool caseInsensitive = false;
    uint8_t prefixLength = 0;
    uint8_t dataType = dtype::None;
    uint8_t subType = 0;
    uint8_t size = 0;  // counts the terminator for strings
    uint8_t decimals = 0;
    bool wasConstant = false;
    uint8_t savedDataType = 0;
    uint8_t savedSubType = 0;
    uint8_t savedSize = 0;
    uint8_t savedDecimals = 0;
    // Set on comparisons of an ON condition whose sides are both columns:
    // 0 none, 1 inner, 2 left outer, 3 right outer.
    uint8_t joinKind = 0;
    std::unique_ptr<TExpressionNode> left;
    std::unique_ptr<TExpressionNode> right;

    // A copy of this node without its children.
    TExpressionNode ShallowCopy() const;
    // The same without the name texts either: kind, type and value, which
    // is all that evaluation works on (and no heap work per record).
    TExpressionNode ValueCopy() const;
    // The same with a zero value buffer, for a value about to be loaded.
    TExpressionNode KindCopy() const;
    // A deep copy of the whole tree.
    std::unique_ptr<TExpressionNode> Clone() const;

    // Typed access to the value buffer.
    std::string StringValue() const;
    std::string_view StringView() const;  // valid while the node is
    void SetString(const std::string& text);
    int16_t Int16Value() const;
    int32_t Int32Value() const;
    int64_t Int64Value() const;
    double DoubleValue() const;
    void SetInt16(int16_t v);
    void SetInt32(int32_t v);
    void SetInt64(int64_t v);
    void SetDouble(double v);
};

std::unique_ptr<TExpressionNode> MakeNode(int32_t nodeClass, int32_t opCode, const std::string& name);

// The comparison with its sides swapped: < and >, <= and >= trade places;
// every other code stays.
int32_t MirroredComparison(int32_t code);

}  // namespace larch
