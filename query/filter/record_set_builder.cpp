// Index verdicts, index-range record sets and record-by-record evaluation.
#include "query/filter/record_set_builder.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <utility>

#include "engine/files/byte_order.h"
#include "engine/index/index_key.h"
#include "engine/records/record_fields.h"
#include "query/sql/source_data_file.h"

namespace larch {

namespace {

// Key bounds of one constant over the index's first field: every key with
// that value (or prefix) lies in [low, high].
struct KeyBounds {
    std::vector<uint8_t> low, high;
};

enum class Shape { Eq, Ne, Lt, Le, Gt, Ge, Blank, NotBlank, In, NotIn, Between, NotBetween };

// What an index can answer for one node.
struct LeafPlan {
    int slot = -1;
    Shape shape = Shape::Eq;
    std::vector<KeyBounds> values;
    bool blanks = false;  // ordering and BETWEEN: whether blank keys pass
};

// Inclusive position ranges in one index.
using Range = std::pair<uint32_t, uint32_t>;

bool IsOrdering(int32_t code) { return code >= op::Gt && code <= op::Le; }

bool IsNullValue(const TExpressionNode& value) {
    return value.isNull || value.dataType == dtype::None || (value.dataType == dtype::String && value.value[0] == 0);
}

bool IsConstantTree(const TExpressionNode& node) {
    if (node.nodeClass == node::Constant) return true;
    return node.nodeClass == node::Unary && (node.opCode == op::Negate || node.opCode == op::Plus) && node.left &&
           IsConstantTree(*node.left);
}

// The value of a constant, or of unary + and - over one.
bool ConstantValue(const TExpressionNode* node, const CompareLanguage& language, TExpressionNode& out) {
    if (node == nullptr || !IsConstantTree(*node)) return false;
    if (node->nodeClass == node::Constant) {
        out = node->ShallowCopy();
        return true;
    }
    EvaluateExpression(*node, [](const TExpressionNode&, TExpressionNode&) {}, language, out);
    return true;
}

bool WholeValue(const TExpressionNode& c, int64_t& value) {
    switch (c.dataType) {
        case dtype::SmallInt:
            value = c.Int16Value();
            return true;
        case dtype::Integer:
            value = c.Int32Value();
            return true;
        case dtype::Word:
            value = static_cast<uint16_t>(c.Int16Value());
            return true;
        case dtype::Float: {
            double d = c.DoubleValue();
            if (!std::isfinite(d) || d != std::trunc(d) || std::fabs(d) > 9007199254740992.0) return false;
            value = static_cast<int64_t>(d);
            return true;
        }
        default:
            return false;
    }
}

// The field's stored bytes for a constant, when the constant has exactly
// that value in the field's type (else the index cannot answer for it).
bool StoredBytes(const FieldDescriptor& field, const TExpressionNode& c, std::vector<uint8_t>& bytes) {
    bytes.assign(field.IsAutoInc() ? 4 : field.width, 0);
    int64_t whole = 0;
    switch (field.physType) {
        case phys::String: {
            if (c.dataType != dtype::String) return false;
            std::string text = c.StringValue();
            if (text.size() > field.size || text.size() >= bytes.size()) return false;
            std::memcpy(bytes.data(), text.data(), text.size());
            return true;
        }
        case phys::Int16:
            if (!WholeValue(c, whole) || whole < -32768 || whole > 32767) return false;
            PutI16(bytes.data(), static_cast<int16_t>(whole));
            return true;
        case phys::Word:
            if (!WholeValue(c, whole) || whole < 0 || whole > 65535) return false;
            PutU16(bytes.data(), static_cast<uint16_t>(whole));
            return true;
        case phys::Int32:
            if (!WholeValue(c, whole) || whole < INT32_MIN || whole > INT32_MAX) return false;
            PutI32(bytes.data(), static_cast<int32_t>(whole));
            return true;
        case phys::Boolean:
            if (c.dataType != dtype::Boolean) return false;
            PutU16(bytes.data(), c.Int16Value() != 0 ? 1 : 0);
            return true;
        case phys::Float: {
            double value = 0;
            if (c.dataType == dtype::Float) {
                value = c.DoubleValue();
            } else if (c.dataType == dtype::SmallInt || c.dataType == dtype::Integer || c.dataType == dtype::Word) {
                WholeValue(c, whole);
                value = static_cast<double>(whole);
            } else {
                return false;
            }
            if (std::isnan(value)) return false;
            PutF64(bytes.data(), value);
            return true;
        }
        case phys::Date:
            if (c.dataType == dtype::Date) {
                PutI32(bytes.data(), c.Int32Value());
                return true;
            }
            if (c.dataType == dtype::Timestamp) {
                double ms = c.DoubleValue();
                double day = ms / 86400000.0;
                if (!std::isfinite(ms) || day != std::trunc(day) || std::fabs(day) > INT32_MAX) return false;
                PutI32(bytes.data(), static_cast<int32_t>(day));
                return true;
            }
            return false;
        case phys::Time:
            if (c.dataType != dtype::Time) return false;
            PutI32(bytes.data(), c.Int32Value());
            return true;
        case phys::DateTime:
            if (c.dataType == dtype::Timestamp) {
                if (std::isnan(c.DoubleValue())) return false;
                PutF64(bytes.data(), c.DoubleValue());
                return true;
            }
            if (c.dataType == dtype::Date) {
                PutF64(bytes.data(), static_cast<double>(c.Int32Value()) * 86400000.0);
                return true;
            }
            return false;
        default:
            return false;
    }
}

bool AppendsRecordId(const TIndexFile& index, int slot) {
    return slot != kPrimarySlot && !index.Descriptor(slot).unique;
}

// Bytes of the first field's part of a key: presence byte and key bytes.
std::size_t FirstPartLength(const FieldDescriptor& field) {
    return 1 + (field.IsAutoInc() ? 4u : field.width);
}

// The bounds of one stored value in index `slot`. `rawCase` keeps the text's
// letters as they are in a case-insensitive index (UPPER(column) compares
// the upper-cased keys with the constant as written). A prefix length keeps
// only that many characters of the value.
KeyBounds BoundsOf(TDataFile& file, int slot, const FieldDescriptor& field, const std::vector<uint8_t>& stored,
                   bool rawCase, uint8_t prefixLength) {
    std::vector<uint8_t> image(file.ImageSize(), 0);
    if (field.IsAutoInc()) {
        std::memcpy(image.data() + kRecordIdOffset, stored.data(), 4);
    } else {
        SetFieldBytes(field, image.data(), stored.data());
    }
    IndexDescriptor d = file.Index().Descriptor(slot);
    if (rawCase) d.caseInsensitive = false;
    const bool appends = AppendsRecordId(file.Index(), slot);
    KeyBounds bounds;
    bounds.low.assign(d.keyLength, 0);
    bounds.high.assign(d.keyLength, 0);
    BuildPartialKey(d, file.Fields(), image.data(), 1, false, appends, bounds.low.data());
    BuildPartialKey(d, file.Fields(), image.data(), 1, true, appends, bounds.high.data());
    if (prefixLength > 0) {
        std::size_t keep = 1 + std::min<std::size_t>(prefixLength, field.width);
        std::fill(bounds.low.begin() + static_cast<std::ptrdiff_t>(keep), bounds.low.end(), 0x00);
        std::copy(bounds.low.begin(), bounds.low.begin() + static_cast<std::ptrdiff_t>(keep), bounds.high.begin());
        std::fill(bounds.high.begin() + static_cast<std::ptrdiff_t>(keep), bounds.high.end(), 0xFF);
    }
    return bounds;
}

// How the zero value (what the evaluator's ordering comparisons see in a
// NULL field) compares with a constant's bounds: <0, 0 or >0.
int CompareZeroWith(TDataFile& file, int slot, const FieldDescriptor& field, const KeyBounds& constant) {
    std::vector<uint8_t> zero(field.IsAutoInc() ? 4 : field.width, 0);
    KeyBounds z = BoundsOf(file, slot, field, zero, true, 0);
    return CompareKeys(z.low.data(), constant.low.data(), FirstPartLength(field));
}

bool ZeroPasses(int32_t code, int order) {
    switch (code) {
        case op::Lt: return order < 0;
        case op::Le: return order <= 0;
        case op::Gt: return order > 0;
        case op::Ge: return order >= 0;
        default: return false;
    }
}

class Planner {
public:
    Planner(TDataFile& file, const CompareLanguage& language) : m_file(file), m_language(language) {}

