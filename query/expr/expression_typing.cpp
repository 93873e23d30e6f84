// Typing of expression trees: column resolution, string constants read as
// column names, boolean operands, operand checks, date and time constants,
// and the data type and size of every node.
#include <algorithm>

#include "dataset/date_time.h"
#include "engine/files/engine_error.h"
#include "query/expr/expression_eval.h"
#include "query/expr/type_rules.h"
#include "query/expr/value_compare.h"

namespace larch {

namespace {

// SUBSTRING positions and lengths run from 1 to the longest string a field
// holds.
constexpr int64_t kMaxSubstringArgument = 250;
constexpr uint8_t kBooleanSize = 2;
constexpr uint8_t kIntegerSize = 4;

[[noreturn]] void Fail(const std::string& detail) { RaiseEngineError(err::Sql, {}, {}, detail); }

std::string Quoted(const std::string& text) { return "'" + text + "'"; }

// How a node is named in the type-mismatch text of a binary operator.
std::string KindOf(const TExpressionNode& n) {
    switch (n.nodeClass) {
        case node::Column:
            return "column";
        case node::Constant:
            return "constant";
        case node::Function:
            return "function";
        default:
            return "expression";
    }
}

bool IsStarColumn(const TExpressionNode& n) { return n.columnName == "*" || (n.columnName.empty() && n.name == "*"); }

bool IsStringConstant(const TExpressionNode& n) {
    return n.nodeClass == node::Constant && n.dataType == dtype::String;
}

std::string PredicateWord(int32_t opCode) {
    switch (opCode) {
        case op::Like:
            return "LIKE";
        case op::NotLike:
            return "NOT LIKE";
        case op::In:
            return "IN";
        case op::NotIn:
            return "NOT IN";
        case op::Between:
            return "BETWEEN";
        default:
            return "NOT BETWEEN";
    }
}

void SetResultType(TExpressionNode& n, uint8_t type, uint8_t size, uint8_t decimals = 0, uint8_t subType = 0) {
    n.dataType = type;
    n.size = size;
    n.decimals = decimals;
    n.subType = subType;
}

void TakeTypeOf(TExpressionNode& n, const TExpressionNode& from) {
    SetResultType(n, from.dataType, from.size, from.decimals, from.subType);
}

// A column that was written as a quoted constant becomes that constant again.
void TurnBackIntoConstant(TExpressionNode& n) {
    n.nodeClass = node::Constant;
    n.dataType = n.savedDataType;
    n.subType = n.savedSubType;
    n.size = n.savedSize;
    n.decimals = n.savedDecimals;
    n.wasConstant = false;
    n.sourceTable = nullptr;
    n.fieldNumber = 0;
    n.columnName.clear();
}

std::unique_ptr<TExpressionNode> TrueConstant() {
    auto t = MakeNode(node::Constant, op::None, "TRUE");
    SetResultType(*t, dtype::Boolean, kBooleanSize);
    t->SetInt16(-1);
    return t;
}

class ExpressionTyper {
public:
    ExpressionTyper(const std::string& context, const ColumnResolver& resolver)
        : m_context(context), m_resolver(resolver) {}

    void Type(TExpressionNode& n) {
        switch (n.nodeClass) {
            case node::Constant:
                ReadConstantAsColumn(n);
                return;
            case node::Column:
                TypeColumn(n);
                return;
            case node::Unary:
                TypeUnary(n);
                return;
            case node::Binary:
            case node::CompareWithOptions:
                TypeBinary(n);
                return;
            case node::Function:
                TypeFunction(n);
                return;
            case node::ExtendedPredicate:
                TypePredicate(n);
                return;
            default:
                return;
        }
    }

private:
    std::string In() const { return " in " + m_context; }

