// TFilterExpr: parse tree to filter buffer, with field binding and constant
// conversion; and the decoding of a buffer into an expression tree.
#include "query/filter/filter_buffer.h"

#include <charconv>
#include <cmath>
#include <cstring>

#include "dataset/dataset_errors.h"
#include "dataset/date_time.h"
#include "dataset/field_defs.h"
#include "engine/files/byte_order.h"
#include "engine/files/engine_error.h"
#include "query/expr/expression_eval.h"
#include "query/filter/filter_parser.h"
#include "query/expr/expression_node.h"

namespace larch {

namespace {

constexpr uint16_t kBufferVersion = 0;
constexpr uint16_t kBufferMarker = 0xFFFF;
constexpr std::size_t kHeaderSize = 10;
constexpr std::size_t kMaxBufferSize = 0xFFFF;
constexpr std::size_t kMaxConstantText = 255;
// Deeper trees in a buffer are taken for a cycle of node offsets.
constexpr int kMaxDecodeDepth = 512;

[[noreturn]] void Malformed() { hollin::DatabaseError("Incorrectly formed filter expression"); }

[[noreturn]] void NotUsable(const std::string& name) {
    hollin::DatabaseErrorFmt("Field '%s' cannot be used in a filter expression", {name});
}

bool IsComparison(int32_t code) { return code >= op::Eq && code <= op::Le; }

// Whole numbers as the framework's integer conversion reads them.
int32_t ParseInteger(const std::string& text) {
    std::string_view digits = text;
    if (!digits.empty() && digits.front() == '+') digits.remove_prefix(1);
    int64_t value = 0;
    auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (digits.empty() || error != std::errc() || end != digits.data() + digits.size() || value < INT32_MIN ||
        value > INT32_MAX) {
        hollin::ConvertErrorFmt(hollin::text::InvalidInteger, {text});
    }
    return static_cast<int32_t>(value);
}

// Decimal numbers: [sign] digits [. digits] [E [sign] digits], a digit somewhere before the exponent.
double ParseFloat(const std::string& text) {
    std::size_t i = 0, n = text.size();
    bool digits = false;
    if (i < n && (text[i] == '+' || text[i] == '-')) ++i;
    while (i < n && std::isdigit(static_cast<unsigned char>(text[i]))) ++i, digits = true;
    if (i < n && text[i] == '.') {
        ++i;
        while (i < n && std::isdigit(static_cast<unsigned char>(text[i]))) ++i, digits = true;
    }
    if (digits && i < n && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        if (i < n && (text[i] == '+' || text[i] == '-')) ++i;
        bool exponent = false;
        while (i < n && std::isdigit(static_cast<unsigned char>(text[i]))) ++i, exponent = true;
        digits = exponent;
    }
    double value = digits && i == n ? std::strtod(text.c_str(), nullptr) : NAN;
    if (!std::isfinite(value)) hollin::ConvertErrorFmt(hollin::text::InvalidFloat, {text});
    return value;
}

bool ParseBoolean(const std::string& text) {
    if (hollin::SameName(text, "True")) return true;
    if (hollin::SameName(text, "False")) return false;
    int64_t value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size()) {
        hollin::ConvertErrorFmt(hollin::text::InvalidBoolean, {text});
    }
    return value != 0;
}

}  // namespace

// ------------------------------------------------------------ tree to buffer

class TFilterExpr::Writer {
public:
    Writer(const FilterFieldLookup& lookup, hollin::TFilterOptions options) : m_lookup(lookup), m_options(options) {}

