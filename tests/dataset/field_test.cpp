// Field objects: typed access, null state, display text, blobs, calculated
// fields and the write rules.
#include "dataset/field.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "dataset/dataset_errors.h"
#include "memory_dataset.h"

namespace hollin::test {
namespace {

using ::testing::HasSubstr;

std::vector<ColumnDef> AllTypes() {
    return {{"Name", ftString, 10},     {"Count", ftSmallint},   {"Big", ftInteger},
            {"W", ftWord},              {"Flag", ftBoolean},     {"Amount", ftFloat},
            {"Money", ftCurrency},      {"Dec", ftBCD, 2},       {"Day", ftDate},
            {"At", ftTime},             {"When", ftDateTime},    {"Raw", ftBytes, 4},
            {"Notes", ftMemo},          {"Photo", ftBlob},       {"Id", ftAutoInc, 0, true}};
}

class FieldTest : public ::testing::Test {
protected:
    FieldTest() : ds(AllTypes()) {
        ds.AddRow({"Ann"});
        ds.Open();
    }
    TField& F(const char* name) { return ds.FieldByName(name); }

    MemoryDataSet ds;
};

TEST_F(FieldTest, DefaultFieldsFollowTheDefinitions) {
    ASSERT_EQ(ds.FieldCount(), 15);
    EXPECT_EQ(ds.Fields()[0].FieldName(), "Name");
    EXPECT_EQ(F("name").DataType(), ftString);  // names ignore letter case
    EXPECT_EQ(F("Name").Size(), 10);
    EXPECT_EQ(F("Dec").FieldNo(), 8);
    EXPECT_TRUE(F("Id").ReadOnly());
    EXPECT_EQ(ds.FindField("Nope"), nullptr);
    EXPECT_EQ(MessageOf<EDatabaseError>([&] { ds.FieldByName("Nope"); }), "Field 'Nope' not found");
    EXPECT_EQ(MessageOf<EDatabaseError>([&] { ds.Fields()[15]; }), "Field index out of range");
    EXPECT_EQ(MessageOf<EDatabaseError>([&] { ds.Fields()[-1]; }), "Field index out of range");
}

TEST_F(FieldTest, DataSizeIsTheBytesOfOneValue) {
    const std::pair<const char*, std::size_t> cases[] = {
        {"Name", 11}, {"Count", 2}, {"W", 2},   {"Flag", 2}, {"Big", 4},  {"Id", 4},
        {"Day", 4},   {"At", 4},    {"Amount", 8}, {"Money", 8}, {"Dec", 8}, {"When", 8},
        {"Raw", 4},   {"Notes", 0}, {"Photo", 0}};
    for (const auto& [name, bytes] : cases) EXPECT_EQ(F(name).DataSize(), bytes) << name;
}

TEST_F(FieldTest, WritingOutsideEditRaisesTheExactText) {
    EXPECT_EQ(MessageOf<EDatabaseError>([&] { F("Name").SetAsString("Bob"); }),
              "Dataset not in edit or insert mode");
    EXPECT_EQ(MessageOf<EDatabaseError>([&] { F("Notes").SetAsString("x"); }),
              "Dataset not in edit or insert mode");
    EXPECT_EQ(MessageOf<EDatabaseError>([&] { F("Count").Clear(); }),
              "Dataset not in edit or insert mode");
    EXPECT_EQ(F("Name").AsString(), "Ann");
}

TEST_F(FieldTest, WritingAReadOnlyFieldRaisesWithItsName) {
    ds.Edit();
    EXPECT_EQ(MessageOf<EDatabaseError>([&] { F("Id").SetAsInteger(5); }),
              "Field 'Id' cannot be modified");
    F("Photo").SetReadOnly(true);
    EXPECT_EQ(MessageOf<EDatabaseError>([&] { F("Photo").SetAsString("x"); }),
              "Field 'Photo' cannot be modified");
    EXPECT_FALSE(ds.Modified());
}

TEST_F(FieldTest, StringsAreCutToTheirSizeAndShownAsTheyAre) {
    ds.Edit();
    F("Name").SetAsString("Bartholomew the Great");
    EXPECT_EQ(F("Name").AsString(), "Bartholome");
    EXPECT_EQ(F("Name").DisplayText(), "Bartholome");
    F("Name").SetAsString("  Jo  ");
    EXPECT_EQ(F("Name").DisplayText(), "  Jo  ");
    EXPECT_TRUE(ds.Modified());
}

TEST_F(FieldTest, NullHandling) {
    ds.Edit();
    for (const char* name : {"Count", "Big", "W", "Flag", "Amount", "Money", "Dec", "Day", "At",
                             "When", "Raw", "Notes", "Photo"}) {
        SCOPED_TRACE(name);
        EXPECT_TRUE(F(name).IsNull());
        EXPECT_EQ(F(name).AsString(), "");
        EXPECT_EQ(F(name).AsVariant(), TFieldValue{});
    }
    EXPECT_EQ(F("Big").AsInteger(), 0);
    EXPECT_FALSE(F("Flag").AsBoolean());

    F("Big").SetAsInteger(7);
    EXPECT_FALSE(F("Big").IsNull());
    F("Big").Clear();
    EXPECT_TRUE(F("Big").IsNull());
    // An empty or blank text makes a non-string field null.
    F("Day").SetAsString("12/30/1899");
    F("Day").SetAsString("  ");
    EXPECT_TRUE(F("Day").IsNull());
    F("Name").Clear();
    EXPECT_TRUE(F("Name").IsNull());
    F("Name").SetAsVariant(TFieldValue{std::string("Cy")});
    EXPECT_EQ(F("Name").AsString(), "Cy");
    F("Name").SetAsVariant(TFieldValue{});
    EXPECT_TRUE(F("Name").IsNull());
}

TEST_F(FieldTest, DatesAreDayNumbersShownAsMonthDayYear) {
    ds.Edit();
    F("Day").SetAsDate(kDay18991230);
    EXPECT_EQ(F("Day").AsString(), "12/30/1899");
    EXPECT_EQ(F("Day").DisplayText(), "12/30/1899");
    F("Day").SetAsString("3/15/2010");
    EXPECT_EQ(F("Day").AsDate(), EncodeDate(2010, 3, 15));
    EXPECT_EQ(F("Day").AsVariant(), TFieldValue{int64_t{EncodeDate(2010, 3, 15)}});
    EXPECT_EQ(MessageOf<EConvertError>([&] { F("Day").SetAsString("13/45/2001"); }),
              "'13/45/2001' is not a valid date");
    EXPECT_EQ(F("Day").AsString(), "03/15/2010");  // unchanged

    F("When").SetAsString("12/30/1899 06:30:00");
    EXPECT_EQ(F("When").AsDate(), kDay18991230);
    EXPECT_DOUBLE_EQ(F("When").AsDateTime(), kDay18991230 + 0.25 + 1.0 / 48);
    EXPECT_EQ(F("When").AsString(), "12/30/1899 06:30:00");
    F("At").SetAsDateTime(MakeDateTime(1, 3600000));
    EXPECT_EQ(F("At").AsString(), "01:00:00");
    EXPECT_EQ(MessageOf<EConvertError>([&] { F("At").SetAsString("25:00"); }),
              "'25:00' is not a valid time");
}

TEST_F(FieldTest, NumbersBooleansAndTheirTexts) {
    ds.Edit();
    F("Count").SetAsString(" -12 ");
    EXPECT_EQ(F("Count").AsInteger(), -12);
    F("W").SetAsInteger(65535);
    EXPECT_EQ(F("W").AsString(), "65535");
    F("Amount").SetAsFloat(0.1);
    EXPECT_EQ(F("Amount").AsString(), "0.1");
    F("Dec").SetAsString("12.346");
    EXPECT_DOUBLE_EQ(F("Dec").AsFloat(), 12.35);  // two decimal places kept, rounded
    int64_t scaled = 0;
    ASSERT_TRUE(F("Dec").GetData(&scaled));
    EXPECT_EQ(scaled, 1235);
    F("Flag").SetAsString("yes");
    EXPECT_EQ(F("Flag").DisplayText(), "True");
    F("Flag").SetAsBoolean(false);
    EXPECT_EQ(F("Flag").AsString(), "False");
    EXPECT_EQ(F("Big").AsVariant(), TFieldValue{});
    F("Big").SetAsFloat(2.5);
    EXPECT_EQ(F("Big").AsInteger(), 3);

    EXPECT_EQ(MessageOf<EDatabaseError>([&] { F("Count").SetAsInteger(40000); }),
              "40000 is not a valid value for field 'Count'. The allowed range is -32768 to 32767");
    EXPECT_EQ(MessageOf<EDatabaseError>([&] { F("W").SetAsInteger(-1); }),
              "-1 is not a valid value for field 'W'. The allowed range is 0 to 65535");
    EXPECT_EQ(MessageOf<EConvertError>([&] { F("Big").SetAsString("12x"); }),
              "'12x' is not a valid integer value");
    EXPECT_EQ(MessageOf<EConvertError>([&] { F("Flag").SetAsString("maybe"); }),
              "'maybe' is not a valid boolean value");
    EXPECT_EQ(MessageOf<EConvertError>([&] { F("Name").AsFloat(); }),
              "'Ann' is not a valid floating point value");
    EXPECT_EQ(MessageOf<EDatabaseError>([&] { F("At").SetAsBoolean(true); }),
              "Cannot access field 'At' as type Boolean");
}

TEST_F(FieldTest, BlobsThroughStreamsAndTheirDisplayText) {
    EXPECT_EQ(F("Notes").DisplayText(), "(Memo)");
    EXPECT_EQ(F("Photo").DisplayText(), "(Blob)");
    EXPECT_EQ(F("Raw").DisplayText(), "(Bytes)");
    ds.Edit();
    F("Notes").SetAsString("line one\nline two");
    EXPECT_EQ(F("Notes").AsString(), "line one\nline two");
    EXPECT_EQ(F("Notes").DisplayText(), "(MEMO)");

    const std::vector<uint8_t> jpeg = {0xFF, 0xD8, 0x00, 0xFF, 0xD9};
    TMemoryStream file(jpeg);
    file.SetPosition(3);  // the whole source is loaded whatever its position
    F("Photo").LoadFromStream(file);
    EXPECT_EQ(F("Photo").DisplayText(), "(BLOB)");
    TMemoryStream out;
    F("Photo").SaveToStream(out);
    EXPECT_EQ(out.Bytes(), jpeg);

    // A raw write stream starts empty and replaces the content.
    {
        auto stream = ds.CreateBlobStream(F("Photo"), bmWrite);
        EXPECT_EQ(stream->Size(), 0);
        stream->WriteBuffer("ab", 2);
    }
    F("Photo").NotifyChanged();
    EXPECT_EQ(F("Photo").AsBytes(), (std::vector<uint8_t>{'a', 'b'}));
    ds.Post();
    EXPECT_EQ(ds.StoredText(0, "Notes"), "line one\nline two");
    EXPECT_EQ(ds.StoredText(0, "Photo"), "ab");

    ds.Edit();
    F("Photo").Clear();
    EXPECT_TRUE(F("Photo").IsNull());
    ds.Cancel();
    EXPECT_EQ(F("Photo").AsString(), "ab");  // the cancelled clear left the record alone
    EXPECT_EQ(MessageOf<EDatabaseError>([&] { ds.CreateBlobStream(F("Photo"), bmWrite); }),
              "Dataset not in edit or insert mode");
    EXPECT_EQ(MessageOf<EDatabaseError>([&] { ds.CreateBlobStream(F("Name"), bmRead); }),
              "Cannot access field 'Name' as type Blob");
}

TEST(CalculatedField, OnCalcFieldsFillsItForEveryRecordAndAfterEachChange) {
    MemoryDataSet ds({{"First", ftString, 10}, {"Last", ftString, 10}});
    ds.AddRow({"Ann", "Lee"});
    ds.AddRow({"Bob", "Ray"});
    ds.AddField(std::make_unique<TField>("First", ftString, 10));
    ds.AddField(std::make_unique<TField>("Last", ftString, 10));
    TField& full = ds.AddField(std::make_unique<TField>("Full", ftString, 21, fkCalculated));
    int calls = 0;
    ds.OnCalcFields = [&](TDataSet& d) {
        ++calls;
        full.SetAsString(d.FieldByName("First").AsString() + " " + d.FieldByName("Last").AsString());
        // Data fields cannot be written meanwhile.
        EXPECT_THROW(d.FieldByName("First").SetAsString("x"), EDatabaseError);
    };
    ds.Open();
    EXPECT_EQ(full.AsString(), "Ann Lee");
    ds.Next();
    EXPECT_EQ(full.AsString(), "Bob Ray");
    ds.Edit();
    ds.FieldByName("Last").SetAsString("Roe");
    EXPECT_EQ(full.AsString(), "Bob Roe");
    EXPECT_GE(calls, 3);
    ds.Cancel();
    EXPECT_EQ(full.AsString(), "Bob Ray");
    EXPECT_EQ(MessageOf<EDatabaseError>([&] { full.SetAsString("x"); }),
              "Dataset not in edit or insert mode");
    ds.Close();
    // Persistent fields survive Close; a field the cursor lacks fails Open.
    EXPECT_EQ(ds.FieldCount(), 3);
    ds.AddField(std::make_unique<TField>("Missing", ftString, 5));
    EXPECT_EQ(MessageOf<EDatabaseError>([&] { ds.Open(); }), "Field 'Missing' not found");
    EXPECT_FALSE(ds.Active());
    EXPECT_EQ(MessageOf<EDatabaseError>([&] { ds.AddField(std::make_unique<TField>("first", ftString, 5)); }),
              "Duplicate field name 'first'");
}

}  // namespace
}  // namespace hollin::test