    // Whether an index answers `node` fully, and how.
    bool Plan(const TExpressionNode& node, LeafPlan& plan) {
        switch (node.nodeClass) {
            case node::Unary:
                return PlanBlank(node, plan);
            case node::Binary:
                return IsOrdering(node.opCode) || node.opCode == op::Eq || node.opCode == op::Ne
                           ? PlanComparison(node, plan)
                           : false;
            case node::CompareWithOptions:
                return PlanOptions(node, plan);
            case node::ExtendedPredicate:
                return PlanPredicate(node, plan);
            default:
                return false;
        }
    }

    // The position ranges of the keys that pass a planned node.
    std::vector<Range> Ranges(const LeafPlan& plan, uint32_t* keyCount) {
        TIndexFile& index = m_file.Index();
        const uint32_t n = index.KeyCount(plan.slot);
        *keyCount = n;
        const uint32_t blanks = BlankCount(plan.slot);
        auto below = [&](const KeyBounds& v) { return index.CountKeysBelow(plan.slot, v.low.data()); };
        auto upTo = [&](const KeyBounds& v) { return index.CountKeysUpTo(plan.slot, v.high.data()); };
        std::vector<Range> ranges;
        auto blankRange = [&] {
            if (blanks > 0) ranges.push_back({1, blanks});
        };
        switch (plan.shape) {
            case Shape::Eq:
            case Shape::Ne:
                ranges.push_back({below(plan.values[0]) + 1, upTo(plan.values[0])});
                break;
            case Shape::Lt:
                ranges.push_back({blanks + 1, below(plan.values[0])});
                break;
            case Shape::Le:
                ranges.push_back({blanks + 1, upTo(plan.values[0])});
                break;
            case Shape::Gt:
                ranges.push_back({upTo(plan.values[0]) + 1, n});
                break;
            case Shape::Ge:
                ranges.push_back({below(plan.values[0]) + 1, n});
                break;
            case Shape::Blank:
                blankRange();
                break;
            case Shape::NotBlank:
                ranges.push_back({blanks + 1, n});
                break;
            case Shape::In:
            case Shape::NotIn:
                for (const KeyBounds& v : plan.values) ranges.push_back({below(v) + 1, upTo(v)});
                break;
            case Shape::Between:
            case Shape::NotBetween:
                ranges.push_back({std::max(blanks + 1, below(plan.values[0]) + 1), upTo(plan.values[1])});
                break;
        }
        if (plan.blanks) blankRange();
        ranges = Normalize(std::move(ranges), n);
        if (plan.shape == Shape::Ne || plan.shape == Shape::NotIn || plan.shape == Shape::NotBetween) {
            ranges = Complement(ranges, n);
        }
        return ranges;
    }