    // A non-empty string constant that names a column becomes that column;
    // its constant type is kept so that it can be turned back.
    void ReadConstantAsColumn(TExpressionNode& n) {
        if (!m_resolver || !IsStringConstant(n) || n.isParameter || n.isNull) return;
        const std::string text = n.StringValue();
        if (text.empty()) return;
        TExpressionNode trial = n.ShallowCopy();
        trial.nodeClass = node::Column;
        trial.columnName = text;
        trial.tableCorrelation.clear();
        if (!m_resolver(trial)) return;
        n.savedDataType = n.dataType;
        n.savedSubType = n.subType;
        n.savedSize = n.size;
        n.savedDecimals = n.decimals;
        n.wasConstant = true;
        n.nodeClass = node::Column;
        n.columnName = text;
        n.tableCorrelation.clear();
        n.sourceTable = trial.sourceTable;
        n.fieldNumber = trial.fieldNumber;
        TakeTypeOf(n, trial);
    }

    // Without a resolver the columns are taken as already bound (filters).
    void TypeColumn(TExpressionNode& n) {
        if (IsStarColumn(n) || !m_resolver) return;
        if (m_resolver(n)) return;
        const std::string column = n.columnName.empty() ? n.name : n.columnName;
        Fail("Invalid column name " + Quoted(column) + " or table correlation name " + Quoted(n.tableCorrelation) +
             " specified" + In());
    }

    TExpressionNode& Operand(std::unique_ptr<TExpressionNode>& slot, const TExpressionNode& owner) {
        if (!slot) Fail("Type mismatch between " + Quoted(owner.name) + " operator and " + Quoted("") + In());
        return *slot;
    }

    // A boolean column or function standing as an operand of NOT, AND or OR
    // becomes the comparison operand = TRUE.
    static void MakeBooleanOperand(std::unique_ptr<TExpressionNode>& slot) {
        if (!slot || slot->dataType != dtype::Boolean) return;
        if (slot->nodeClass != node::Column && slot->nodeClass != node::Function) return;
        auto comparison = MakeNode(node::Binary, op::Eq, "=");
        SetResultType(*comparison, dtype::Boolean, kBooleanSize);
        comparison->left = std::move(slot);
        comparison->right = TrueConstant();
        slot = std::move(comparison);
    }

    void TypeUnary(TExpressionNode& n) {
        Type(Operand(n.left, n));
        if (n.opCode == op::Not) MakeBooleanOperand(n.left);
        ApplyUnary(n);
    }

    // The unary rules over an operand already typed.
    void ApplyUnary(TExpressionNode& n) {
        const TExpressionNode& operand = Operand(n.left, n);
        const uint8_t t = operand.dataType;
        bool allowed = false;
        switch (n.opCode) {
            case op::Not:
                allowed = t == dtype::Boolean;
                if (allowed) SetResultType(n, dtype::Boolean, kBooleanSize);
                break;
            case op::IsBlank:
            case op::IsNotBlank:
                allowed = true;
                SetResultType(n, dtype::Boolean, kBooleanSize);
                break;
            case op::Negate:
            case op::Plus:
                allowed = t == dtype::Date || t == dtype::SmallInt || t == dtype::Integer || t == dtype::Float ||
                          t == dtype::Bcd || t == dtype::Time || t == dtype::Timestamp ||
                          (n.opCode == op::Plus && t == dtype::Word);
                if (allowed) TakeTypeOf(n, operand);
                break;
            default:
                break;
        }
        if (!allowed)
            Fail("Type mismatch between " + Quoted(n.name) + " operator and " + Quoted(operand.name) + In());
    }

    // A string constant facing a date, time or timestamp is read as one with
    // the short date format ("mm/dd/yyyy") and the time format ("hh:mm:ss").
    // An empty constant is NULL and only takes the type.
    void ConvertTemporalConstant(TExpressionNode& constant, uint8_t type) {
        const std::string text = constant.StringValue();
        TExpressionNode converted = constant.ShallowCopy();
        SetResultType(converted, type, NaturalTypeSize(type));
        converted.value.fill(0);
        bool ok = true;
        if (!constant.isNull) {
            if (type == dtype::Date) {
                int32_t day = 0;
                ok = hollin::TryParseDate(text, day);
                converted.SetInt32(day);
            } else if (type == dtype::Time) {
                int32_t ms = 0;
                ok = hollin::TryParseTime(text, ms);
                converted.SetInt32(ms);
            } else {
                hollin::TDateTime moment = 0;
                ok = hollin::TryParseDateTime(text, moment);
                if (ok)
                    converted.SetDouble(static_cast<double>(hollin::DayOf(moment)) * kMsPerDayF +
                                        hollin::MsOfDay(moment));
            }
        }
        if (!ok) Fail("Date, time, or timestamp expression expected, instead found " + Quoted(text) + In());
        constant.dataType = converted.dataType;
        constant.subType = converted.subType;
        constant.size = converted.size;
        constant.decimals = converted.decimals;
        constant.value = converted.value;
    }

