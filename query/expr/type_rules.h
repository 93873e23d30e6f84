// Which operand types an operator accepts and what type its result has:
// the compatibility table of expression typing.
#pragma once

#include <cstdint>

namespace larch {

// Numeric: small integer, integer, float, BCD, word. Whole: small integer,
// integer, word.
bool IsNumericType(uint8_t type);
bool IsWholeType(uint8_t type);
// Date, time or timestamp.
bool IsTemporalType(uint8_t type);

// Whether a binary operator (op::Eq ... op::Divide, op::And, op::Or) accepts
// `left` and `right` as its operand types. A left operand without type (the
// NULL constant) is accepted by nothing; a right one only by "=" and "<>".
bool OperandsCompatible(int32_t opCode, uint8_t left, uint8_t right);

// The data type of "+", "-", "*" or "/" over operands already found
// compatible.
uint8_t ArithmeticResultType(int32_t opCode, uint8_t left, uint8_t right);

// Bytes a value of the node data type occupies in a node (strings: 0, their
// size is their own).
uint8_t NaturalTypeSize(uint8_t type);

}  // namespace larch