    // A case-sensitive "=" or IN over a string column whose only index for
    // it ignores case: the keys equal to the constant ignoring case hold
    // every record that can pass, so their range gives the candidates that
    // are then tested exactly.
    bool PlanCandidates(const TExpressionNode& node, LeafPlan& plan) const {
        const bool eq = node.nodeClass == node::Binary && node.opCode == op::Eq;
        const bool exactOptions = node.nodeClass == node::CompareWithOptions && node.opCode == op::Eq &&
                                  !node.caseInsensitive && node.prefixLength == 0;
        const bool in = node.nodeClass == node::ExtendedPredicate && node.opCode == op::In;
        if (!eq && !exactOptions && !in) return false;
        bool upper = false;
        const FieldDescriptor* field = ColumnOf(node.left.get(), &upper);
        if (field == nullptr || upper || field->physType != phys::String) return false;
        if (IndexFor(*field, CaseRule::Sensitive) >= 0) return false;  // the exact index answers it
        plan.slot = IndexFor(*field, CaseRule::Insensitive);
        if (plan.slot < 0) return false;
        const TExpressionNode* value = node.right.get();
        for (; value != nullptr; value = in ? value->right.get() : nullptr) {
            KeyBounds bounds;
            if (!Bounds(*field, plan.slot, value, false, 0, bounds)) return false;
            plan.values.push_back(std::move(bounds));
        }
        plan.shape = in ? Shape::In : Shape::Eq;
        return !plan.values.empty();
    }