    void ConvertAgainst(TExpressionNode& maybeConstant, const TExpressionNode& other) {
        if (IsStringConstant(maybeConstant) && IsTemporalType(other.dataType))
            ConvertTemporalConstant(maybeConstant, other.dataType);
    }

    void TypeBinary(TExpressionNode& n) {
        TExpressionNode& left = Operand(n.left, n);
        TExpressionNode& right = Operand(n.right, n);
        Type(left);
        Type(right);
        // 'FirstName' = 'LastName': one of two quoted names is the text.
        if (left.nodeClass == node::Column && right.nodeClass == node::Column && (left.wasConstant || right.wasConstant))
            TurnBackIntoConstant(right.wasConstant ? right : left);
        if (n.opCode == op::And || n.opCode == op::Or) {
            MakeBooleanOperand(n.left);
            MakeBooleanOperand(n.right);
        }
        TExpressionNode& l = *n.left;
        TExpressionNode& r = *n.right;
        ConvertAgainst(r, l);
        ConvertAgainst(l, r);
        if (!OperandsCompatible(n.opCode, l.dataType, r.dataType))
            Fail("Type mismatch between " + KindOf(l) + " " + Quoted(l.name) + " and " + KindOf(r) + " " +
                 Quoted(r.name) + In());
        switch (n.opCode) {
            case op::Add:
            case op::Subtract:
            case op::Multiply:
            case op::Divide: {
                const uint8_t type = ArithmeticResultType(n.opCode, l.dataType, r.dataType);
                const uint8_t decimals = std::max(l.decimals, r.decimals);
                if (type == dtype::String) {
                    // The value buffer holds at most kNodeValueSize bytes with the terminator.
                    const int size = std::max(1, int{l.size} + int{r.size} - 1);
                    SetResultType(n, type, static_cast<uint8_t>(std::min<int>(size, kNodeValueSize)));
                } else {
                    SetResultType(n, type, std::max({l.size, r.size, NaturalTypeSize(type)}), decimals);
                }
                break;
            }
            default:
                SetResultType(n, dtype::Boolean, kBooleanSize);
                break;
        }
    }

    // A SUBSTRING FROM or FOR argument: an integer constant from 1 to 250.
    int64_t PositionArgument(const TExpressionNode* argument, const std::string& word) {
        const std::string prefix = word + " argument of SUBSTRING function must be an integer constant";
        if (!argument || argument->nodeClass != node::Constant || !IsWholeType(argument->dataType) ||
            argument->isNull)
            Fail(prefix + In());
        const int64_t value = WholeValue(*argument);
        if (value < 1 || value > kMaxSubstringArgument)
            Fail(prefix + " between 1 and " + std::to_string(kMaxSubstringArgument) + In());
        return value;
    }

