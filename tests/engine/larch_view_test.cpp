// Tests of the cursor's column view and fixed condition (the hooks a query
// result uses), through a table cursor that supplies them.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "dataset/database_error.h"
#include "engine/cursor/larch_table.h"
#include "engine/records/record_fields.h"
#include "tests/engine/test_folder.h"
#include "tests/support/event_cursor.h"
#include "tests/support/event_table.h"

namespace larch {
namespace {

using namespace hollin;
using testing::AddEvent;
using testing::TestFolder;

// A cursor that shows FirstName as "Name" and a computed "Initial", and only
// the records whose LastName is the given one.
class ViewCursor : public TLarchTable {
public:
    explicit ViewCursor(std::string lastName) : m_lastName(std::move(lastName)) {}
    ~ViewCursor() override { Close(); }

protected:
    std::vector<TCursorColumn> CursorColumns() override {
        const auto& fields = DataFile()->Fields();
        TCursorColumn name;
        name.name = "Name";
        name.fieldNumber = FieldNumber("FirstName");
        TCursorColumn initial;
        initial.name = "Initial";
        initial.dataType = ftString;
        initial.size = 1;
        const FieldDescriptor first = fields[FieldNumber("FirstName") - 1u];
        initial.compute = [first](const uint8_t* image, void* out) {
            if (FieldIsNull(first, image)) return false;
            char* text = static_cast<char*>(out);
            text[0] = static_cast<char>(FieldBytes(first, image)[0]);
            text[1] = 0;
            return true;
        };
        return {name, initial};
    }

    std::unique_ptr<TExpressionNode> CursorCondition() override {
        const FieldDescriptor& d = DataFile()->Fields()[FieldNumber("LastName") - 1u];
        auto column = MakeNode(node::Column, op::None, d.name);
        column->columnName = d.name;
        column->fieldNumber = d.number;
        column->dataType = dtype::String;
        column->size = static_cast<uint8_t>(d.size + 1);
        auto constant = MakeNode(node::Constant, op::None, m_lastName);
        constant->dataType = dtype::String;
        constant->SetString(m_lastName);
        constant->size = static_cast<uint8_t>(m_lastName.size() + 1);
        auto equal = MakeNode(node::Binary, op::Eq, "=");
        equal->dataType = dtype::Boolean;
        equal->left = std::move(column);
        equal->right = std::move(constant);
        return equal;
    }

private:
    uint16_t FieldNumber(const std::string& name) const {
        for (const FieldDescriptor& d : DataFile()->Fields()) {
            if (d.name == name) return d.number;
        }
        return 0;
    }
    std::string m_lastName;
};

std::vector<std::string> Column(TDataSet& dataSet, const std::string& field) {
    std::vector<std::string> values;
    for (dataSet.First(); !dataSet.Eof(); dataSet.Next()) values.push_back(dataSet.FieldByName(field).AsString());
    return values;
}

class CursorView : public ::testing::Test {
protected:
    void SetUp() override {
        testing::CreateEventTable(folder / "Hollin.DAT");
        auto table = testing::EventCursor(folder.path(), "");
        table->Open();
        AddEvent(*table, "Zoe", "Adams");
        AddEvent(*table, "Ann", "Baker");
        AddEvent(*table, "Bob", "Adams");
        table->Close();
        view.SetDatabaseName(folder.path());
        view.SetTableName("Hollin");
    }

    TestFolder folder;
    ViewCursor view{"Adams"};
};

TEST_F(CursorView, ShowsTheChosenColumnsOfThePassingRecords) {
    view.Open();
    ASSERT_EQ(view.FieldCount(), 2);
    EXPECT_EQ(view.Fields()[0].FieldName(), "Name");
    EXPECT_EQ(view.FindField("FirstName"), nullptr);
    EXPECT_EQ(Column(view, "Name"), (std::vector<std::string>{"Zoe", "Bob"}));
    EXPECT_EQ(Column(view, "Initial"), (std::vector<std::string>{"Z", "B"}));
    EXPECT_EQ(view.RecordCount(), 2);
}

TEST_F(CursorView, TheConditionOutlastsTheUserFilter) {
    view.Open();
    view.SetFilter("Name = 'Bob'");
    view.SetFiltered(true);
    EXPECT_EQ(Column(view, "Name"), (std::vector<std::string>{"Bob"}));
    view.SetFiltered(false);
    EXPECT_EQ(Column(view, "Name"), (std::vector<std::string>{"Zoe", "Bob"}));
    EXPECT_EQ(view.RecordCount(), 2);
}

TEST_F(CursorView, EditsGoToTheTableAndComputedColumnsRefuseWrites) {
    view.Open();
    view.First();
    view.Edit();
    EXPECT_THROW(view.FieldByName("Initial").SetAsString("Q"), EDatabaseError);
    view.FieldByName("Name").SetAsString("Zed");
    view.Post();
    EXPECT_EQ(Column(view, "Initial"), (std::vector<std::string>{"Z", "B"}));
    view.Close();

    auto table = testing::EventCursor(folder.path(), "");
    table->Open();
    EXPECT_EQ(Column(*table, "FirstName"), (std::vector<std::string>{"Zed", "Ann", "Bob"}));
}

}  // namespace
}  // namespace larch
