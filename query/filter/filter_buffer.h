// The filter buffer: the parse tree of a filter text (TExprNode), its
// translation into the flat buffer a data file takes (TFilterExpr), and the
// decoding of a buffer into an expression tree.
//
// Buffer (little-endian):
//   offset  width  content
//   0       2      version, 0
//   2       2      total size
//   4       2      0xFFFF
//   6       2      offset of the node area, 10
//   8       2      offset of the literal area
//   10      ...    nodes: 32-bit class, 32-bit operator, 16-bit operands; the
//                  root first; node operands are offsets in the node area
//   ...            literals: zero-terminated field names, constant values
// Node classes: 1 unary (operator 9 NOT, 1 is blank, 2 is not blank; child);
// 2 binary (3..8 comparisons, 10 AND, 11 OR; left, right); 3 comparison with
// options (operator 3 or 4; case-insensitive flag, prefix length, field
// node, constant node); 4 field (operator 13; field number, literal offset
// of the name); 5 constant (operator 14; physical type, value size, literal
// offset of the value). Constants are stored as the field stores them,
// strings zero-terminated (size 1: the empty string, read as NULL); a BCD
// constant is a 64-bit integer scaled by 10 000.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "dataset/dataset_types.h"
#include "engine/records/field_descriptor.h"
#include "query/expr/expression_node.h"

namespace larch {

// A node of the filter parse tree.
struct TExprNode {
    enum Kind { Field = 0, Constant = 1, Operator = 2 };
    Kind kind = Constant;
    bool partial = false;     // a string constant ending in "*"
    int32_t opCode = op::None;
    std::string value;        // field name, or the constant as written
    bool isNull = false;      // the NULL constant
    bool isString = false;    // a quoted constant
    bool fromBoolWord = false;  // the words for true and false: value "1" or "0"
    TExprNode* left = nullptr;
    TExprNode* right = nullptr;
};

// What the filter needs of a cursor field, from the cursor's field lookup.
struct FilterField {
    uint16_t number = 0;  // the data file's field number
    std::string name;
    uint8_t physType = 0;
    uint8_t subType = 0;
    uint8_t size = 0;
    uint8_t scale = 0;
    bool usable = true;  // a data field (or an internal calculated one)
};
// Raises "Field '%s' not found" for an unknown name.
using FilterFieldLookup = std::function<FilterField(const std::string& name)>;

class TFilterExpr {
public:
    TFilterExpr(FilterFieldLookup lookup, hollin::TFilterOptions options);

    // A new node owned by this object.
    TExprNode* NewNode(TExprNode::Kind kind);

    // The buffer of the tree under `root`. Raises the framework's database
    // errors "Incorrectly formed filter expression", "Field '%s' is not of
    // type Boolean", "Field '%s' cannot be used in a filter expression",
    // "NULL only allowed with '=' and '<>'", "Constant out of range", the
    // lookup's errors, and the conversion error (hollin::EConvertError) of a
    // constant that is no value of its field's type.
    std::vector<uint8_t> Build(const TExprNode* root);

private:
    class Writer;

    FilterFieldLookup m_lookup;
    hollin::TFilterOptions m_options;
    std::vector<std::unique_ptr<TExprNode>> m_nodes;
};

// The buffer of a filter text (TExprParser, then TFilterExpr).
std::vector<uint8_t> BuildFilterBuffer(const std::string& text, hollin::TFilterOptions options,
                                       const FilterFieldLookup& lookup);

// A FilterFieldLookup over a data file's descriptors (ignoring case).
FilterFieldLookup DescriptorLookup(const std::vector<FieldDescriptor>& fields);

// Decodes a buffer into a typed tree whose columns are bound by name to
// `fields`. Engine error 10051 (naming `file`) for a buffer that is not
// sound; 9985 for a field name that is not one of `fields`.
std::unique_ptr<TExpressionNode> DecodeFilterBuffer(const std::vector<uint8_t>& buffer,
                                                    const std::vector<FieldDescriptor>& fields,
                                                    const std::string& file);

}  // namespace larch