    static std::vector<Range> Intersect(const std::vector<Range>& a, const std::vector<Range>& b) {
        std::vector<Range> both;
        std::size_t i = 0, j = 0;
        while (i < a.size() && j < b.size()) {
            const uint32_t first = std::max(a[i].first, b[j].first), last = std::min(a[i].second, b[j].second);
            if (first <= last) both.push_back({first, last});
            if (a[i].second < b[j].second) ++i;
            else ++j;
        }
        return both;
    }

    static std::vector<Range> Normalize(std::vector<Range> ranges, uint32_t n) {
        std::vector<Range> kept;
        for (Range r : ranges) {
            r.second = std::min(r.second, n);
            if (r.first >= 1 && r.first <= r.second) kept.push_back(r);
        }
        std::sort(kept.begin(), kept.end());
        std::vector<Range> merged;
        for (const Range& r : kept) {
            if (!merged.empty() && r.first <= merged.back().second + 1) {
                merged.back().second = std::max(merged.back().second, r.second);
            } else {
                merged.push_back(r);
            }
        }
        return merged;
    }

    static std::vector<Range> Complement(const std::vector<Range>& ranges, uint32_t n) {
        std::vector<Range> gaps;
        uint32_t next = 1;
        for (const Range& r : ranges) {
            if (r.first > next) gaps.push_back({next, r.first - 1});
            next = r.second + 1;
        }
        if (next <= n) gaps.push_back({next, n});
        return gaps;
    }

    static uint64_t Count(const std::vector<Range>& ranges) {
        uint64_t total = 0;
        for (const Range& r : ranges) total += r.second - r.first + 1;
        return total;
    }

private:
    enum class CaseRule { Any, Sensitive, Insensitive };

    // The column a node names (directly, or as UPPER's argument), if it is a
    // field of this data file.
    const FieldDescriptor* ColumnOf(const TExpressionNode* node, bool* upper) const {
        *upper = false;
        if (node != nullptr && node->nodeClass == node::Function && node->opCode == op::Upper) {
            *upper = true;
            node = node->left.get();
        }
        if (node == nullptr || node->nodeClass != node::Column) return nullptr;
        if (node->sourceTable != nullptr && node->sourceTable->file != nullptr && node->sourceTable->file != &m_file) {
            return nullptr;
        }
        const auto& fields = m_file.Fields();
        if (node->fieldNumber < 1 || node->fieldNumber > fields.size()) return nullptr;
        const FieldDescriptor& field = fields[node->fieldNumber - 1];
        if (*upper && field.physType != phys::String) return nullptr;
        return &field;
    }

