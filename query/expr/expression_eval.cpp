// Evaluation of typed expression trees for one record. Every node is
// evaluated into a value copy of itself (no names, so no heap work); the
// tree is never changed.
#include "query/expr/expression_eval.h"

#include <cmath>
#include <limits>

#include "dataset/date_time.h"
#include "query/expr/like_match.h"
#include "query/expr/type_rules.h"
#include "query/expr/value_compare.h"

namespace larch {

namespace {

void SetBoolean(TExpressionNode& n, bool truth) {
    n.dataType = dtype::Boolean;
    n.size = 2;
    n.isNull = false;
    n.SetInt16(truth ? int16_t{-1} : int16_t{0});  // all bits set for true
}

// Stored booleans may hold 1 for true; values leave evaluation as 0 or all
// bits set.
void NormaliseBoolean(TExpressionNode& n) {
    if (n.dataType == dtype::Boolean) n.SetInt16(BooleanValue(n) ? int16_t{-1} : int16_t{0});
}

// A boolean operand or result: NULL counts as false.
bool Truth(const TExpressionNode& n) { return !n.isNull && BooleanValue(n); }

bool IsStarColumn(const TExpressionNode& n) { return n.columnName == "*" || (n.columnName.empty() && n.name == "*"); }

int64_t ClampToInt64(__int128 v) {
    if (v > std::numeric_limits<int64_t>::max()) return std::numeric_limits<int64_t>::max();
    if (v < std::numeric_limits<int64_t>::min()) return std::numeric_limits<int64_t>::min();
    return static_cast<int64_t>(v);
}

// A number in BCD units: 10 000 per whole.
__int128 BcdUnits(const TExpressionNode& n) {
    if (n.dataType == dtype::Bcd) return n.Int64Value();
    return static_cast<__int128>(WholeValue(n)) * 10000;
}

int32_t DayNumberOf(double ms) {
    const double day = std::floor(ms / kMsPerDayF);
    if (!(day == day)) return 0;
    if (day > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
    if (day < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(day);
}

class Evaluator {
public:
    Evaluator(const ColumnProvider& provider, const CompareLanguage& language)
        : m_provider(provider), m_language(language) {}

    TExpressionNode Evaluate(const TExpressionNode& n) {
        switch (n.nodeClass) {
            case node::Column: {
                const bool provided = m_provider && !IsStarColumn(n);
                TExpressionNode r = provided ? n.KindCopy() : n.ValueCopy();
                if (provided) m_provider(n, r);
                NormaliseBoolean(r);
                return r;
            }
            case node::Constant: {
                TExpressionNode r = n.ValueCopy();
                NormaliseBoolean(r);
                return r;
            }
            case node::Unary:
                return EvaluateUnary(n);
            case node::Binary:
            case node::CompareWithOptions:
                return EvaluateBinary(n);
            case node::Function:
                return EvaluateFunction(n);
            case node::ExtendedPredicate:
                return EvaluatePredicate(n);
            default:
                return n.ValueCopy();
        }
    }

private:
    // "=" with the NULL rules: two NULLs are equal, one NULL is unequal.
    bool Equal(const TExpressionNode& a, const TExpressionNode& b, bool caseInsensitive = false,
               std::size_t prefixLength = 0) const {
        if (a.isNull || b.isNull) return a.isNull && b.isNull;
        if (a.dataType == dtype::String && b.dataType == dtype::String)
            return CompareStrings(a.StringView(), b.StringView(), m_language, caseInsensitive, prefixLength) == 0;
        return CompareNodeValues(a, b, m_language) == 0;
    }

    TExpressionNode EvaluateUnary(const TExpressionNode& n) {
        TExpressionNode r = n.ValueCopy();
        if (!n.left) {
            r.isNull = true;
            return r;
        }
        const TExpressionNode operand = Evaluate(*n.left);
        switch (n.opCode) {
            case op::Not:
                SetBoolean(r, !BooleanValue(operand));
                break;
            case op::IsBlank:
                SetBoolean(r, operand.isNull);
                break;
            case op::IsNotBlank:
                SetBoolean(r, !operand.isNull);
                break;
            case op::Negate:
                r.dataType = operand.dataType;
                r.isNull = operand.isNull;
                switch (operand.dataType) {
                    case dtype::SmallInt:
                        r.SetInt16(static_cast<int16_t>(-operand.Int16Value()));
                        break;
                    case dtype::Float:
                    case dtype::Timestamp:
                        r.SetDouble(-operand.DoubleValue());
                        break;
                    case dtype::Bcd:
                        r.SetInt64(ClampToInt64(-static_cast<__int128>(operand.Int64Value())));
                        break;
                    default:
                        r.SetInt32(static_cast<int32_t>(-static_cast<int64_t>(operand.Int32Value())));
                        break;
                }
                break;
            default:  // unary +
                r.dataType = operand.dataType;
                r.isNull = operand.isNull;
                r.value = operand.value;
                break;
        }
        return r;
    }

    TExpressionNode EvaluateBinary(const TExpressionNode& n) {
        TExpressionNode r = n.ValueCopy();
        if (!n.left || !n.right) {
            r.isNull = true;
            return r;
        }
        // The right operand first; AND and OR stop when it decides.
        const TExpressionNode right = Evaluate(*n.right);
        if (n.opCode == op::And && !Truth(right)) {
            SetBoolean(r, false);
            return r;
        }
        if (n.opCode == op::Or && Truth(right)) {
            SetBoolean(r, true);
            return r;
        }
        const TExpressionNode left = Evaluate(*n.left);
        const bool withOptions = n.nodeClass == node::CompareWithOptions;
        switch (n.opCode) {
            case op::And:
            case op::Or:
                SetBoolean(r, Truth(left));  // the right side did not decide
                break;
            case op::Eq:
                SetBoolean(r, withOptions ? Equal(left, right, n.caseInsensitive, n.prefixLength) : Equal(left, right));
                break;
            case op::Ne:
                SetBoolean(r, withOptions ? !Equal(left, right, n.caseInsensitive, n.prefixLength)
                                          : !Equal(left, right));
                break;
            case op::Lt:
                SetBoolean(r, CompareNodeValues(left, right, m_language) < 0);
                break;
            case op::Gt:
                SetBoolean(r, CompareNodeValues(left, right, m_language) > 0);
                break;
            case op::Le:
                SetBoolean(r, CompareNodeValues(left, right, m_language) <= 0);
                break;
            case op::Ge:
                SetBoolean(r, CompareNodeValues(left, right, m_language) >= 0);
                break;
            default:
                Arithmetic(n.opCode, left, right, r);
                break;
        }
        return r;
    }

    // "+", "-", "*", "/" by the result type; the null flags are not looked
    // at, and only a zero divisor makes the result NULL.
    static void Arithmetic(int32_t opCode, const TExpressionNode& l, const TExpressionNode& rt, TExpressionNode& r) {
        const uint8_t type = r.dataType != dtype::None && r.dataType != dtype::Boolean
                                 ? r.dataType
                                 : ArithmeticResultType(opCode, l.dataType, rt.dataType);
        r.dataType = type;
        r.isNull = false;
        const int sign = opCode == op::Subtract ? -1 : 1;
        if (opCode == op::Divide && !BooleanValue(rt)) {
            r.value.fill(0);
            r.isNull = true;
            return;
        }
        switch (type) {
            case dtype::String: {
                std::string text = l.StringValue() + rt.StringValue();
                r.SetString(text);  // cut to what the value buffer holds
                return;
            }
            case dtype::Date:
            case dtype::Time: {
                // A day or millisecond count moved by a whole number, on either side of "+".
                const bool temporalLeft = IsTemporalType(l.dataType);
                const int64_t base = WholeValue(temporalLeft ? l : rt);
                const int64_t step = WholeValue(temporalLeft ? rt : l);
                r.SetInt32(static_cast<int32_t>(base + sign * step));
                return;
            }
            case dtype::Timestamp: {
                const bool temporalLeft = IsTemporalType(l.dataType);
                const double base = (temporalLeft ? l : rt).DoubleValue();
                const double days = static_cast<double>(WholeValue(temporalLeft ? rt : l));
                r.SetDouble(base + sign * days * kMsPerDayF);
                return;
            }
            case dtype::Float: {
                if (l.dataType == dtype::Timestamp && rt.dataType == dtype::Timestamp) {
                    r.SetDouble(l.DoubleValue() - rt.DoubleValue());
                    return;
                }
                const double a = FloatValue(l), b = FloatValue(rt);
                switch (opCode) {
                    case op::Add: r.SetDouble(a + b); return;
                    case op::Subtract: r.SetDouble(a - b); return;
                    case op::Multiply: r.SetDouble(a * b); return;
                    default: r.SetDouble(a / b); return;
                }
            }
            case dtype::Bcd: {
                const __int128 a = BcdUnits(l), b = BcdUnits(rt);
                switch (opCode) {
                    case op::Add: r.SetInt64(ClampToInt64(a + b)); return;
                    case op::Subtract: r.SetInt64(ClampToInt64(a - b)); return;
                    case op::Multiply: r.SetInt64(ClampToInt64(a * b / 10000)); return;
                    default: r.SetInt64(ClampToInt64(a * 10000 / b)); return;
                }
            }
            case dtype::Word:
                r.SetInt16(static_cast<int16_t>(static_cast<uint16_t>(WholeValue(l) - WholeValue(rt))));
                return;
            default: {  // integer
                int64_t value = 0;
                if (opCode == op::Subtract && l.dataType == dtype::Timestamp) {
                    // Timestamp minus date: whole days; minus time: milliseconds of the day.
                    int32_t day = 0, ms = 0;
                    if (!hollin::TrySplitTimestamp(l.DoubleValue(), day, ms)) {
                        r.isNull = true;  // a stored value that is no moment has no distance
                        return;
                    }
                    value = rt.dataType == dtype::Date ? int64_t{day} - rt.Int32Value() : int64_t{ms} - rt.Int32Value();
                } else {
                    const int64_t a = WholeValue(l), b = WholeValue(rt);
                    switch (opCode) {
                        case op::Add: value = a + b; break;
                        case op::Subtract: value = a - b; break;
                        case op::Multiply: value = a * b; break;
                        default: value = a / b; break;
                    }
                }
                r.SetInt32(static_cast<int32_t>(value));
                return;
            }
        }
    }

    TExpressionNode EvaluateFunction(const TExpressionNode& n) {
        TExpressionNode r = n.ValueCopy();
        if (n.opCode == op::Count) {
            // One per value; the null flag tells the accumulation whether it counts.
            r.dataType = dtype::Integer;
            r.SetInt32(1);
            r.isNull = n.left && !IsStarColumn(*n.left) ? Evaluate(*n.left).isNull : false;
            return r;
        }
        if (!n.left) {
            r.isNull = true;
            return r;
        }
        const TExpressionNode argument = Evaluate(*n.left);
        r.isNull = argument.isNull;
        switch (n.opCode) {
            case op::Upper:
                r.dataType = dtype::String;
                r.SetString(UpperCase(argument.StringValue(), m_language));
                break;
            case op::Lower:
                r.dataType = dtype::String;
                r.SetString(LowerCase(argument.StringValue(), m_language));
                break;
            case op::Substring: {
                r.dataType = dtype::String;
                const std::string text = argument.StringValue();
                const int64_t from = n.right ? std::max<int64_t>(1, WholeValue(*n.right)) : 1;
                const int64_t count = n.right && n.right->right ? std::max<int64_t>(0, WholeValue(*n.right->right))
                                                                : static_cast<int64_t>(text.size());
                const std::size_t start = static_cast<std::size_t>(from - 1);
                r.SetString(start < text.size() ? text.substr(start, static_cast<std::size_t>(count)) : std::string());
                break;
            }
            case op::TrimLeading:
            case op::TrimTrailing:
            case op::TrimBoth: {
                r.dataType = dtype::String;
                std::string text = argument.StringValue();
                const std::string trim = n.right ? n.right->StringValue() : std::string();
                if (!trim.empty()) {
                    const char c = trim[0];
                    if (n.opCode != op::TrimTrailing) {
                        const std::size_t first = text.find_first_not_of(c);
                        text.erase(0, first == std::string::npos ? text.size() : first);
                    }
                    if (n.opCode != op::TrimLeading) {
                        const std::size_t last = text.find_last_not_of(c);
                        text.erase(last == std::string::npos ? 0 : last + 1);
                    }
                }
                r.SetString(text);
                break;
            }
            case op::ExtractYear:
            case op::ExtractMonth:
            case op::ExtractDay: {
                // The null flag is not consulted: a blank date reads as day 0.
                const int32_t day = argument.dataType == dtype::Timestamp ? DayNumberOf(argument.DoubleValue())
                                                                          : argument.Int32Value();
                int32_t part = 0;
                if (day > 0) {
                    const hollin::TDateParts parts = hollin::DecodeDate(day);
                    part = n.opCode == op::ExtractYear ? parts.year
                                                       : (n.opCode == op::ExtractMonth ? parts.month : parts.day);
                }
                r.dataType = dtype::Integer;
                r.isNull = false;
                r.SetInt32(part);
                break;
            }
            default:  // SUM, MIN, MAX, AVG: the argument's value, which the query accumulates
                r.dataType = argument.dataType;
                r.value = argument.value;
                break;
        }
        return r;
    }

    TExpressionNode EvaluatePredicate(const TExpressionNode& n) {
        TExpressionNode r = n.ValueCopy();
        if (!n.left || !n.right) {
            SetBoolean(r, n.opCode == op::NotLike || n.opCode == op::NotIn || n.opCode == op::NotBetween);
            return r;
        }
        const TExpressionNode left = Evaluate(*n.left);
        switch (n.opCode) {
            case op::Like:
            case op::NotLike: {
                const TExpressionNode pattern = Evaluate(*n.right);
                const bool match = !left.isNull && !pattern.isNull && LikeMatch(left.StringValue(), pattern.StringValue());
                SetBoolean(r, n.opCode == op::Like ? match : !match);
                break;
            }
            case op::In:
            case op::NotIn: {
                bool found = false;
                for (const TExpressionNode* value = n.right.get(); value && !found; value = value->right.get())
                    found = Equal(left, Evaluate(*value));
                SetBoolean(r, n.opCode == op::In ? found : !found);
                break;
            }
            default: {  // BETWEEN, NOT BETWEEN
                bool inside = CompareNodeValues(left, Evaluate(*n.right), m_language) >= 0;
                if (inside)
                    inside = n.right->right && CompareNodeValues(left, Evaluate(*n.right->right), m_language) <= 0;
                SetBoolean(r, n.opCode == op::Between ? inside : !inside);
                break;
            }
        }
        return r;
    }

    const ColumnProvider& m_provider;
    const CompareLanguage& m_language;
};

}  // namespace

void EvaluateExpression(const TExpressionNode& root, const ColumnProvider& provider, const CompareLanguage& language,
                        TExpressionNode& result) {
    result = Evaluator(provider, language).Evaluate(root);
}

bool EvaluateCondition(const TExpressionNode& root, const ColumnProvider& provider, const CompareLanguage& language) {
    return Truth(Evaluator(provider, language).Evaluate(root));
}

}  // namespace larch