    std::vector<uint8_t> Finish(const TExprNode* root) {
        Condition(root);
        const std::size_t total = kHeaderSize + m_nodes.size() + m_literals.size();
        if (total > kMaxBufferSize) Malformed();
        std::vector<uint8_t> buffer(total);
        PutU16(&buffer[0], kBufferVersion);
        PutU16(&buffer[2], static_cast<uint16_t>(total));
        PutU16(&buffer[4], kBufferMarker);
        PutU16(&buffer[6], static_cast<uint16_t>(kHeaderSize));
        PutU16(&buffer[8], static_cast<uint16_t>(kHeaderSize + m_nodes.size()));
        std::copy(m_nodes.begin(), m_nodes.end(), buffer.begin() + kHeaderSize);
        std::copy(m_literals.begin(), m_literals.end(),
                  buffer.begin() + static_cast<std::ptrdiff_t>(kHeaderSize + m_nodes.size()));
        return buffer;
    }

private:
    // A node of class `nodeClass` with room for `operands` 16-bit operands.
    uint16_t Node(int32_t nodeClass, int32_t code, int operands) {
        const std::size_t at = m_nodes.size();
        if (at + 8 + 2 * static_cast<std::size_t>(operands) > kMaxBufferSize) Malformed();
        m_nodes.resize(at + 8 + 2 * static_cast<std::size_t>(operands), 0);
        PutU32(&m_nodes[at], static_cast<uint32_t>(nodeClass));
        PutU32(&m_nodes[at + 4], static_cast<uint32_t>(code));
        return static_cast<uint16_t>(at);
    }
    void Operand(uint16_t node, int index, std::size_t value) {
        if (value > kMaxBufferSize) Malformed();
        PutU16(&m_nodes[node + 8 + 2 * static_cast<std::size_t>(index)], static_cast<uint16_t>(value));
    }
    std::size_t Literal(const uint8_t* bytes, std::size_t size) {
        const std::size_t at = m_literals.size();
        if (at + size > kMaxBufferSize) Malformed();
        m_literals.insert(m_literals.end(), bytes, bytes + size);
        return at;
    }

    FilterField Lookup(const TExprNode* node) {
        FilterField field = m_lookup(node->value);
        if (!field.usable) NotUsable(field.name);
        return field;
    }

    uint16_t FieldNode(const FilterField& field) {
        uint16_t node = Node(node::Column, op::Field, 2);
        Operand(node, 0, field.number);
        Operand(node, 1, Literal(reinterpret_cast<const uint8_t*>(field.name.c_str()), field.name.size() + 1));
        return node;
    }

    uint16_t ConstantNode(uint8_t physType, const std::vector<uint8_t>& bytes) {
        uint16_t node = Node(node::Constant, op::Literal, 3);
        Operand(node, 0, physType);
        Operand(node, 1, bytes.size());
        Operand(node, 2, Literal(bytes.data(), bytes.size()));
        return node;
    }

    static std::vector<uint8_t> TextBytes(std::string text) {
        if (text.size() > kMaxConstantText) text.resize(kMaxConstantText);
        return std::vector<uint8_t>(text.c_str(), text.c_str() + text.size() + 1);
    }

    // A node standing as a condition: the root, or an operand of AND, OR, NOT.
    uint16_t Condition(const TExprNode* node) {
        if (node == nullptr) Malformed();
        if (node->kind == TExprNode::Field) {
            FilterField field = Lookup(node);
            if (field.physType != phys::Boolean) {
                hollin::DatabaseErrorFmt("Field '%s' is not of type Boolean", {field.name});
            }
            uint16_t result = Node(node::Binary, op::Eq, 2);
            Operand(result, 0, FieldNode(field));
            Operand(result, 1, ConstantNode(phys::Boolean, {1, 0}));
            return result;
        }
        if (node->kind == TExprNode::Constant) Malformed();
        if (node->opCode == op::And || node->opCode == op::Or) {
            uint16_t result = Node(node::Binary, node->opCode, 2);
            Operand(result, 0, Condition(node->left));
            Operand(result, 1, Condition(node->right));
            return result;
        }
        if (node->opCode == op::Not) {
            uint16_t result = Node(node::Unary, op::Not, 1);
            Operand(result, 0, Condition(node->left));
            return result;
        }
        if (!IsComparison(node->opCode)) Malformed();
        return Comparison(node);
    }