    int IndexFor(const FieldDescriptor& field, CaseRule rule) const {
        TIndexFile& index = m_file.Index();
        for (int slot = 0; slot <= index.SecondaryCount(); ++slot) {
            if (!index.SlotUsed(slot)) continue;
            const IndexDescriptor& d = index.Descriptor(slot);
            if (d.fieldCount == 0 || d.fieldNumbers[0] != field.number) continue;
            if (d.descending || d.fieldDescending[0] != 0) continue;  // key ranges assume ascending order
            if (field.physType == phys::String && rule != CaseRule::Any &&
                d.caseInsensitive != (rule == CaseRule::Insensitive)) {
                continue;
            }
            return slot;
        }
        return -1;
    }

    CaseRule RuleFor(bool upper) const { return upper ? CaseRule::Insensitive : CaseRule::Sensitive; }

    bool Bounds(const FieldDescriptor& field, int slot, const TExpressionNode* valueNode, bool upper,
                uint8_t prefixLength, KeyBounds& bounds) const {
        TExpressionNode value;
        if (!ConstantValue(valueNode, m_language, value) || IsNullValue(value)) return false;
        std::vector<uint8_t> stored;
        if (!StoredBytes(field, value, stored)) return false;
        bounds = BoundsOf(m_file, slot, field, stored, upper, prefixLength);
        return true;
    }

    bool PlanBlank(const TExpressionNode& node, LeafPlan& plan) const {
        if (node.opCode != op::IsBlank && node.opCode != op::IsNotBlank) return false;
        bool upper = false;
        const FieldDescriptor* field = ColumnOf(node.left.get(), &upper);
        if (field == nullptr || upper) return false;
        plan.slot = IndexFor(*field, CaseRule::Any);
        plan.shape = node.opCode == op::IsBlank ? Shape::Blank : Shape::NotBlank;
        return plan.slot >= 0;
    }

    bool PlanComparison(const TExpressionNode& node, LeafPlan& plan) const {
        bool upper = false;
        const FieldDescriptor* field = ColumnOf(node.left.get(), &upper);
        TExpressionNode value;
        if (field == nullptr || !ConstantValue(node.right.get(), m_language, value)) return false;
        if (IsNullValue(value)) {
            // A NULL constant: "=" is "is blank", "<>" "is not blank".
            if (upper || (node.opCode != op::Eq && node.opCode != op::Ne)) return false;
            plan.slot = IndexFor(*field, CaseRule::Any);
            plan.shape = node.opCode == op::Eq ? Shape::Blank : Shape::NotBlank;
            return plan.slot >= 0;
        }
        plan.slot = IndexFor(*field, RuleFor(upper));
        KeyBounds bounds;
        if (plan.slot < 0 || !Bounds(*field, plan.slot, node.right.get(), upper, 0, bounds)) return false;
        plan.values.push_back(std::move(bounds));
        switch (node.opCode) {
            case op::Eq: plan.shape = Shape::Eq; break;
            case op::Ne: plan.shape = Shape::Ne; break;
            case op::Lt: plan.shape = Shape::Lt; break;
            case op::Le: plan.shape = Shape::Le; break;
            case op::Gt: plan.shape = Shape::Gt; break;
            default: plan.shape = Shape::Ge; break;
        }
        if (IsOrdering(node.opCode)) {
            plan.blanks = ZeroPasses(node.opCode, CompareZeroWith(m_file, plan.slot, *field, plan.values[0]));
        }
        return true;
    }

    bool PlanOptions(const TExpressionNode& node, LeafPlan& plan) const {
        if (node.opCode != op::Eq && node.opCode != op::Ne) return false;
        bool upper = false;
        const FieldDescriptor* field = ColumnOf(node.left.get(), &upper);
        if (field == nullptr || upper || field->physType != phys::String) return false;
        plan.slot = IndexFor(*field, node.caseInsensitive ? CaseRule::Insensitive : CaseRule::Sensitive);
        KeyBounds bounds;
        if (plan.slot < 0 || !Bounds(*field, plan.slot, node.right.get(), false, node.prefixLength, bounds)) {
            return false;
        }
        plan.values.push_back(std::move(bounds));
        plan.shape = node.opCode == op::Eq ? Shape::Eq : Shape::Ne;
        return true;
    }

