// Expression node copies and value access.
#include "query/expr/expression_node.h"

namespace larch {

TExpressionNode TExpressionNode::ShallowCopy() const {
    TExpressionNode copy = ValueCopy();
    copy.name = name;
    copy.columnName = columnName;
    copy.tableCorrelation = tableCorrelation;
    return copy;
}

TExpressionNode TExpressionNode::ValueCopy() const {
    TExpressionNode copy = KindCopy();
    copy.value = value;
    return copy;
}

TExpressionNode TExpressionNode::KindCopy() const {
    TExpressionNode copy;
    copy.nodeClass = nodeClass;
    copy.opCode = opCode;
    copy.indexVerdict = indexVerdict;
    copy.fieldNumber = fieldNumber;
    copy.sourceTable = sourceTable;
    copy.isNull = isNull;
    copy.isParameter = isParameter;
    copy.caseInsensitive = caseInsensitive;
    copy.prefixLength = prefixLength;
    copy.dataType = dataType;
    copy.subType = subType;
    copy.size = size;
    copy.decimals = decimals;
    copy.wasConstant = wasConstant;
    copy.savedDataType = savedDataType;
    copy.savedSubType = savedSubType;
    copy.savedSize = savedSize;
    copy.savedDecimals = savedDecimals;
    copy.joinKind = joinKind;
    return copy;
}

std::unique_ptr<TExpressionNode> TExpressionNode::Clone() const {
    auto copy = std::make_unique<TExpressionNode>(ShallowCopy());
    if (left) copy->left = left->Clone();
    if (right) copy->right = right->Clone();
    return copy;
}

std::string TExpressionNode::StringValue() const { return std::string(StringView()); }

std::string_view TExpressionNode::StringView() const {
    const char* text = reinterpret_cast<const char*>(value.data());
    return std::string_view(text, ::strnlen(text, value.size()));
}

void TExpressionNode::SetString(const std::string& text) {
    value.fill(0);
    std::memcpy(value.data(), text.data(), std::min(text.size(), value.size() - 1));
}

int16_t TExpressionNode::Int16Value() const {
    int16_t v;
    std::memcpy(&v, value.data(), sizeof v);
    return v;
}

int32_t TExpressionNode::Int32Value() const {
    int32_t v;
    std::memcpy(&v, value.data(), sizeof v);
    return v;
}

int64_t TExpressionNode::Int64Value() const {
    int64_t v;
    std::memcpy(&v, value.data(), sizeof v);
    return v;
}

double TExpressionNode::DoubleValue() const {
    double v;
    std::memcpy(&v, value.data(), sizeof v);
    return v;
}

void TExpressionNode::SetInt16(int16_t v) {
    value.fill(0);
    std::memcpy(value.data(), &v, sizeof v);
}

void TExpressionNode::SetInt32(int32_t v) {
    value.fill(0);
    std::memcpy(value.data(), &v, sizeof v);
}

void TExpressionNode::SetInt64(int64_t v) {
    value.fill(0);
    std::memcpy(value.data(), &v, sizeof v);
}

void TExpressionNode::SetDouble(double v) {
    value.fill(0);
    std::memcpy(value.data(), &v, sizeof v);
}

std::unique_ptr<TExpressionNode> MakeNode(int32_t nodeClass, int32_t opCode, const std::string& name) {
    auto n = std::make_unique<TExpressionNode>();
    n->nodeClass = nodeClass;
    n->opCode = opCode;
    n->name = name.substr(0, kMaxNodeText);
    return n;
}

int32_t MirroredComparison(int32_t code) {
    switch (code) {
        case op::Lt: return op::Gt;
        case op::Gt: return op::Lt;
        case op::Le: return op::Ge;
        case op::Ge: return op::Le;
        default: return code;
    }
}

}  // namespace larch