    uint16_t Comparison(const TExprNode* node) {
        const TExprNode* left = node->left;
        const TExprNode* right = node->right;
        int32_t code = node->opCode;
        if (left == nullptr || right == nullptr) Malformed();
        if (right->kind == TExprNode::Field && left->kind != TExprNode::Field) {
            std::swap(left, right);
            code = MirroredComparison(code);
        }
        if (left->kind == TExprNode::Operator || right->kind == TExprNode::Operator) Malformed();
        // The left side names a field however it was written ('Event' too).
        FilterField field = Lookup(left);
        if (right->kind == TExprNode::Field) {
            FilterField other = Lookup(right);
            uint16_t result = Node(node::Binary, code, 2);
            Operand(result, 0, FieldNode(field));
            Operand(result, 1, FieldNode(other));
            return result;
        }
        if (right->isNull) {
            if (code != op::Eq && code != op::Ne) hollin::DatabaseError("NULL only allowed with '=' and '<>'");
            uint16_t result = Node(node::Unary, code == op::Eq ? op::IsBlank : op::IsNotBlank, 1);
            Operand(result, 0, FieldNode(field));
            return result;
        }
        if (field.physType == phys::String && (code == op::Eq || code == op::Ne) && !right->value.empty()) {
            std::string text = right->value;
            const bool prefix = text.size() > 1 && text.back() == '*' && !m_options.noPartialCompare;
            if (prefix || m_options.caseInsensitive) {
                if (prefix) text.pop_back();
                if (text.size() > kMaxConstantText) text.resize(kMaxConstantText);
                uint16_t result = Node(node::CompareWithOptions, code, 4);
                Operand(result, 0, m_options.caseInsensitive ? 1 : 0);
                Operand(result, 1, prefix ? text.size() : 0);
                Operand(result, 2, FieldNode(field));
                Operand(result, 3, ConstantNode(phys::String, TextBytes(text)));
                return result;
            }
        }
        uint8_t physType = field.physType;
        std::vector<uint8_t> bytes = Convert(field, *right, &physType);
        uint16_t result = Node(node::Binary, code, 2);
        Operand(result, 0, FieldNode(field));
        Operand(result, 1, ConstantNode(physType, bytes));
        return result;
    }

    // The constant as a value of the field's type, in the field's stored form.
    std::vector<uint8_t> Convert(const FilterField& field, const TExprNode& constant, uint8_t* physType) {
        const std::string& text = constant.value;
        std::vector<uint8_t> bytes;
        auto put16 = [&](uint16_t v) { bytes.resize(2); PutU16(bytes.data(), v); };
        auto put32 = [&](int32_t v) { bytes.resize(4); PutI32(bytes.data(), v); };
        auto put64 = [&](double v) { bytes.resize(8); PutF64(bytes.data(), v); };
        switch (field.physType) {
            case phys::String:
                return TextBytes(text);
            case phys::Int16: {
                int32_t v = ParseInteger(text);
                if (v < -32768 || v > 32767) hollin::DatabaseError("Constant out of range");
                put16(static_cast<uint16_t>(static_cast<int16_t>(v)));
                return bytes;
            }
            case phys::Word: {
                int32_t v = ParseInteger(text);
                if (v < 0 || v > 65535) hollin::DatabaseError("Constant out of range");
                put16(static_cast<uint16_t>(v));
                return bytes;
            }
            case phys::Int32:
            case phys::UInt32:
                *physType = phys::Int32;
                put32(ParseInteger(text));
                return bytes;
            case phys::Boolean:
                put16(ParseBoolean(text) ? 1 : 0);
                return bytes;
            case phys::Float:
                put64(ParseFloat(text));
                return bytes;
            case phys::Bcd: {
                // Rounded to the field's decimals, held scaled by 10 000.
                long double scale = std::pow(10.0L, field.scale);
                long double rounded = std::roundl(static_cast<long double>(ParseFloat(text)) * scale) / scale;
                long double scaled = std::roundl(rounded * 10000.0L);
                if (!(std::fabs(scaled) < 9.2e18L)) hollin::DatabaseError("Constant out of range");
                bytes.resize(8);
                uint64_t v = static_cast<uint64_t>(static_cast<int64_t>(scaled));
                PutU32(bytes.data(), static_cast<uint32_t>(v));
                PutU32(bytes.data() + 4, static_cast<uint32_t>(v >> 32));
                return bytes;
            }
            case phys::Date:
            case phys::Time:
            case phys::DateTime:
                return ConvertMoment(field, constant);
            default:
                NotUsable(field.name);
        }
    }

