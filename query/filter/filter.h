// TFilter: one filter of a data file (an expression tree or a record
// callback) with its record set, and the bit operations on record sets.
//
// A record set has one bit per physical record of the data file: record n
// (from 1) is bit (n - 1) % 8 of byte (n - 1) / 8, least significant bit
// first. A set built for a file with next record number m holds
// (m - 1) / 8 + 1 bytes; bits beyond a set's bytes read as clear.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "query/expr/expression_node.h"

namespace larch {

using RecordSet = std::vector<uint8_t>;

// An empty set sized for a file whose next record number is `nextRecordNumber`.
RecordSet MakeRecordSet(uint32_t nextRecordNumber);
bool HasRecord(const RecordSet& set, uint32_t number);
// Adding grows the set as needed; record 0 is ignored.
void AddRecord(RecordSet& set, uint32_t number);
void RemoveRecord(RecordSet& set, uint32_t number);
uint32_t CountRecords(const RecordSet& set);
// Whether the set holds more than `limit` records; stops counting there.
bool HoldsMoreThan(const RecordSet& set, uint64_t limit);
// In place: a &= b, a |= b, a &= ~b (`b` shorter than `a` reads as clear).
void IntersectWith(RecordSet& a, const RecordSet& b);
void UniteWith(RecordSet& a, const RecordSet& b);
void SubtractFrom(RecordSet& a, const RecordSet& b);
// Calls `visit` with every record number in the set, ascending.
void ForEachRecord(const RecordSet& set, const std::function<void(uint32_t)>& visit);

class TFilter {
public:
    enum class Kind { Expression, Callback };
    // Answers whether the record (its image and number) passes.
    using Callback = std::function<bool(const uint8_t* image, uint32_t recordNumber)>;

    Kind FilterKind() const { return m_kind; }
    // The decoded or handed-over tree (null for a callback filter).
    const TExpressionNode* Tree() const { return m_tree.get(); }
    // The index verdict of the tree (2 for a callback filter).
    uint8_t Verdict() const { return m_verdict; }
    bool Active() const { return m_active; }
    // Valid while active.
    const RecordSet& Set() const { return m_set; }

private:
    friend class TFilterList;

    Kind m_kind = Kind::Expression;
    std::unique_ptr<TExpressionNode> m_tree;
    Callback m_callback;
    bool m_coverageCheck = false;  // pushed down by a query: the 90 % rule applies
    uint8_t m_verdict = verdict::None;
    bool m_active = false;
    RecordSet m_set;
};

}  // namespace larch