    bool PlanPredicate(const TExpressionNode& node, LeafPlan& plan) const {
        const bool in = node.opCode == op::In || node.opCode == op::NotIn;
        const bool between = node.opCode == op::Between || node.opCode == op::NotBetween;
        if (!in && !between) return false;
        bool upper = false;
        const FieldDescriptor* field = ColumnOf(node.left.get(), &upper);
        if (field == nullptr) return false;
        plan.slot = IndexFor(*field, RuleFor(upper));
        if (plan.slot < 0) return false;
        const TExpressionNode* value = node.right.get();
        if (value == nullptr) return false;
        for (int count = 0; value != nullptr; value = value->right.get(), ++count) {
            if (between && count == 2) break;
            KeyBounds bounds;
            if (!Bounds(*field, plan.slot, value, upper, 0, bounds)) return false;
            plan.values.push_back(std::move(bounds));
        }
        if (in) {
            plan.shape = node.opCode == op::In ? Shape::In : Shape::NotIn;
            return true;
        }
        if (plan.values.size() != 2) return false;
        plan.shape = node.opCode == op::Between ? Shape::Between : Shape::NotBetween;
        plan.blanks = ZeroPasses(op::Ge, CompareZeroWith(m_file, plan.slot, *field, plan.values[0])) &&
                      ZeroPasses(op::Le, CompareZeroWith(m_file, plan.slot, *field, plan.values[1]));
        return true;
    }

    // Keys whose first field is blank (they sort first).
    uint32_t BlankCount(int slot) {
        std::vector<uint8_t> high(m_file.Index().Descriptor(slot).keyLength, 0xFF);
        high[0] = 0x00;
        return m_file.Index().CountKeysUpTo(slot, high.data());
    }

