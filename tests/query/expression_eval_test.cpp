// Typing and evaluation of expression trees over one event record.
#include "query/expr/expression_eval.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <functional>
#include <map>
#include <vector>

#include "dataset/date_time.h"
#include "engine/files/byte_order.h"
#include "engine/files/engine_error.h"
#include "engine/records/record_fields.h"
#include "engine/records/record_layout.h"
#include "query/expr/like_match.h"
#include "query/expr/value_compare.h"

namespace larch {
namespace {

using Node = std::unique_ptr<TExpressionNode>;

const char* const kWhere = "WHERE or JOIN clause";

// ---- Tree builders, shaped as the parser builds its trees.

std::string OpName(int32_t code) {
    static const std::map<int32_t, std::string> names = {
        {op::IsBlank, "IS BLANK"}, {op::Eq, "="}, {op::Ne, "<>"}, {op::Gt, ">"}, {op::Lt, "<"}, {op::Ge, ">="},
        {op::Le, "<="}, {op::Not, "NOT"}, {op::And, "AND"}, {op::Or, "OR"}, {op::Negate, "-"}, {op::Plus, "+"},
        {op::Add, "+"}, {op::Subtract, "-"}, {op::Multiply, "*"}, {op::Divide, "/"}, {op::Sum, "SUM"},
        {op::Count, "COUNT"}, {op::Min, "MIN"}, {op::Max, "MAX"}, {op::Avg, "AVG"}, {op::Like, "LIKE"},
        {op::NotLike, "NOT LIKE"}, {op::In, "IN"}, {op::NotIn, "NOT IN"}, {op::Between, "BETWEEN"},
        {op::NotBetween, "NOT BETWEEN"}, {op::Upper, "UPPER"}, {op::Lower, "LOWER"}, {op::Substring, "SUBSTRING"},
        {op::TrimLeading, "TRIM"}, {op::TrimTrailing, "TRIM"}, {op::TrimBoth, "TRIM"}, {op::ExtractYear, "EXTRACT"},
        {op::ExtractMonth, "EXTRACT"}, {op::ExtractDay, "EXTRACT"}, {op::IsNotBlank, "IS NOT BLANK"}};
    return names.at(code);
}

Node Col(const std::string& name, const std::string& correlation = {}) {
    auto n = MakeNode(node::Column, op::None, correlation.empty() ? name : correlation + "." + name);
    n->columnName = name;
    n->tableCorrelation = correlation;
    return n;
}

// A quoted constant; an empty one is the NULL string constant.
Node Str(const std::string& text) {
    auto n = MakeNode(node::Constant, op::None, text);
    n->dataType = dtype::String;
    n->size = static_cast<uint8_t>(text.size() + 1);
    n->SetString(text);
    n->isNull = text.empty();
    return n;
}

Node Int(int32_t v) {
    auto n = MakeNode(node::Constant, op::None, std::to_string(v));
    n->dataType = dtype::Integer;
    n->size = 4;
    n->SetInt32(v);
    return n;
}

Node Flt(double v, const std::string& text) {
    auto n = MakeNode(node::Constant, op::None, text);
    n->dataType = dtype::Float;
    n->size = 8;
    n->SetDouble(v);
    return n;
}

Node Bool(bool v) {
    auto n = MakeNode(node::Constant, op::None, v ? "TRUE" : "FALSE");
    n->dataType = dtype::Boolean;
    n->size = 2;
    n->SetInt16(v ? 1 : 0);
    return n;
}

Node Null() {
    auto n = MakeNode(node::Constant, op::None, "NULL");
    n->isNull = true;
    return n;
}

Node Un(int32_t code, Node a) {
    auto n = MakeNode(node::Unary, code, OpName(code));
    n->left = std::move(a);
    return n;
}

Node Bin(int32_t code, Node a, Node b) {
    auto n = MakeNode(node::Binary, code, OpName(code));
    n->left = std::move(a);
    n->right = std::move(b);
    return n;
}

// "=" or "<>" comparing only `prefix` characters (0: all), optionally
// ignoring case.
Node Opt(int32_t code, bool caseInsensitive, uint8_t prefix, Node a, Node b) {
    auto n = Bin(code, std::move(a), std::move(b));
    n->nodeClass = node::CompareWithOptions;
    n->caseInsensitive = caseInsensitive;
    n->prefixLength = prefix;
    return n;
}

Node Fn(int32_t code, Node argument) {
    auto n = MakeNode(node::Function, code, OpName(code));
    n->left = std::move(argument);
    return n;
}

Node Substr(Node argument, Node from, Node length = nullptr) {
    auto n = Fn(op::Substring, std::move(argument));
    from->right = std::move(length);
    n->right = std::move(from);
    return n;
}

Node Trim(int32_t code, const std::string& character, Node argument) {
    auto n = Fn(code, std::move(argument));
    n->right = Str(character);
    return n;
}

// LIKE, IN, BETWEEN: values chained through each value's right child.
Node Pred(int32_t code, Node left, std::vector<Node> values) {
    auto n = MakeNode(node::ExtendedPredicate, code, OpName(code));
    n->left = std::move(left);
    for (auto it = values.rbegin(); it != values.rend(); ++it) {
        (*it)->right = std::move(n->right);
        n->right = std::move(*it);
    }
    return n;
}

template <typename... T>
std::vector<Node> List(T... nodes) {
    std::vector<Node> list;
    (list.push_back(std::move(nodes)), ...);
    return list;
}

// ---- One record of a small event table.

FieldDescriptor Field(const std::string& name, uint8_t type, uint8_t size = 0, uint8_t subType = 0,
                      uint8_t scale = 0) {
    FieldDescriptor f;
    f.name = name;
    f.physType = type;
    f.size = size;
    f.subType = subType;
    f.scale = scale;
    return f;
}

double MomentMs(int year, int month, int day, int32_t msOfDay) {
    return hollin::EncodeDate(year, month, day) * 86400000.0 + msOfDay;
}

class ExpressionEvalTest : public ::testing::Test {
protected:
    ExpressionEvalTest() {
        m_fields = {Field("IndexField", phys::Int32, 0, subtype::AutoInc),
                    Field("FirstName", phys::String, 20),
                    Field("MiddleName", phys::String, 20),
                    Field("LastName", phys::String, 20),
                    Field("Event", phys::String, 20),
                    Field("EventDate", phys::Date),
                    Field("BlankDate", phys::Date),
                    Field("Married", phys::Boolean),
                    Field("Spouse", phys::String, 20),
                    Field("Nickname", phys::String, 20),
                    Field("Kids", phys::Int16),
                    Field("Amount", phys::Bcd, 0, 0, 2),
                    Field("Score", phys::Float),
                    Field("Stamp", phys::DateTime),
                    Field("Start", phys::Time),
                    Field("Visits", phys::Word)};
        for (std::size_t i = 0; i < m_fields.size(); ++i) m_fields[i].number = static_cast<uint16_t>(i + 1);
        m_image.assign(AssignRecordLayout(m_fields), 0);
        uint8_t* image = m_image.data();
        SetRecordId(image, 42);
        SetStringField(F("FirstName"), image, "John");
        SetStringField(F("MiddleName"), image, "John");
        SetStringField(F("LastName"), image, "Smith");
        SetStringField(F("Event"), image, "Birthday");
        SetInt32Field(F("EventDate"), image, hollin::EncodeDate(1990, 5, 17));
        uint8_t bytes[8] = {};
        PutU16(bytes, 1);
        SetFieldBytes(F("Married"), image, bytes);
        PutI16(bytes, 3);
        SetFieldBytes(F("Kids"), image, bytes);
        PutU32(bytes, 1234);  // 12.34 at scale 2
        PutU32(bytes + 4, 0);
        SetFieldBytes(F("Amount"), image, bytes);
        PutF64(bytes, 2.5);
        SetFieldBytes(F("Score"), image, bytes);
        PutF64(bytes, MomentMs(1990, 5, 17, 48600000));  // 13:30:00
        SetFieldBytes(F("Stamp"), image, bytes);
        SetInt32Field(F("Start"), image, 29700000);  // 08:15:00
        PutU16(bytes, 7);
        SetFieldBytes(F("Visits"), image, bytes);
    }

