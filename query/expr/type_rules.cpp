// The operand compatibility table and the result types of arithmetic.
#include "query/expr/type_rules.h"

#include "query/expr/expression_node.h"

namespace larch {

bool IsNumericType(uint8_t type) {
    return type == dtype::SmallInt || type == dtype::Integer || type == dtype::Float || type == dtype::Bcd ||
           type == dtype::Word;
}

bool IsWholeType(uint8_t type) { return type == dtype::SmallInt || type == dtype::Integer || type == dtype::Word; }

bool IsTemporalType(uint8_t type) { return type == dtype::Date || type == dtype::Time || type == dtype::Timestamp; }

namespace {

bool IsDateOrTimestamp(uint8_t type) { return type == dtype::Date || type == dtype::Timestamp; }

// Ordering comparisons: both sides of the same family.
bool Comparable(uint8_t left, uint8_t right) {
    if (left == dtype::String) return right == dtype::String;
    if (IsDateOrTimestamp(left)) return IsDateOrTimestamp(right);
    if (IsNumericType(left)) return IsNumericType(right);
    if (left == dtype::Time) return right == dtype::Time;
    return false;
}

bool AddCompatible(uint8_t left, uint8_t right) {
    if (left == dtype::String) return right == dtype::String;
    if (IsTemporalType(left)) return IsWholeType(right);
    if (IsWholeType(left)) return right == dtype::Date || IsNumericType(right) || right == dtype::Time ||
                                  right == dtype::Timestamp;
    if (left == dtype::Float || left == dtype::Bcd) return IsNumericType(right);
    return false;
}

bool SubtractCompatible(uint8_t left, uint8_t right) {
    switch (left) {
        case dtype::Date:
            return right == dtype::Date || IsWholeType(right);
        case dtype::Time:
            return right == dtype::Time || IsWholeType(right);
        case dtype::Timestamp:
            return right == dtype::Date || right == dtype::Time || right == dtype::Timestamp || IsWholeType(right);
        default:
            return IsNumericType(left) && IsNumericType(right);
    }
}

}  // namespace

bool OperandsCompatible(int32_t opCode, uint8_t left, uint8_t right) {
    switch (opCode) {
        case op::Eq:
        case op::Ne:
            if (left == dtype::Boolean) return right == dtype::Boolean || right == dtype::None;
            return Comparable(left, right) || (right == dtype::None && Comparable(left, left));
        case op::Lt:
        case op::Gt:
        case op::Le:
        case op::Ge:
            return Comparable(left, right);
        case op::And:
        case op::Or:
            return left == dtype::Boolean && right == dtype::Boolean;
        case op::Add:
            return AddCompatible(left, right);
        case op::Subtract:
            return SubtractCompatible(left, right);
        case op::Multiply:
        case op::Divide:
            return IsNumericType(left) && IsNumericType(right);
        default:
            return false;
    }
}

uint8_t ArithmeticResultType(int32_t opCode, uint8_t left, uint8_t right) {
    if (left == dtype::String) return dtype::String;
    if (opCode == op::Subtract) {
        if (left == dtype::Date && right == dtype::Date) return dtype::Integer;
        if (left == dtype::Time && right == dtype::Time) return dtype::Integer;
        if (left == dtype::Timestamp && right == dtype::Timestamp) return dtype::Float;
        if (left == dtype::Timestamp && (right == dtype::Date || right == dtype::Time)) return dtype::Integer;
    }
    // A date, time or timestamp moved by a whole number keeps its type, on
    // either side of "+".
    if (IsTemporalType(left)) return left;
    if (IsTemporalType(right)) return right;
    if (left == dtype::Float || right == dtype::Float) return dtype::Float;
    if (left == dtype::Bcd || right == dtype::Bcd) return dtype::Bcd;
    if (opCode == op::Divide) return dtype::Float;
    if (opCode == op::Subtract && left == dtype::Word) return dtype::Word;
    return dtype::Integer;
}

uint8_t NaturalTypeSize(uint8_t type) {
    switch (type) {
        case dtype::Boolean:
        case dtype::SmallInt:
        case dtype::Word:
            return 2;
        case dtype::Date:
        case dtype::Time:
        case dtype::Integer:
        case dtype::Blob:
            return 4;
        case dtype::Float:
        case dtype::Bcd:
        case dtype::Timestamp:
            return 8;
        default:
            return 0;
    }
}

}  // namespace larch