    TDataFile& m_file;
    CompareLanguage m_language;
};

CompareLanguage LanguageOf(const TDataFile& file) {
    return CompareLanguage{file.Header().language, file.Header().sublanguage};
}

uint8_t Assign(TExpressionNode& node, Planner& planner, TDataFile& file, bool coverageCheck, bool underLogical) {
    uint8_t result = verdict::None;
    if (node.nodeClass == node::Binary && (node.opCode == op::And || node.opCode == op::Or) && node.left &&
        node.right) {
        uint8_t l = Assign(*node.left, planner, file, coverageCheck, true);
        uint8_t r = Assign(*node.right, planner, file, coverageCheck, true);
        if (node.opCode == op::Or) {
            result = l == verdict::Full && r == verdict::Full ? verdict::Full : verdict::None;
        } else {
            if (l == verdict::Full && r == verdict::Full) {
                result = verdict::Full;
            } else if (l == verdict::None && r == verdict::None) {
                result = verdict::None;
            } else {
                result = verdict::Partial;
            }
            if (l > r) std::swap(node.left, node.right);  // the usable side narrows first
        }
    } else if (node.nodeClass == node::Unary &&
               (node.opCode == op::Not || node.opCode == op::Negate || node.opCode == op::Plus) && node.left) {
        result = Assign(*node.left, planner, file, coverageCheck, underLogical || node.opCode == op::Not);
    } else {
        LeafPlan plan;
        result = planner.Plan(node, plan) ? verdict::Full : verdict::None;
        if (result == verdict::Full && coverageCheck && underLogical) {
            uint32_t keys = 0;
            uint64_t covered = Planner::Count(planner.Ranges(plan, &keys));
            double limit = std::round(0.9 * static_cast<double>(file.Index().RecordCount()));
            if (static_cast<double>(covered) > limit) result = verdict::None;
        }
    }
    node.indexVerdict = result;
    return result;
}

// The position ranges of the keys of one index that pass `node`, for a leaf
// an index answers, or AND, OR and NOT of such leaves on the same index.
bool SlotRanges(const TExpressionNode& node, Planner& planner, TIndexFile& index, int& slot,
                std::vector<Range>& ranges) {
    if (node.nodeClass == node::Binary && (node.opCode == op::And || node.opCode == op::Or) && node.left &&
        node.right) {
        std::vector<Range> left, right;
        if (!SlotRanges(*node.left, planner, index, slot, left) || !SlotRanges(*node.right, planner, index, slot, right)) {
            return false;
        }
        if (node.opCode == op::And) {
            ranges = Planner::Intersect(left, right);
        } else {
            left.insert(left.end(), right.begin(), right.end());
            ranges = Planner::Normalize(std::move(left), index.KeyCount(slot));
        }
        return true;
    }
    if (node.nodeClass == node::Unary && node.opCode == op::Not && node.left) {
        std::vector<Range> inner;
        if (!SlotRanges(*node.left, planner, index, slot, inner)) return false;
        ranges = Planner::Complement(inner, index.KeyCount(slot));
        return true;
    }
    LeafPlan plan;
    if (!planner.Plan(node, plan) || (slot >= 0 && plan.slot != slot)) return false;
    slot = plan.slot;
    uint32_t keys = 0;
    ranges = planner.Ranges(plan, &keys);
    return true;
}

}  // namespace

bool CountFromIndex(const TExpressionNode& root, TDataFile& file, uint32_t& count) {
    Planner planner(file, LanguageOf(file));
    int slot = -1;
    std::vector<Range> ranges;
    if (!SlotRanges(root, planner, file.Index(), slot, ranges)) return false;
    // Every record in use has exactly one key in every index.
    count = static_cast<uint32_t>(Planner::Count(ranges));
    return true;
}

uint8_t AssignVerdicts(TExpressionNode& root, TDataFile& file, bool coverageCheck) {
    Planner planner(file, LanguageOf(file));
    return Assign(root, planner, file, coverageCheck, false);
}

RecordSetBuilder::RecordSetBuilder(TDataFile& file) : m_file(file), m_language(LanguageOf(file)) {}

RecordSet RecordSetBuilder::ExistingRecords() {
    if (m_existingKnown) return m_existing;
    const uint32_t next = m_file.Header().nextRecordNumber;
    if (!m_file.Index().NoPrimaryIndex()) {
        m_existing = m_file.Index().InUseBitmap(next);
    } else {
        // Without a primary index "Sys Deleted" is not kept: read the status
        // bytes, in whole runs.
        m_existing = MakeRecordSet(next);
        std::vector<uint32_t> all;
        all.reserve(next > 0 ? next - 1 : 0);
        for (uint32_t n = 1; n < next; ++n) all.push_back(n);
        m_file.ScanRecords(all, [&](uint32_t n, const uint8_t* image) {
            ++m_reads;
            if (image[0] == kRecordInUse) AddRecord(m_existing, n);
            return true;
        });
    }
    m_existingKnown = true;
    return m_existing;
}

bool RecordSetBuilder::Passes(const TExpressionNode& root, const uint8_t* image) const {
    const auto& fields = m_file.Fields();
    ColumnProvider provider = [&fields, image](const TExpressionNode& column, TExpressionNode& into) {
        if (column.fieldNumber >= 1 && column.fieldNumber <= fields.size()) {
            LoadFieldValue(fields[column.fieldNumber - 1], image, into);
        }
    };
    return EvaluateCondition(root, provider, m_language);
}

RecordSet RecordSetBuilder::Scan(const std::function<bool(const uint8_t*, uint32_t)>& test, const RecordSet& current) {
    RecordSet result = current;
    const uint32_t next = m_file.Header().nextRecordNumber;
    std::vector<uint32_t> wanted;
    ForEachRecord(current, [&](uint32_t n) {
        if (n < next) wanted.push_back(n);
        else RemoveRecord(result, n);  // never ask for the slot an append would create
    });
    m_file.ScanRecords(wanted, [&](uint32_t n, const uint8_t* image) {
        ++m_reads;
        if (image[0] != kRecordInUse || !test(image, n)) RemoveRecord(result, n);
        return true;
    });
    return result;
}

RecordSet RecordSetBuilder::Build(const TFilter::Callback& callback, const RecordSet& base) {
    return Scan(callback, base);
}

RecordSet RecordSetBuilder::Build(const TExpressionNode& root, const RecordSet& base) { return Narrow(root, base); }

RecordSet RecordSetBuilder::Narrow(const TExpressionNode& node, const RecordSet& current) {
    if (!HoldsMoreThan(current, 0)) return current;
    auto evaluate = [&](const TExpressionNode& n) {
        return Scan([&](const uint8_t* image, uint32_t) { return Passes(n, image); }, current);
    };
    if (node.indexVerdict == verdict::None) {
        Planner planner(m_file, m_language);
        LeafPlan plan;
        if (node.nodeClass == node::Binary && node.opCode == op::And && node.left && node.right) {
            // The side with index candidates narrows first, so that the other
            // is tested only on what it left.
            if (planner.PlanCandidates(*node.left, plan)) return Narrow(*node.right, Narrow(*node.left, current));
            if (planner.PlanCandidates(*node.right, plan)) return Narrow(*node.left, Narrow(*node.right, current));
            return evaluate(node);
        }
        if (!planner.PlanCandidates(node, plan)) return evaluate(node);
        uint32_t keys = 0;
        std::vector<Range> ranges = planner.Ranges(plan, &keys);
        // Only worth it when the index range is smaller than what is left.
        if (!HoldsMoreThan(current, Planner::Count(ranges))) return evaluate(node);
        const uint32_t next = m_file.Header().nextRecordNumber;
        RecordSet candidates = MakeRecordSet(next);
        for (const Range& r : ranges) {
            m_file.Index().ForEachRecordAt(plan.slot, r.first, r.second, [&](uint32_t n) {
                // A damaged key may name a record the file cannot hold.
                if (n < next) AddRecord(candidates, n);
            });
        }
        IntersectWith(candidates, current);
        return Scan([&](const uint8_t* image, uint32_t) { return Passes(node, image); }, candidates);
    }
    if (node.nodeClass == node::Binary && node.opCode == op::And && node.left && node.right) {
        return Narrow(*node.right, Narrow(*node.left, current));
    }
    if (node.nodeClass == node::Binary && node.opCode == op::Or && node.left && node.right) {
        RecordSet result = Narrow(*node.left, current);
        UniteWith(result, Narrow(*node.right, current));
        return result;
    }
    if (node.nodeClass == node::Unary && node.opCode == op::Not && node.left) {
        RecordSet result = current;
        SubtractFrom(result, Narrow(*node.left, current));
        return result;
    }
    if (node.nodeClass == node::Unary && (node.opCode == op::Negate || node.opCode == op::Plus) && node.left) {
        return Narrow(*node.left, current);
    }
    Planner planner(m_file, m_language);
    LeafPlan plan;
    if (!planner.Plan(node, plan)) return evaluate(node);
    uint32_t keys = 0;
    std::vector<Range> ranges = planner.Ranges(plan, &keys);
    TIndexFile& index = m_file.Index();
    RecordSet set;
    if (Planner::Count(ranges) * 2 > keys) {
        // More than half of the keys pass: clear the records of the others.
        set = ExistingRecords();
        for (const Range& r : Planner::Complement(ranges, keys)) {
            index.ForEachRecordAt(plan.slot, r.first, r.second, [&](uint32_t n) { RemoveRecord(set, n); });
        }
    } else {
        const uint32_t next = m_file.Header().nextRecordNumber;
        set = MakeRecordSet(next);
        for (const Range& r : ranges) {
            index.ForEachRecordAt(plan.slot, r.first, r.second, [&](uint32_t n) {
                if (n < next) AddRecord(set, n);
            });
        }
    }
    IntersectWith(set, current);
    return set;
}

}  // namespace larch