    // Dates and times from the user's "mm/dd/yyyy" and "hh:mm:ss" texts; the
    // words for true and false as the moments 1 and 0 (days after 12/30/1899).
    static std::vector<uint8_t> ConvertMoment(const FilterField& field, const TExprNode& constant) {
        const std::string& text = constant.value;
        hollin::TDateTime moment = 0;
        if (constant.fromBoolWord) {
            moment = hollin::kDay18991230 + (text == "1" ? 1 : 0);
        } else if (field.physType == phys::Date) {
            int32_t day = 0;
            if (!hollin::TryParseDate(text, day)) hollin::ConvertErrorFmt(hollin::text::InvalidDate, {text});
            moment = day;
        } else if (field.physType == phys::Time) {
            int32_t ms = 0;
            if (!hollin::TryParseTime(text, ms)) hollin::ConvertErrorFmt(hollin::text::InvalidTime, {text});
            moment = hollin::MakeDateTime(0, ms);
        } else if (!hollin::TryParseDateTime(text, moment)) {
            hollin::ConvertErrorFmt(hollin::text::InvalidDateTime, {text});
        }
        std::vector<uint8_t> bytes;
        if (field.physType == phys::Date) {
            bytes.resize(4);
            PutI32(bytes.data(), hollin::DayOf(moment));
        } else if (field.physType == phys::Time) {
            bytes.resize(4);
            PutI32(bytes.data(), hollin::MsOfDay(moment));
        } else {
            bytes.resize(8);
            PutF64(bytes.data(), static_cast<double>(hollin::DayOf(moment)) * hollin::kMsPerDay +
                                     hollin::MsOfDay(moment));
        }
        return bytes;
    }

    const FilterFieldLookup& m_lookup;
    hollin::TFilterOptions m_options;
    std::vector<uint8_t> m_nodes;
    std::vector<uint8_t> m_literals;
};

TFilterExpr::TFilterExpr(FilterFieldLookup lookup, hollin::TFilterOptions options)
    : m_lookup(std::move(lookup)), m_options(options) {}

TExprNode* TFilterExpr::NewNode(TExprNode::Kind kind) {
    m_nodes.push_back(std::make_unique<TExprNode>());
    m_nodes.back()->kind = kind;
    return m_nodes.back().get();
}

std::vector<uint8_t> TFilterExpr::Build(const TExprNode* root) { return Writer(m_lookup, m_options).Finish(root); }

std::vector<uint8_t> BuildFilterBuffer(const std::string& text, hollin::TFilterOptions options,
                                       const FilterFieldLookup& lookup) {
    TFilterExpr expr(lookup, options);
    TExprParser parser(expr, text);
    return parser.BuildBuffer();
}

FilterFieldLookup DescriptorLookup(const std::vector<FieldDescriptor>& fields) {
    return [&fields](const std::string& name) {
        for (const FieldDescriptor& d : fields) {
            if (!hollin::SameName(d.name, name)) continue;
            FilterField field;
            field.number = d.number;
            field.name = d.name;
            field.physType = d.physType;
            field.subType = d.subType;
            field.size = d.size;
            field.scale = d.scale;
            return field;
        }
        hollin::DatabaseErrorFmt(hollin::text::FieldNotFound, {name});
    };
}