    const FieldDescriptor& F(const std::string& name) const {
        for (const auto& f : m_fields)
            if (f.name == name) return f;
        throw std::logic_error("no field " + name);
    }

    ColumnResolver Resolver() {
        return [this](TExpressionNode& column) {
            if (!column.tableCorrelation.empty() && CompareStrings(column.tableCorrelation, "Events", {}, true) != 0)
                return false;
            for (const auto& f : m_fields) {
                if (CompareStrings(f.name, column.columnName, {}, true) == 0) {
                    SetColumnType(f, column);
                    return true;
                }
            }
            return false;
        };
    }

    ColumnProvider Provider() {
        return [this](const TExpressionNode& column, TExpressionNode& into) {
            m_asked.push_back(column.columnName);
            LoadFieldValue(m_fields.at(column.fieldNumber - 1), m_image.data(), into);
        };
    }

    std::vector<FieldDescriptor> m_fields;
    std::vector<uint8_t> m_image;
    std::vector<std::string> m_asked;
};

// A value as "<kind>:<value>", or NULL.
std::string Render(const TExpressionNode& n) {
    if (n.isNull) return "NULL";
    char text[64];
    switch (n.dataType) {
        case dtype::Boolean:
            return BooleanValue(n) ? "B:true" : "B:false";
        case dtype::SmallInt:
        case dtype::Integer:
        case dtype::Word:
            return "I:" + std::to_string(WholeValue(n));
        case dtype::Float:
            std::snprintf(text, sizeof text, "F:%g", n.DoubleValue());
            return text;
        case dtype::Bcd:
            std::snprintf(text, sizeof text, "N:%.4f", static_cast<double>(n.Int64Value()) / 10000.0);
            return text;
        case dtype::Date:
            return "D:" + hollin::FormatDate(n.Int32Value());
        case dtype::Time:
            return "T:" + hollin::FormatTime(n.Int32Value());
        case dtype::Timestamp: {
            const double ms = n.DoubleValue();
            const auto day = static_cast<int32_t>(std::floor(ms / 86400000.0));
            return "TS:" + hollin::FormatDateTime(hollin::MakeDateTime(day, static_cast<int32_t>(ms - day * 86400000.0)));
        }
        case dtype::String:
            return "S:" + n.StringValue();
        default:
            return "?";
    }
}

// Every node's class, operator, type, null flag and value bytes, to show
// that evaluation leaves the tree as it was.
std::string Dump(const TExpressionNode* n) {
    if (!n) return "-";
    std::string out = std::to_string(n->nodeClass) + "/" + std::to_string(n->opCode) + "/" +
                      std::to_string(n->dataType) + "/" + (n->isNull ? "N" : "v") + "/";
    out.append(reinterpret_cast<const char*>(n->value.data()), n->value.size());
    return "(" + out + " " + Dump(n->left.get()) + " " + Dump(n->right.get()) + ")";
}

struct EvalCase {
    const char* text;
    std::function<Node()> build;
    std::string expected;
};

TEST_F(ExpressionEvalTest, ExpressionsOverOneRecord) {
    const std::vector<EvalCase> cases = {
        // Columns, string constants naming columns, and the NULL rules.
        {"Event = 'Birthday'", [] { return Bin(op::Eq, Col("Event"), Str("Birthday")); }, "B:true"},
        {"'Event' = 'Birthday'", [] { return Bin(op::Eq, Str("Event"), Str("Birthday")); }, "B:true"},
        {"'Event' = 'Passing'", [] { return Bin(op::Eq, Str("Event"), Str("Passing")); }, "B:false"},
        {"'FirstName' = 'MiddleName' (text MiddleName)", [] { return Bin(op::Eq, Str("FirstName"), Str("MiddleName")); },
         "B:false"},
        {"FirstName = MiddleName", [] { return Bin(op::Eq, Col("FirstName"), Col("MiddleName")); }, "B:true"},
        {"Events.Event = 'Birthday'", [] { return Bin(op::Eq, Col("Event", "Events"), Str("Birthday")); }, "B:true"},
        {"IndexField = 42", [] { return Bin(op::Eq, Col("IndexField"), Int(42)); }, "B:true"},
        {"Spouse = Nickname (two NULLs)", [] { return Bin(op::Eq, Col("Spouse"), Col("Nickname")); }, "B:true"},
        {"Spouse <> Nickname", [] { return Bin(op::Ne, Col("Spouse"), Col("Nickname")); }, "B:false"},
        {"Spouse = NULL", [] { return Bin(op::Eq, Col("Spouse"), Null()); }, "B:true"},
        {"Event = NULL", [] { return Bin(op::Eq, Col("Event"), Null()); }, "B:false"},
        {"Event <> NULL", [] { return Bin(op::Ne, Col("Event"), Null()); }, "B:true"},
        {"Spouse <> NULL", [] { return Bin(op::Ne, Col("Spouse"), Null()); }, "B:false"},
        {"Spouse = ''", [] { return Bin(op::Eq, Col("Spouse"), Str("")); }, "B:true"},
        {"Event = ''", [] { return Bin(op::Eq, Col("Event"), Str("")); }, "B:false"},
        {"Spouse = 'x'", [] { return Bin(op::Eq, Col("Spouse"), Str("x")); }, "B:false"},
        {"Spouse <> 'x'", [] { return Bin(op::Ne, Col("Spouse"), Str("x")); }, "B:true"},
        {"Spouse < 'A' (stored value)", [] { return Bin(op::Lt, Col("Spouse"), Str("A")); }, "B:true"},
        {"Event < 'C'", [] { return Bin(op::Lt, Col("Event"), Str("C")); }, "B:true"},
        {"Event >= 'birthday' (case-sensitive)", [] { return Bin(op::Ge, Col("Event"), Str("birthday")); }, "B:false"},
        {"Event <= 'Birthday'", [] { return Bin(op::Le, Col("Event"), Str("Birthday")); }, "B:true"},
        {"Event > 'Birth'", [] { return Bin(op::Gt, Col("Event"), Str("Birth")); }, "B:true"},
        // Comparisons with options.
        {"Event = 'birth*' nocase", [] { return Opt(op::Eq, true, 5, Col("Event"), Str("birth")); }, "B:true"},
        {"Event = 'BIRTHDAY' nocase", [] { return Opt(op::Eq, true, 0, Col("Event"), Str("BIRTHDAY")); }, "B:true"},
        {"Event = 'Birth' whole", [] { return Opt(op::Eq, false, 0, Col("Event"), Str("Birth")); }, "B:false"},
        {"Event = 'birth*' with case", [] { return Opt(op::Eq, false, 5, Col("Event"), Str("birth")); }, "B:false"},
        {"Event <> 'Birx*'", [] { return Opt(op::Ne, false, 4, Col("Event"), Str("Birx")); }, "B:true"},
        {"Spouse <> 'x*' nocase", [] { return Opt(op::Ne, true, 1, Col("Spouse"), Str("x")); }, "B:true"},
        // LIKE.
        {"Event LIKE 'B_rth%'", [] { return Pred(op::Like, Col("Event"), List(Str("B_rth%"))); }, "B:true"},
        {"Event LIKE 'b%'", [] { return Pred(op::Like, Col("Event"), List(Str("b%"))); }, "B:false"},
        {"Event LIKE 'Birthday'", [] { return Pred(op::Like, Col("Event"), List(Str("Birthday"))); }, "B:true"},
        {"Event LIKE 'Birth'", [] { return Pred(op::Like, Col("Event"), List(Str("Birth"))); }, "B:false"},
        {"Event LIKE '%th%a_'", [] { return Pred(op::Like, Col("Event"), List(Str("%th%a_"))); }, "B:true"},
        {"Event LIKE '%'", [] { return Pred(op::Like, Col("Event"), List(Str("%"))); }, "B:true"},
        {"Event LIKE 'Event'", [] { return Pred(op::Like, Col("Event"), List(Str("Event"))); }, "B:false"},
        {"Event NOT LIKE 'Birth'", [] { return Pred(op::NotLike, Col("Event"), List(Str("Birth"))); }, "B:true"},
        {"Spouse LIKE '%'", [] { return Pred(op::Like, Col("Spouse"), List(Str("%"))); }, "B:false"},
        {"Spouse NOT LIKE '%'", [] { return Pred(op::NotLike, Col("Spouse"), List(Str("%"))); }, "B:true"},
        {"Event LIKE ''", [] { return Pred(op::Like, Col("Event"), List(Str(""))); }, "B:false"},
        // IN and BETWEEN.
        {"Event IN ('Passing', 'Birthday')",
         [] { return Pred(op::In, Col("Event"), List(Str("Passing"), Str("Birthday"))); }, "B:true"},
        {"Event NOT IN ('Passing', 'Birthday')",
         [] { return Pred(op::NotIn, Col("Event"), List(Str("Passing"), Str("Birthday"))); }, "B:false"},
        {"Spouse IN ('a', NULL)", [] { return Pred(op::In, Col("Spouse"), List(Str("a"), Null())); }, "B:true"},
        {"Kids IN (-3, 3)", [] { return Pred(op::In, Col("Kids"), List(Un(op::Negate, Int(3)), Int(3))); }, "B:true"},
        {"Kids IN (-3)", [] { return Pred(op::In, Col("Kids"), List(Un(op::Negate, Int(3)))); }, "B:false"},
        {"EventDate IN ('01/01/2000', '05/17/1990')",
         [] { return Pred(op::In, Col("EventDate"), List(Str("01/01/2000"), Str("05/17/1990"))); }, "B:true"},
        {"Event BETWEEN 'A' AND 'C'", [] { return Pred(op::Between, Col("Event"), List(Str("A"), Str("C"))); },
         "B:true"},
        {"Kids BETWEEN 1 AND 2", [] { return Pred(op::Between, Col("Kids"), List(Int(1), Int(2))); }, "B:false"},
        {"Kids BETWEEN 3 AND 3", [] { return Pred(op::Between, Col("Kids"), List(Int(3), Int(3))); }, "B:true"},
        {"Kids NOT BETWEEN 1 AND 2", [] { return Pred(op::NotBetween, Col("Kids"), List(Int(1), Int(2))); },
         "B:true"},
        {"Amount BETWEEN 12 AND 12.5",
         [] { return Pred(op::Between, Col("Amount"), List(Int(12), Flt(12.5, "12.5"))); }, "B:true"},
        // Booleans.
        {"NOT Married", [] { return Un(op::Not, Col("Married")); }, "B:false"},
        {"NOT (Event = 'Passing')", [] { return Un(op::Not, Bin(op::Eq, Col("Event"), Str("Passing"))); }, "B:true"},
        {"Married AND Event = 'Birthday'",
         [] { return Bin(op::And, Col("Married"), Bin(op::Eq, Col("Event"), Str("Birthday"))); }, "B:true"},
        {"Married AND Kids = 2", [] { return Bin(op::And, Col("Married"), Bin(op::Eq, Col("Kids"), Int(2))); },
         "B:false"},
        {"Kids = 2 OR Married", [] { return Bin(op::Or, Bin(op::Eq, Col("Kids"), Int(2)), Col("Married")); },
         "B:true"},
        {"Married = TRUE", [] { return Bin(op::Eq, Col("Married"), Bool(true)); }, "B:true"},
        {"TRUE (stored as 1, given as all bits)", [] { return Bool(true); }, "B:true"},
        {"Married <> FALSE", [] { return Bin(op::Ne, Col("Married"), Bool(false)); }, "B:true"},
        // Dates, times and timestamps, with constants in "mm/dd/yyyy" and "hh:mm:ss".
        {"EventDate = '05/17/1990'", [] { return Bin(op::Eq, Col("EventDate"), Str("05/17/1990")); }, "B:true"},
        {"'5/17/1990' = EventDate", [] { return Bin(op::Eq, Str("5/17/1990"), Col("EventDate")); }, "B:true"},
        {"EventDate > '01/01/2000'", [] { return Bin(op::Gt, Col("EventDate"), Str("01/01/2000")); }, "B:false"},
        {"EventDate = Stamp", [] { return Bin(op::Eq, Col("EventDate"), Col("Stamp")); }, "B:false"},
        {"EventDate < Stamp", [] { return Bin(op::Lt, Col("EventDate"), Col("Stamp")); }, "B:true"},
        {"Stamp > '05/17/1990 13:29:59'", [] { return Bin(op::Gt, Col("Stamp"), Str("05/17/1990 13:29:59")); },
         "B:true"},
        {"Start = '08:15:00'", [] { return Bin(op::Eq, Col("Start"), Str("08:15:00")); }, "B:true"},
        {"BlankDate = ''", [] { return Bin(op::Eq, Col("BlankDate"), Str("")); }, "B:true"},
        {"EventDate - '05/10/1990'", [] { return Bin(op::Subtract, Col("EventDate"), Str("05/10/1990")); }, "I:7"},
        {"EventDate + 15", [] { return Bin(op::Add, Col("EventDate"), Int(15)); }, "D:06/01/1990"},
        {"1 + EventDate", [] { return Bin(op::Add, Int(1), Col("EventDate")); }, "D:05/18/1990"},
        {"EventDate - Kids", [] { return Bin(op::Subtract, Col("EventDate"), Col("Kids")); }, "D:05/14/1990"},
        {"Start + 60000", [] { return Bin(op::Add, Col("Start"), Int(60000)); }, "T:08:16:00"},
        {"Start - '08:00:00'", [] { return Bin(op::Subtract, Col("Start"), Str("08:00:00")); }, "I:900000"},
        {"Stamp + 1", [] { return Bin(op::Add, Col("Stamp"), Int(1)); }, "TS:05/18/1990 13:30:00"},
        {"Stamp - Stamp", [] { return Bin(op::Subtract, Col("Stamp"), Col("Stamp")); }, "F:0"},
        {"Stamp - '05/16/1990 13:30:00'", [] { return Bin(op::Subtract, Col("Stamp"), Str("05/16/1990 13:30:00")); },
         "F:8.64e+07"},
        {"Stamp - EventDate (days)", [] { return Bin(op::Subtract, Col("Stamp"), Col("EventDate")); }, "I:0"},
        {"Stamp - Start (ms of the day)", [] { return Bin(op::Subtract, Col("Stamp"), Col("Start")); }, "I:18900000"},
        {"-(-EventDate)", [] { return Un(op::Negate, Un(op::Negate, Col("EventDate"))); }, "D:05/17/1990"},
        {"EventDate + -1", [] { return Bin(op::Add, Col("EventDate"), Un(op::Negate, Int(1))); }, "D:05/16/1990"},
        // EXTRACT.
        {"EXTRACT(MONTH FROM BlankDate)", [] { return Fn(op::ExtractMonth, Col("BlankDate")); }, "I:0"},
        {"EXTRACT(YEAR FROM BlankDate)", [] { return Fn(op::ExtractYear, Col("BlankDate")); }, "I:0"},
        {"EXTRACT(MONTH FROM BlankDate) = 5", [] { return Bin(op::Eq, Fn(op::ExtractMonth, Col("BlankDate")), Int(5)); },
         "B:false"},
        {"EXTRACT(YEAR FROM EventDate)", [] { return Fn(op::ExtractYear, Col("EventDate")); }, "I:1990"},
        {"EXTRACT(MONTH FROM Stamp)", [] { return Fn(op::ExtractMonth, Col("Stamp")); }, "I:5"},
        {"EXTRACT(DAY FROM Stamp)", [] { return Fn(op::ExtractDay, Col("Stamp")); }, "I:17"},
        // Arithmetic.
        {"7 / 2", [] { return Bin(op::Divide, Int(7), Int(2)); }, "F:3.5"},
        {"7 / 0", [] { return Bin(op::Divide, Int(7), Int(0)); }, "NULL"},
        {"Score / 0.0", [] { return Bin(op::Divide, Col("Score"), Flt(0.0, "0.0")); }, "NULL"},
        {"Amount / (Kids - 3)", [] { return Bin(op::Divide, Col("Amount"), Bin(op::Subtract, Col("Kids"), Int(3))); },
         "NULL"},
        {"10 - 4 - 3 (right-grouped)", [] { return Bin(op::Subtract, Int(10), Bin(op::Subtract, Int(4), Int(3))); },
         "I:9"},
        {"Kids * 2", [] { return Bin(op::Multiply, Col("Kids"), Int(2)); }, "I:6"},
        {"Kids + Score", [] { return Bin(op::Add, Col("Kids"), Col("Score")); }, "F:5.5"},
        {"Amount + 1", [] { return Bin(op::Add, Col("Amount"), Int(1)); }, "N:13.3400"},
        {"Amount * 2", [] { return Bin(op::Multiply, Col("Amount"), Int(2)); }, "N:24.6800"},
        {"Amount / 4", [] { return Bin(op::Divide, Col("Amount"), Int(4)); }, "N:3.0850"},
        {"Amount * Score", [] { return Bin(op::Multiply, Col("Amount"), Col("Score")); }, "F:30.85"},
        {"Amount = 12.34", [] { return Bin(op::Eq, Col("Amount"), Flt(12.34, "12.34")); }, "B:true"},
        {"Amount > 12", [] { return Bin(op::Gt, Col("Amount"), Int(12)); }, "B:true"},
        {"Visits - 10 (word)", [] { return Bin(op::Subtract, Col("Visits"), Int(10)); }, "I:65533"},
        {"-Kids", [] { return Un(op::Negate, Col("Kids")); }, "I:-3"},
        {"+Visits", [] { return Un(op::Plus, Col("Visits")); }, "I:7"},
        // Strings.
        {"FirstName + ' ' + LastName",
         [] { return Bin(op::Add, Col("FirstName"), Bin(op::Add, Str(" "), Col("LastName"))); }, "S:John Smith"},
        {"200 a + 100 b (cut to the value buffer)",
         [] { return Bin(op::Add, Str(std::string(200, 'a')), Str(std::string(100, 'b'))); },
         "S:" + std::string(200, 'a') + std::string(54, 'b')},
        {"UPPER(Event)", [] { return Fn(op::Upper, Col("Event")); }, "S:BIRTHDAY"},
        {"LOWER('MiXed 1')", [] { return Fn(op::Lower, Str("MiXed 1")); }, "S:mixed 1"},
        {"UPPER(Spouse)", [] { return Fn(op::Upper, Col("Spouse")); }, "NULL"},
        {"SUBSTRING(Event FROM 2 FOR 3)", [] { return Substr(Col("Event"), Int(2), Int(3)); }, "S:irt"},
        {"SUBSTRING(Event FROM 6)", [] { return Substr(Col("Event"), Int(6)); }, "S:day"},
        {"SUBSTRING(Event FROM 7 FOR 10)", [] { return Substr(Col("Event"), Int(7), Int(10)); }, "S:ay"},
        {"SUBSTRING(Event FROM 20)", [] { return Substr(Col("Event"), Int(20)); }, "S:"},
        {"TRIM(BOTH 'x' FROM 'xxabxx')", [] { return Trim(op::TrimBoth, "x", Str("xxabxx")); }, "S:ab"},
        {"TRIM(LEADING 'x' FROM 'xxabxx')", [] { return Trim(op::TrimLeading, "x", Str("xxabxx")); }, "S:abxx"},
        {"TRIM(TRAILING 'x' FROM 'xxabxx')", [] { return Trim(op::TrimTrailing, "x", Str("xxabxx")); }, "S:xxab"},
        {"TRIM(BOTH 'x' FROM 'xxx')", [] { return Trim(op::TrimBoth, "x", Str("xxx")); }, "S:"},
        {"UPPER(SUBSTRING(Event FROM 1 FOR 5)) = 'BIRTH'",
         [] { return Bin(op::Eq, Fn(op::Upper, Substr(Col("Event"), Int(1), Int(5))), Str("BIRTH")); }, "B:true"},
        // Aggregates give their argument's value.
        {"SUM(Kids)", [] { return Fn(op::Sum, Col("Kids")); }, "I:3"},
        {"COUNT(Spouse)", [] { return Fn(op::Count, Col("Spouse")); }, "NULL"},
        {"COUNT(*)", [] { return Fn(op::Count, Col("*")); }, "I:1"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        Node tree = c.build();
        TypeExpression(*tree, kWhere, Resolver());
        const std::string before = Dump(tree.get());
        TExpressionNode result;
        EvaluateExpression(*tree, Provider(), CompareLanguage{}, result);
        const std::string expected = c.expected;
        EXPECT_EQ(Render(result), expected);
        EXPECT_EQ(Dump(tree.get()), before);
        if (result.dataType == dtype::Boolean) {
            EXPECT_EQ(EvaluateCondition(*tree, Provider(), CompareLanguage{}), expected == "B:true");
            EXPECT_TRUE(result.Int16Value() == 0 || result.Int16Value() == -1);
        }
    }
}

TEST_F(ExpressionEvalTest, QuotedColumnNamesAndBooleanOperandsShapeTheTree) {
    // 'FirstName' = 'LastName': the left names the column, the right is turned back into text.
    Node names = Bin(op::Eq, Str("FirstName"), Str("LastName"));
    TypeExpression(*names, kWhere, Resolver());
    EXPECT_EQ(names->left->nodeClass, node::Column);
    EXPECT_EQ(names->left->fieldNumber, 2);
    EXPECT_TRUE(names->left->wasConstant);
    EXPECT_EQ(names->right->nodeClass, node::Constant);
    EXPECT_EQ(names->right->dataType, dtype::String);
    EXPECT_EQ(names->right->StringValue(), "LastName");
    EXPECT_EQ(names->right->size, 9);

    // A bare column against a quoted column name turns the quoted one back.
    Node mixed = Bin(op::Eq, Col("Event"), Str("LastName"));
    TypeExpression(*mixed, kWhere, Resolver());
    EXPECT_EQ(mixed->right->nodeClass, node::Constant);

    // NOT Married is read as NOT (Married = TRUE).
    Node negated = Un(op::Not, Col("Married"));
    TypeExpression(*negated, kWhere, Resolver());
    ASSERT_EQ(negated->left->nodeClass, node::Binary);
    EXPECT_EQ(negated->left->opCode, op::Eq);
    EXPECT_EQ(negated->left->left->columnName, "Married");
    EXPECT_EQ(negated->left->right->dataType, dtype::Boolean);
    EXPECT_EQ(negated->dataType, dtype::Boolean);

    // A date constant is converted in place to the day number.
    Node date = Bin(op::Eq, Col("EventDate"), Str("05/17/1990"));
    TypeExpression(*date, kWhere, Resolver());
    EXPECT_EQ(date->right->dataType, dtype::Date);
    EXPECT_EQ(date->right->Int32Value(), hollin::EncodeDate(1990, 5, 17));
}

TEST_F(ExpressionEvalTest, ResultTypesAndSizes) {
    struct TypeCase {
        const char* text;
        std::function<Node()> build;
        uint8_t type;
        uint8_t size;
        uint8_t decimals;
    };
    const std::vector<TypeCase> cases = {
        {"FirstName + LastName", [] { return Bin(op::Add, Col("FirstName"), Col("LastName")); }, dtype::String, 41, 0},
        {"SUBSTRING(Event FROM 3)", [] { return Substr(Col("Event"), Int(3)); }, dtype::String, 19, 0},
        {"SUBSTRING(Event FROM 3 FOR 4)", [] { return Substr(Col("Event"), Int(3), Int(4)); }, dtype::String, 5, 0},
        {"UPPER(Event)", [] { return Fn(op::Upper, Col("Event")); }, dtype::String, 21, 0},
        {"Kids + Visits", [] { return Bin(op::Add, Col("Kids"), Col("Visits")); }, dtype::Integer, 4, 0},
        {"Visits - Kids", [] { return Bin(op::Subtract, Col("Visits"), Col("Kids")); }, dtype::Word, 2, 0},
        {"Kids / 2", [] { return Bin(op::Divide, Col("Kids"), Int(2)); }, dtype::Float, 8, 0},
        {"Amount * Kids", [] { return Bin(op::Multiply, Col("Amount"), Col("Kids")); }, dtype::Bcd, 8, 2},
        {"EventDate - EventDate", [] { return Bin(op::Subtract, Col("EventDate"), Col("EventDate")); },
         dtype::Integer, 4, 0},
        {"Stamp - Stamp", [] { return Bin(op::Subtract, Col("Stamp"), Col("Stamp")); }, dtype::Float, 8, 0},
        {"Kids + Stamp", [] { return Bin(op::Add, Col("Kids"), Col("Stamp")); }, dtype::Timestamp, 8, 0},
        {"MAX(Amount)", [] { return Fn(op::Max, Col("Amount")); }, dtype::Bcd, 8, 2},
        {"COUNT(*)", [] { return Fn(op::Count, Col("*")); }, dtype::Integer, 4, 0},
        {"EXTRACT(DAY FROM EventDate)", [] { return Fn(op::ExtractDay, Col("EventDate")); }, dtype::Integer, 4, 0},
        {"Event IN ('a')", [] { return Pred(op::In, Col("Event"), List(Str("a"))); }, dtype::Boolean, 2, 0},
        {"200 a + 100 b", [] { return Bin(op::Add, Str(std::string(200, 'a')), Str(std::string(100, 'b'))); },
         dtype::String, 255, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        Node tree = c.build();
        TypeExpression(*tree, "source columns", Resolver());
        EXPECT_EQ(tree->dataType, c.type);
        EXPECT_EQ(tree->size, c.size);
        EXPECT_EQ(tree->decimals, c.decimals);
    }
}

TEST_F(ExpressionEvalTest, RightOperandFirstAndShortCircuit) {
    const CompareLanguage language;
    // AND: the right side is false, so the left side is never fetched.
    Node conjunction = Bin(op::And, Bin(op::Eq, Col("Event"), Str("Birthday")), Bin(op::Eq, Col("Kids"), Int(99)));
    TypeExpression(*conjunction, kWhere, Resolver());
    EXPECT_FALSE(EvaluateCondition(*conjunction, Provider(), language));
    EXPECT_EQ(m_asked, std::vector<std::string>{"Kids"});

    // OR: the right side is true.
    m_asked.clear();
    Node disjunction = Bin(op::Or, Bin(op::Eq, Col("Event"), Str("x")), Bin(op::Eq, Col("Kids"), Int(3)));
    TypeExpression(*disjunction, kWhere, Resolver());
    EXPECT_TRUE(EvaluateCondition(*disjunction, Provider(), language));
    EXPECT_EQ(m_asked, std::vector<std::string>{"Kids"});

    // Undecided: right first, then left.
    m_asked.clear();
    Node both = Bin(op::And, Bin(op::Eq, Col("Kids"), Int(3)), Bin(op::Eq, Col("Event"), Str("Birthday")));
    TypeExpression(*both, kWhere, Resolver());
    EXPECT_TRUE(EvaluateCondition(*both, Provider(), language));
    EXPECT_EQ(m_asked, (std::vector<std::string>{"Event", "Kids"}));

    // Without a provider a column keeps the value it holds.
    Node unbound = Bin(op::Eq, Col("Event"), Str("Birthday"));
    TypeExpression(*unbound, kWhere, Resolver());
    unbound->left->SetString("Birthday");
    EXPECT_TRUE(EvaluateCondition(*unbound, nullptr, language));
}

struct ErrorCase {
    const char* context;
    std::function<Node()> build;
    std::string message;
};

TEST_F(ExpressionEvalTest, TypingErrorsNameTheProblemAndTheContext) {
    const std::string in = " in WHERE or JOIN clause";
    const std::vector<ErrorCase> cases = {
        {kWhere, [] { return Bin(op::Eq, Fn(op::Upper, Int(5)), Str("5")); },
         "Type mismatch between UPPER function and function argument" + in},
        {kWhere, [] { return Bin(op::Eq, Col("EventDate"), Str("soon")); },
         "Date, time, or timestamp expression expected, instead found 'soon'" + in},
        {kWhere, [] { return Bin(op::Eq, Col("EventDate"), Str("02/30/1990")); },
         "Date, time, or timestamp expression expected, instead found '02/30/1990'" + in},
        {kWhere, [] { return Bin(op::Eq, Col("Start"), Str("25:00")); },
         "Date, time, or timestamp expression expected, instead found '25:00'" + in},
        {kWhere, [] { return Bin(op::Eq, Col("EventDate"), Int(5)); },
         "Type mismatch between column 'EventDate' and constant '5'" + in},
        {kWhere, [] { return Bin(op::Eq, Null(), Col("Event")); },
         "Type mismatch between constant 'NULL' and column 'Event'" + in},
        {kWhere, [] { return Bin(op::Lt, Col("Event"), Null()); },
         "Type mismatch between column 'Event' and constant 'NULL'" + in},
        {kWhere, [] { return Bin(op::Eq, Bin(op::Add, Col("Kids"), Int(1)), Col("Event")); },
         "Type mismatch between expression '+' and column 'Event'" + in},
        {kWhere, [] { return Bin(op::Eq, Fn(op::Upper, Col("Event")), Int(1)); },
         "Type mismatch between function 'UPPER' and constant '1'" + in},
        {kWhere, [] { return Bin(op::And, Col("Married"), Col("Kids")); },
         "Type mismatch between expression '=' and column 'Kids'" + in},
        {kWhere, [] { return Bin(op::Subtract, Col("Start"), Col("EventDate")); },
         "Type mismatch between column 'Start' and column 'EventDate'" + in},
        {kWhere, [] { return Un(op::Not, Col("Event")); }, "Type mismatch between 'NOT' operator and 'Event'" + in},
        {kWhere, [] { return Un(op::Negate, Col("Visits")); }, "Type mismatch between '-' operator and 'Visits'" + in},
        {kWhere, [] { return Pred(op::Like, Col("Event"), List(Col("FirstName"))); },
         "Constant expression expected after LIKE operator, instead found 'FirstName'" + in},
        {kWhere, [] { return Pred(op::Like, Col("Kids"), List(Str("3%"))); },
         "Type mismatch between LIKE operator and expression 'Kids'" + in},
        {kWhere, [] { return Pred(op::NotLike, Col("Event"), List(Int(5))); },
         "Type mismatch between NOT LIKE operator and expression '5'" + in},
        {kWhere, [] { return Pred(op::In, Col("Event"), List(Str("a"), Int(5))); },
         "Type mismatch between IN operator and expression '5'" + in},
        {kWhere, [] { return Pred(op::NotIn, Col("Event"), List(Col("FirstName"))); },
         "Constant expression expected after NOT IN operator, instead found 'FirstName'" + in},
        {kWhere, [] { return Pred(op::Between, Col("EventDate"), List(Str("01/01/1990"), Str("later"))); },
         "Date, time, or timestamp expression expected, instead found 'later'" + in},
        {kWhere, [] { return Pred(op::NotBetween, Col("Kids"), List(Int(1), Un(op::Not, Col("Married")))); },
         "Constant expression expected after NOT BETWEEN operator, instead found 'NOT'" + in},
        {kWhere, [] { return Substr(Col("Event"), Int(0)); },
         "FROM argument of SUBSTRING function must be an integer constant between 1 and 250" + in},
        {kWhere, [] { return Substr(Col("Event"), Col("Kids")); },
         "FROM argument of SUBSTRING function must be an integer constant" + in},
        {kWhere, [] { return Substr(Col("Event"), Int(1), Int(251)); },
         "FOR argument of SUBSTRING function must be an integer constant between 1 and 250" + in},
        {kWhere, [] { return Substr(Col("Event"), Int(1), Str("2")); },
         "FOR argument of SUBSTRING function must be an integer constant" + in},
        {kWhere, [] { return Substr(Col("Kids"), Int(1)); },
         "Expression argument of SUBSTRING function must be a string" + in},
        {kWhere, [] { return Trim(op::TrimBoth, "ab", Col("Event")); },
         "Trim character argument of TRIM function must be a single character constant" + in},
        {kWhere, [] { return Trim(op::TrimLeading, "a", Col("Kids")); },
         "FROM argument of TRIM function must be a string" + in},
        {kWhere, [] { return Fn(op::ExtractYear, Col("Event")); },
         "FROM argument of EXTRACT function must be a date or date and time" + in},
        {kWhere, [] { return Bin(op::Eq, Col("Nope"), Int(1)); },
         "Invalid column name 'Nope' or table correlation name '' specified" + in},
        {kWhere, [] { return Bin(op::Eq, Col("Event", "Other"), Int(1)); },
         "Invalid column name 'Event' or table correlation name 'Other' specified" + in},
        {"source columns", [] { return Fn(op::Sum, Col("Event")); },
         "SUM aggregate function must contain a numeric, date, time, or timestamp expression in source columns"},
        {"source columns", [] { return Fn(op::Avg, Col("Married")); },
         "AVG aggregate function must contain a numeric, date, time, or timestamp expression in source columns"},
        {"update values", [] { return Bin(op::Add, Col("Event"), Int(1)); },
         "Type mismatch between column 'Event' and constant '1' in update values"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message);
        Node tree = c.build();
        try {
            TypeExpression(*tree, c.context, Resolver());
            ADD_FAILURE() << "no error";
        } catch (const ELarchEngineError& e) {
            EXPECT_EQ(e.ErrorCode(), err::Sql);
            EXPECT_EQ(e.EntryMessage(), "SQL - " + c.message);
        }
    }
}

TEST_F(ExpressionEvalTest, LongMessagesAreCutTo127Characters) {
    const std::string name(200, 'Q');
    Node tree = Bin(op::Eq, Col(name), Int(1));
    try {
        TypeExpression(*tree, kWhere, Resolver());
        FAIL() << "no error";
    } catch (const ELarchEngineError& e) {
        EXPECT_EQ(e.EntryMessage(), ("SQL - Invalid column name '" + name).substr(0, 127));
    }
}

// ---- Field values carried into nodes.

TEST(LoadFieldValue, ConvertsStoredBytesToNodeValues) {
    std::vector<FieldDescriptor> fields = {
        Field("Id", phys::Int32, 0, subtype::AutoInc), Field("Whole", phys::Bcd, 0, 0, 0),
        Field("Cents", phys::Bcd, 0, 0, 2),           Field("Fine", phys::Bcd, 0, 0, 6),
        Field("Flag", phys::Boolean),                 Field("Text", phys::String, 250),
        Field("Empty", phys::String, 10),             Field("Huge", phys::Bcd, 0, 0, 0),
        Field("Extended", phys::Float10)};
    for (std::size_t i = 0; i < fields.size(); ++i) fields[i].number = static_cast<uint16_t>(i + 1);
    std::vector<uint8_t> image(AssignRecordLayout(fields), 0);
    SetRecordId(image.data(), 7);
    const auto putBcd = [&](const std::string& name, int64_t stored) {
        uint8_t bytes[8];
        PutU32(bytes, static_cast<uint32_t>(stored));
        PutU32(bytes + 4, static_cast<uint32_t>(static_cast<uint64_t>(stored) >> 32));
        for (const auto& f : fields)
            if (f.name == name) SetFieldBytes(f, image.data(), bytes);
    };
    putBcd("Whole", -12);            // -12
    putBcd("Cents", 1234);           // 12.34
    putBcd("Fine", 1234565);         // 1.234565, rounded to 1.2346
    putBcd("Huge", INT64_MAX / 10);  // beyond what 10 000ths hold: saturates
    uint8_t flag[2] = {1, 0};
    SetFieldBytes(fields[4], image.data(), flag);
    SetStringField(fields[5], image.data(), std::string(250, 'z'));
    uint8_t extended[10] = {0, 0, 0, 0, 0, 0, 0, 0xC0, 0xFF, 0xBF};  // -1.5 as a 10-byte float
    SetFieldBytes(fields[8], image.data(), extended);

    TExpressionNode n;
    LoadFieldValue(fields[0], image.data(), n);
    EXPECT_FALSE(n.isNull);
    EXPECT_EQ(n.dataType, dtype::Integer);
    EXPECT_EQ(n.Int32Value(), 7);
    LoadFieldValue(fields[1], image.data(), n);
    EXPECT_EQ(n.dataType, dtype::Bcd);
    EXPECT_EQ(n.Int64Value(), -120000);
    LoadFieldValue(fields[2], image.data(), n);
    EXPECT_EQ(n.Int64Value(), 123400);
    EXPECT_EQ(n.decimals, 2);
    LoadFieldValue(fields[3], image.data(), n);
    EXPECT_EQ(n.Int64Value(), 12346);
    LoadFieldValue(fields[7], image.data(), n);
    EXPECT_EQ(n.Int64Value(), INT64_MAX);
    LoadFieldValue(fields[4], image.data(), n);
    EXPECT_EQ(n.Int16Value(), -1);  // true with all bits set
    LoadFieldValue(fields[5], image.data(), n);
    EXPECT_EQ(n.StringValue(), std::string(250, 'z'));
    EXPECT_EQ(n.size, 251);
    EXPECT_EQ(n.value[250], 0);
    LoadFieldValue(fields[8], image.data(), n);
    EXPECT_EQ(n.dataType, dtype::Float);
    EXPECT_EQ(n.DoubleValue(), -1.5);
    n.SetString("leftover");
    LoadFieldValue(fields[6], image.data(), n);
    EXPECT_TRUE(n.isNull);
    EXPECT_EQ(n.StringValue(), "");
}

TEST(LikeMatch, Patterns) {
    struct Case {
        const char* text;
        const char* pattern;
        bool match;
    };
    const Case cases[] = {{"Birthday", "B_rth%", true}, {"Birthday", "b%", false},     {"Birthday", "Birthday", true},
                          {"Birthday", "Birth", false}, {"", "%", true},               {"", "_", false},
                          {"abc", "%%c", true},         {"abcabd", "%ab_", true},      {"aaa", "a%a%a", true},
                          {"aa", "a%a%a", false},       {"a%b", "a%b", true},          {"ab", "a__", false},
                          {"Mother's Day", "%'s%", true}, {"xyz", "x%z%", true}};
    for (const auto& c : cases) EXPECT_EQ(LikeMatch(c.text, c.pattern), c.match) << c.text << " LIKE " << c.pattern;
}

}  // namespace
}  // namespace larch
