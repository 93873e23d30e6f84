// Tests of query parameters: the marker scan, lookup by name, assignment and
// the stored form.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "dataset/database_error.h"
#include "dataset/date_time.h"
#include "query/sql/larch_params.h"
#include "query/sql/param_scan.h"
#include "query/sql/params_stream.h"

namespace larch {
namespace {

using namespace hollin;
using Bytes = std::vector<uint8_t>;

// The message of the EDatabaseError `action` raises ("" when it raises none).
std::string DatabaseErrorText(const std::function<void()>& action) {
    try {
        action();
    } catch (const EDatabaseError& e) {
        return e.what();
    }
    return "";
}

struct ScanCase {
    std::string text;
    std::string rewritten;
    std::vector<std::string> names;
};

TEST(ParamScan, RewritesMarkersAndCollectsNames) {
    const std::vector<ScanCase> cases = {
        {"SELECT * FROM t WHERE m = :Today", "SELECT * FROM t WHERE m = ?", {"Today"}},
        {"x = :a OR y = :a", "x = ? OR y = ?", {"a", "a"}},
        {"x::int = :b", "x:int = ?", {"b"}},
        {"'x:a' = :b", "'x:a' = ?", {"b"}},
        {"\"x:a\" = :b", "\"x:a\" = ?", {"b"}},
        {"'it''s :a'", "'it''s :a'", {}},
        {"f(:a,:b;:c)", "f(?,?;?)", {"a", "b", "c"}},
        {":a\r\n:b\n:c d", "?\r\n?\n? d", {"a", "b", "c"}},
        {"= :\"my name\" AND :'x,y;z)' )", "= ? AND ? )", {"my name", "x,y;z)"}},
        {"= :\"open name", "= ?", {"open name"}},
        {"= :n", "= ?", {"n"}},
        {"no markers: here", "no markers? here", {""}},
    };
    for (const ScanCase& c : cases) {
        std::string text = c.text;
        const std::vector<std::string> names = ScanParams(text);
        EXPECT_EQ(text, c.rewritten) << c.text;
        EXPECT_EQ(names, c.names) << c.text;
    }
}

TEST(ParamScan, RebuildKeepsValuesOfExactlySameNames) {
    TLarchParams params;
    RebuildParams(params, {"Today", "Other"});
    params.ParamByName("Today").SetAsInteger(7);
    params.ParamByName("Other").SetAsString("x");

    std::string text = "a = :Today OR b = :today OR c = :New";
    RebuildParams(params, ScanParams(text));

    ASSERT_EQ(params.Count(), 3);
    EXPECT_EQ(params.Entry(0).Name(), "Today");
    EXPECT_TRUE(params.Entry(0).Bound());
    EXPECT_EQ(params.Entry(0).AsInteger(), 7);
    EXPECT_EQ(params.Entry(1).Name(), "today");
    EXPECT_FALSE(params.Entry(1).Bound());
    EXPECT_TRUE(params.Entry(1).IsNull());
    EXPECT_EQ(params.Entry(2).DataType(), ftUnknown);
    EXPECT_FALSE(params.Entry(2).Bound());
}

TEST(LarchParams, ParamByNameFindsFirstIgnoringCase) {
    TLarchParams params;
    TLarchParam& first = params.Add("Today");
    params.Add("x");
    params.Add("TODAY");

    EXPECT_EQ(&params.ParamByName("today"), &first);
    EXPECT_EQ(params.FindParam("X"), &params.Entry(1));
    EXPECT_EQ(params.FindParam("missing"), nullptr);
    EXPECT_EQ(DatabaseErrorText([&] { params.ParamByName("Month"); }), "Parameter 'Month' not found");
    EXPECT_EQ(DatabaseErrorText([&] { params.Items(3); }), "List index out of bounds (3)");
}

TEST(LarchParams, RepeatedNameActsAsTheFirst) {
    std::string text = "x = :a OR y = :a";
    TLarchParams params;
    RebuildParams(params, ScanParams(text));
    ASSERT_EQ(params.Count(), 2);

    params.ParamByName("a").SetAsInteger(5);
    EXPECT_EQ(&params.Items(1), &params.Entry(0));
    EXPECT_EQ(params.Items(1).AsInteger(), 5);
    EXPECT_FALSE(params.Entry(1).Bound());  // the entry itself is never touched

    // Storing goes through the same rule: both entries are saved with 5.
    TLarchParams loaded;
    LoadParams(loaded, SaveParams(params));
    EXPECT_EQ(loaded.Entry(1).AsInteger(), 5);
    EXPECT_TRUE(loaded.Entry(1).Bound());
    EXPECT_TRUE(loaded == params);
}

struct SetterCase {
    std::string label;
    std::function<void(TLarchParam&)> set;
    TFieldType type;
    uint8_t engineType;
    Bytes engineData;
};

TEST(LarchParam, SettersStoreTypeValueAndEngineBytes) {
    const std::vector<SetterCase> cases = {
        {"String", [](TLarchParam& p) { p.SetAsString("ab"); }, ftString, 1, {'a', 'b', 0}},
        {"SmallInt", [](TLarchParam& p) { p.SetAsSmallInt(-2); }, ftSmallint, 5, {0xFE, 0xFF}},
        {"Integer", [](TLarchParam& p) { p.SetAsInteger(0x01020304); }, ftInteger, 6, {4, 3, 2, 1}},
        {"Word", [](TLarchParam& p) { p.SetAsWord(65535); }, ftWord, 12, {0xFF, 0xFF}},
        {"Boolean", [](TLarchParam& p) { p.SetAsBoolean(true); }, ftBoolean, 4, {1, 0}},
        {"Float", [](TLarchParam& p) { p.SetAsFloat(1.0); }, ftFloat, 7, {0, 0, 0, 0, 0, 0, 0xF0, 0x3F}},
        {"Currency", [](TLarchParam& p) { p.SetAsCurrency(-2.0); }, ftCurrency, 7, {0, 0, 0, 0, 0, 0, 0, 0xC0}},
        {"BCD", [](TLarchParam& p) { p.SetAsBCD(1.23456); }, ftBCD, 8, {0x3A, 0x30, 0, 0, 0, 0, 0, 0}},
        {"Date", [](TLarchParam& p) { p.SetAsDate(kDay18991230); }, ftDate, 2, {0x5A, 0x95, 0x0A, 0}},
        {"Time", [](TLarchParam& p) { p.SetAsTime(1000); }, ftTime, 10, {0xE8, 0x03, 0, 0}},
        // Day 1 at 00:00:01 is 86 401 000 ms = 0x4194997FA0000000 as a double.
        {"DateTime", [](TLarchParam& p) { p.SetAsDateTime(MakeDateTime(1, 1000)); }, ftDateTime, 11,
         {0, 0, 0, 0xA0, 0x7F, 0x99, 0x94, 0x41}},
        {"Bytes", [](TLarchParam& p) { p.SetAsBytes({9, 0, 8}); }, ftBytes, 9, {9, 0, 8}},
        {"VarBytes", [](TLarchParam& p) { p.SetAsVarBytes({7}); }, ftVarBytes, 15, {7}},
        {"Memo", [](TLarchParam& p) { p.SetAsMemo("m"); }, ftMemo, 3, {'m', 0}},
        {"Blob", [](TLarchParam& p) { p.SetAsBlob({1, 2}); }, ftBlob, 3, {1, 2}},
    };
    for (const SetterCase& c : cases) {
        TLarchParam param("p");
        param.Clear();
        c.set(param);
        EXPECT_EQ(param.DataType(), c.type) << c.label;
        EXPECT_TRUE(param.Bound()) << c.label;
        EXPECT_FALSE(param.IsNull()) << c.label;
        EXPECT_EQ(param.EngineType().type, c.engineType) << c.label;
        EXPECT_EQ(param.DataSize(), c.engineData.size()) << c.label;
        EXPECT_EQ(param.EngineData(), c.engineData) << c.label;

        param.Clear();
        EXPECT_TRUE(param.IsNull()) << c.label;
        EXPECT_EQ(param.DataType(), c.type) << c.label;
        EXPECT_EQ(param.EngineData(), Bytes(param.DataSize(), 0)) << c.label;
    }
}

TEST(LarchParam, UnknownTypeHasNoEngineTypeOrSize) {
    TLarchParam param("p");
    EXPECT_EQ(param.EngineType().type, 0);
    EXPECT_EQ(DatabaseErrorText([&] { param.DataSize(); }), "Field 'p' is of unknown type");
}

TEST(LarchParams, AssignValuesTakesExactlySameNames) {
    TLarchParams target;
    target.Add("a");
    target.Add("B");
    target.Add("c").SetAsInteger(3);
    TLarchParams source;
    source.Add("A").SetAsInteger(1);
    source.Add("b").SetAsInteger(2);
    source.Add("B").SetAsString("two");
    source.Add("B").SetAsString("second");

    target.AssignValues(source);
    EXPECT_FALSE(target.Entry(0).Bound());
    EXPECT_EQ(target.Entry(1).DataType(), ftString);
    EXPECT_EQ(target.Entry(1).AsString(), "two");
    EXPECT_EQ(target.Entry(2).AsInteger(), 3);
}

TEST(LarchParams, EqualityComparesEveryPart) {
    auto make = [](TLarchParams& params) {
        params.Add("a").SetAsInteger(1);
        params.Add("b", ftString, 1);
    };
    TLarchParams a, b;
    make(a);
    make(b);
    EXPECT_TRUE(a == b);
    b.Entry(1).SetBound(true);
    EXPECT_FALSE(a == b);
    b.Entry(1).SetBound(false);
    b.Entry(0).SetAsFloat(1.0);  // same number, other type and value kind
    EXPECT_FALSE(a == b);
    b.Entry(0).SetAsInteger(1);
    b.Entry(0).SetName("A");
    EXPECT_FALSE(a == b);
}

TEST(ParamsStream, MonthParameterHasTheKnownBytes) {
    TLarchParams params;
    TLarchParam& today = params.Add("Today");
    today.SetAsDate(693594);
    today.SetBound(false);

    const Bytes expected = {1, 0,                          // version 1
                            1, 0,                          // one parameter
                            5, 'T', 'o', 'd', 'a', 'y',    // name
                            0,                             // kind
                            9,                             // ftDate
                            4, 0,                          // value length
                            0x5A, 0x95, 0x0A, 0,           // day 693594
                            0,                             // not null
                            0};                            // not bound
    EXPECT_EQ(SaveParams(params), expected);

    TLarchParams loaded;
    LoadParams(loaded, expected);
    ASSERT_EQ(loaded.Count(), 1);
    EXPECT_EQ(loaded.Entry(0).Name(), "Today");
    EXPECT_EQ(loaded.Entry(0).AsDate(), 693594);
    EXPECT_FALSE(loaded.Entry(0).Bound());
    EXPECT_TRUE(loaded == params);
}

TEST(ParamsStream, EveryTypeRoundTrips) {
    TLarchParams params;
    params.Add("s").SetAsString("text");
    params.Add("si").SetAsSmallInt(-7);
    params.Add("i").SetAsInteger(-100000);
    params.Add("w").SetAsWord(60000);
    params.Add("b").SetAsBoolean(true);
    params.Add("f").SetAsFloat(2.5);
    params.Add("c").SetAsCurrency(10.25);
    params.Add("bcd").SetAsBCD(-3.1416);
    params.Add("d").SetAsDate(738000);
    params.Add("t").SetAsTime(45296000);
    params.Add("dt").SetAsDateTime(MakeDateTime(738000, 45296000));
    params.Add("by").SetAsBytes({0, 1, 2});
    params.Add("vb").SetAsVarBytes({});
    params.Add("m").SetAsMemo("memo");
    params.Add("bl").SetAsBlob({255});
    params.Add("n").SetAsInteger(1);
    params.Entry(15).Clear();
    params.Add("u", ftUnknown, 2);

    TLarchParams loaded;
    loaded.Add("stale");
    LoadParams(loaded, SaveParams(params));
    EXPECT_TRUE(loaded == params);
    EXPECT_EQ(loaded.Entry(16).Kind(), 2);
    EXPECT_TRUE(loaded.Entry(15).IsNull());
}

TEST(ParamsStream, ReadsVersionTwo) {
    // Counts and lengths are 4 bytes wide.
    const Bytes stream = {2, 0, 2, 0, 0, 0,                        // version 2, 2 parameters
                          1, 0, 0, 0, 'a', 0, 3, 4, 0, 0, 0, 42, 0, 0, 0, 0, 1,  // a: ftInteger 42, bound
                          2, 0, 0, 0, 'b', 'c', 1, 0, 1, 0};       // bc: kind 1, no type, null
    TLarchParams params;
    LoadParams(params, stream);
    ASSERT_EQ(params.Count(), 2);
    EXPECT_EQ(params.Entry(0).Name(), "a");
    EXPECT_EQ(params.Entry(0).DataType(), ftInteger);
    EXPECT_EQ(params.Entry(0).AsInteger(), 42);
    EXPECT_TRUE(params.Entry(0).Bound());
    EXPECT_EQ(params.Entry(1).Name(), "bc");
    EXPECT_EQ(params.Entry(1).Kind(), 1);
    EXPECT_TRUE(params.Entry(1).IsNull());
    EXPECT_FALSE(params.Entry(1).Bound());
}

TEST(ParamsStream, LongNameIsWrittenInTheWideForm) {
    TLarchParams params;
    params.Add(std::string(300, 'n')).SetAsInteger(9);
    const Bytes bytes = SaveParams(params);
    ASSERT_GE(bytes.size(), 2u);
    EXPECT_EQ(bytes[0], 2);
    TLarchParams loaded;
    LoadParams(loaded, bytes);
    EXPECT_TRUE(loaded == params);
}

TEST(ParamsStream, RefusesBadStreamsAndKeepsTheList) {
    const std::vector<std::pair<std::string, Bytes>> cases = {
        {"version 3", {3, 0, 0, 0}},
        {"version 0", {0, 0, 0, 0}},
        {"no count", {1, 0}},
        {"count beyond data", {1, 0, 2, 0, 1, 'a', 0, 0, 0, 0}},
        {"name beyond data", {1, 0, 1, 0, 9, 'a'}},
        {"huge wide name", {2, 0, 1, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 'a'}},
        {"unknown type", {1, 0, 1, 0, 1, 'a', 0, 20, 0, 0, 0, 0}},
        {"integer of 2 bytes", {1, 0, 1, 0, 1, 'a', 0, 3, 2, 0, 1, 0, 0, 0}},
        {"string without terminator", {1, 0, 1, 0, 1, 'a', 0, 1, 1, 0, 'x', 0, 0}},
        {"time past midnight", {1, 0, 1, 0, 1, 'a', 0, 10, 4, 0, 0, 0x5C, 0x26, 0x05, 0, 0}},
        {"value beyond data", {1, 0, 1, 0, 1, 'a', 0, 1, 0xFF, 0xFF, 'x'}},
        {"flags missing", {1, 0, 1, 0, 1, 'a', 0, 0, 0}},
    };
    for (const auto& [label, bytes] : cases) {
        TLarchParams params;
        params.Add("kept");
        EXPECT_EQ(DatabaseErrorText([&] { LoadParams(params, bytes); }), "Unable to load bind parameters")
            << label;
        ASSERT_EQ(params.Count(), 1) << label;
        EXPECT_EQ(params.Entry(0).Name(), "kept") << label;
    }
}

TEST(ParamsStream, RefusesValuesAbove2048Bytes) {
    TLarchParams params;
    TLarchParam& param = params.Add("Big");
    param.SetAsString(std::string(2047, 'x'));  // 2048 bytes with the terminator
    EXPECT_EQ(SaveParams(params).size(), 2u + 2 + 1 + 3 + 1 + 1 + 2 + 2048 + 2);

    param.SetAsString(std::string(2048, 'x'));
    TMemoryStream stream;
    EXPECT_EQ(DatabaseErrorText([&] { WriteParams(params, stream); }),
              "Parameter 'Big', cannot save data larger than 2048 bytes");
    EXPECT_EQ(stream.Size(), 0);
}

}  // namespace
}  // namespace larch