// ------------------------------------------------------------ buffer to tree

namespace {

class Decoder {
public:
    Decoder(const std::vector<uint8_t>& buffer, const std::vector<FieldDescriptor>& fields, const std::string& file)
        : m_buffer(buffer), m_fields(fields), m_file(file) {}

    std::unique_ptr<TExpressionNode> Decode() {
        if (m_buffer.size() < kHeaderSize + 8) Bad();
        const uint8_t* b = m_buffer.data();
        if (GetU16(b) != kBufferVersion || GetU16(b + 4) != kBufferMarker || GetU16(b + 6) != kHeaderSize) Bad();
        m_total = GetU16(b + 2);
        m_literalStart = GetU16(b + 8);
        if (m_total > m_buffer.size() || m_literalStart < kHeaderSize + 8 || m_literalStart > m_total) Bad();
        return Node(0, 0);
    }

private:
    [[noreturn]] void Bad() const { RaiseEngineError(err::InvalidFilterExpression, m_file); }

    // The 16-bit operand `index` of the node at `at` (buffer offset).
    uint16_t Operand(std::size_t at, int index) const {
        std::size_t position = at + 8 + 2 * static_cast<std::size_t>(index);
        if (position + 2 > m_literalStart) Bad();
        return GetU16(&m_buffer[position]);
    }

    // `size` bytes of the literal area at `offset`.
    const uint8_t* LiteralBytes(std::size_t offset, std::size_t size) const {
        std::size_t position = m_literalStart + offset;
        if (position > m_total || size > m_total - position) Bad();
        return &m_buffer[position];
    }

    std::string LiteralText(std::size_t offset) const {
        std::size_t position = m_literalStart + offset;
        if (position >= m_total) Bad();
        const char* start = reinterpret_cast<const char*>(&m_buffer[position]);
        std::size_t length = ::strnlen(start, m_total - position);
        if (length == m_total - position) Bad();  // no terminator inside the buffer
        return std::string(start, length);
    }

    std::unique_ptr<TExpressionNode> Node(std::size_t offset, int depth) {
        if (depth > kMaxDecodeDepth) Bad();
        const std::size_t at = kHeaderSize + offset;
        if (at + 8 > m_literalStart) Bad();
        const int32_t nodeClass = static_cast<int32_t>(GetU32(&m_buffer[at]));
        const int32_t code = static_cast<int32_t>(GetU32(&m_buffer[at + 4]));
        switch (nodeClass) {
            case node::Unary: {
                if (code != op::Not && code != op::IsBlank && code != op::IsNotBlank) Bad();
                auto result = Operator(node::Unary, code);
                result->left = Node(Operand(at, 0), depth + 1);
                return result;
            }
            case node::Binary: {
                if (!IsComparison(code) && code != op::And && code != op::Or) Bad();
                auto result = Operator(node::Binary, code);
                result->left = Node(Operand(at, 0), depth + 1);
                result->right = Node(Operand(at, 1), depth + 1);
                return result;
            }
            case node::CompareWithOptions: {
                if (code != op::Eq && code != op::Ne) Bad();
                auto result = Operator(node::CompareWithOptions, code);
                result->caseInsensitive = Operand(at, 0) != 0;
                uint16_t prefix = Operand(at, 1);
                if (prefix > 255) Bad();
                result->prefixLength = static_cast<uint8_t>(prefix);
                result->left = Node(Operand(at, 2), depth + 1);
                result->right = Node(Operand(at, 3), depth + 1);
                if (result->left->nodeClass != node::Column || result->right->nodeClass != node::Constant) Bad();
                return result;
            }
            case node::Column:
                if (code != op::Field) Bad();
                return Column(at);
            case node::Constant:
                if (code != op::Literal) Bad();
                return Constant(at);
            default:
                Bad();
        }
    }