    void TypeFunction(TExpressionNode& n) {
        switch (n.opCode) {
            case op::Sum:
            case op::Min:
            case op::Max:
            case op::Avg: {
                TExpressionNode& argument = Operand(n.left, n);
                Type(argument);
                const uint8_t t = argument.dataType;
                if (!IsNumericType(t) && !IsTemporalType(t))
                    Fail(n.name + " aggregate function must contain a numeric, date, time, or timestamp expression" +
                         In());
                TakeTypeOf(n, argument);
                return;
            }
            case op::Count:
                if (n.left) Type(*n.left);
                SetResultType(n, dtype::Integer, kIntegerSize);
                return;
            case op::Upper:
            case op::Lower: {
                TExpressionNode& argument = Operand(n.left, n);
                Type(argument);
                if (argument.dataType != dtype::String)
                    Fail("Type mismatch between " + n.name + " function and function argument" + In());
                SetResultType(n, dtype::String, argument.size);
                return;
            }
            case op::Substring: {
                TExpressionNode& argument = Operand(n.left, n);
                Type(argument);
                if (argument.dataType != dtype::String)
                    Fail("Expression argument of SUBSTRING function must be a string" + In());
                const int64_t from = PositionArgument(n.right.get(), "FROM");
                int64_t size = int64_t{argument.size} - from + 1;
                if (n.right->right) size = PositionArgument(n.right->right.get(), "FOR") + 1;
                SetResultType(n, dtype::String, static_cast<uint8_t>(std::clamp<int64_t>(size, 1, kNodeValueSize)));
                return;
            }
            case op::TrimLeading:
            case op::TrimTrailing:
            case op::TrimBoth: {
                TExpressionNode& argument = Operand(n.left, n);
                Type(argument);
                if (argument.dataType != dtype::String) Fail("FROM argument of TRIM function must be a string" + In());
                // The trim character is taken as written: never read as a column name.
                const TExpressionNode* character = n.right.get();
                if (!character || !IsStringConstant(*character) || character->isNull ||
                    character->StringValue().size() != 1)
                    Fail("Trim character argument of TRIM function must be a single character constant" + In());
                SetResultType(n, dtype::String, argument.size);
                return;
            }
            case op::ExtractYear:
            case op::ExtractMonth:
            case op::ExtractDay: {
                TExpressionNode& argument = Operand(n.left, n);
                Type(argument);
                if (argument.dataType != dtype::Date && argument.dataType != dtype::Timestamp)
                    Fail("FROM argument of EXTRACT function must be a date or date and time" + In());
                SetResultType(n, dtype::Integer, kIntegerSize);
                return;
            }
            default:
                Fail("Unknown or unexpected function " + Quoted(n.name) + " found" + In());
        }
    }

    // A LIKE pattern, IN value or BETWEEN bound: a constant, or a unary
    // operator over a constant. Such constants are never read as column
    // names, since a column could not stand there anyway.
    void TypeConstantValue(TExpressionNode& value, const std::string& word) {
        const bool constant = value.nodeClass == node::Constant ||
                              (value.nodeClass == node::Unary && value.left && value.left->nodeClass == node::Constant);
        if (!constant)
            Fail("Constant expression expected after " + word + " operator, instead found " + Quoted(value.name) + In());
        if (value.nodeClass == node::Unary) ApplyUnary(value);
    }

    void TypePredicate(TExpressionNode& n) {
        const std::string word = PredicateWord(n.opCode);
        TExpressionNode& left = Operand(n.left, n);
        Type(left);
        const auto mismatch = [&](const TExpressionNode& side) {
            Fail("Type mismatch between " + word + " operator and expression " + Quoted(side.name) + In());
        };
        const auto missing = [&] {
            Fail("Constant expression expected after " + word + " operator, instead found " + Quoted("") + In());
        };
        if (n.opCode == op::Like || n.opCode == op::NotLike) {
            if (left.dataType != dtype::String) mismatch(left);
            if (!n.right) missing();
            TypeConstantValue(*n.right, word);
            if (n.right->dataType != dtype::String) mismatch(*n.right);
        } else {
            const bool between = n.opCode == op::Between || n.opCode == op::NotBetween;
            int count = 0;
            for (TExpressionNode* value = n.right.get(); value; value = value->right.get()) {
                TypeConstantValue(*value, word);
                if (value->nodeClass == node::Constant) ConvertAgainst(*value, left);
                if (!OperandsCompatible(op::Eq, left.dataType, value->dataType)) mismatch(*value);
                ++count;
                if (between && count == 2) break;
            }
            if (count == 0 || (between && count < 2)) missing();
        }
        SetResultType(n, dtype::Boolean, kBooleanSize);
    }

    const std::string& m_context;
    const ColumnResolver& m_resolver;
};

}  // namespace

void TypeExpression(TExpressionNode& root, const std::string& context, const ColumnResolver& resolver) {
    ExpressionTyper(context, resolver).Type(root);
}

}  // namespace larch