    static std::unique_ptr<TExpressionNode> Operator(int32_t nodeClass, int32_t code) {
        static const char* const kNames[] = {"", "IS NULL", "IS NOT NULL", "=", "<>", ">", "<", ">=", "<=", "NOT", "AND", "OR"};
        auto result = MakeNode(nodeClass, code, code >= 0 && code <= op::Or ? kNames[code] : "");
        result->dataType = dtype::Boolean;
        result->size = 2;
        return result;
    }

    std::unique_ptr<TExpressionNode> Column(std::size_t at) {
        std::string name = LiteralText(Operand(at, 1));
        for (const FieldDescriptor& field : m_fields) {
            if (!hollin::SameName(field.name, name)) continue;
            auto result = MakeNode(node::Column, op::None, field.name);
            result->columnName = field.name;
            SetColumnType(field, *result);
            result->fieldNumber = field.number;
            return result;
        }
        RaiseEngineError(err::InvalidFieldNumberOrName, m_file, name);
    }

    std::unique_ptr<TExpressionNode> Constant(std::size_t at) {
        const uint16_t type = Operand(at, 0);
        const uint16_t size = Operand(at, 1);
        const uint8_t* bytes = LiteralBytes(Operand(at, 2), size);
        auto result = MakeNode(node::Constant, op::None, "");
        auto expect = [&](uint16_t width, uint8_t dataType) {
            if (size != width) Bad();
            result->dataType = dataType;
            result->size = static_cast<uint8_t>(width);
        };
        switch (type) {
            case phys::String: {
                if (size == 0) Bad();
                std::string text(reinterpret_cast<const char*>(bytes), ::strnlen(reinterpret_cast<const char*>(bytes), size));
                if (text.empty()) {  // the empty string is NULL
                    result->dataType = dtype::None;
                    result->isNull = true;
                    return result;
                }
                if (text.size() > kMaxConstantText - 1) text.resize(kMaxConstantText - 1);
                result->name = text;
                result->dataType = dtype::String;
                result->size = static_cast<uint8_t>(text.size() + 1);
                result->SetString(text);
                return result;
            }
            case phys::Int16:
                expect(2, dtype::SmallInt);
                result->SetInt16(GetI16(bytes));
                break;
            case phys::Word:
                expect(2, dtype::Word);
                result->SetInt16(GetI16(bytes));
                break;
            case phys::Boolean:
                expect(2, dtype::Boolean);
                result->SetInt16(GetU16(bytes) != 0 ? int16_t{-1} : int16_t{0});
                break;
            case phys::Int32:
                expect(4, dtype::Integer);
                result->SetInt32(GetI32(bytes));
                break;
            case phys::Date:
                expect(4, dtype::Date);
                result->SetInt32(GetI32(bytes));
                break;
            case phys::Time:
                expect(4, dtype::Time);
                result->SetInt32(GetI32(bytes));
                break;
            case phys::Float:
                expect(8, dtype::Float);
                result->SetDouble(GetF64(bytes));
                break;
            case phys::DateTime:
                expect(8, dtype::Timestamp);
                result->SetDouble(GetF64(bytes));
                break;
            case phys::Bcd:
                expect(8, dtype::Bcd);
                result->SetInt64(static_cast<int64_t>(static_cast<uint64_t>(GetU32(bytes)) |
                                                      (static_cast<uint64_t>(GetU32(bytes + 4)) << 32)));
                break;
            default:
                Bad();
        }
        return result;
    }

    const std::vector<uint8_t>& m_buffer;
    const std::vector<FieldDescriptor>& m_fields;
    const std::string& m_file;
    std::size_t m_total = 0;
    std::size_t m_literalStart = 0;
};

}  // namespace

std::unique_ptr<TExpressionNode> DecodeFilterBuffer(const std::vector<uint8_t>& buffer,
                                                    const std::vector<FieldDescriptor>& fields,
                                                    const std::string& file) {
    return Decoder(buffer, fields, file).Decode();
}

}  // namespace larch
