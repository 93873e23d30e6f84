// The filter-by-event dialog: the filter text of each choice, typed events,
// no choice, and the click rule of the edit box.
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include "controls/message_box.h"
#include "tests/views/views_fixture.h"
#include "views/frm_filter.h"

namespace hollin::ui::testing {
namespace {

class FilterDialog : public ViewsTest {
protected:
    void SetUp() override {
        ViewsTest::SetUp();
        Add("Ann", "A", "Anniversary");
        Add("Bob", "B", "Birthday");
        Add("Mom", "M", "Mom's Day");
        Add("Pat", "P", "Passing");
        Add("Pia", "Q", "passing");
    }
};

struct FilterCase {
    const char* choice;  // objectName of the radio button
    const char* typed;   // the edit box's text for "Other"
    const char* filter;
    std::vector<std::string> visible;
};

TEST_F(FilterDialog, EachChoiceSetsItsFilterTextAndSwitchesFilteringOn) {
    const FilterCase cases[] = {
        {"RadioButton1", "", "'Event' = 'Passing'", {"Pat", "Pia"}},
        {"RadioButton2", "", "'Event' = 'Birthday'", {"Bob"}},
        {"RadioButton3", "", "'Event' = 'Anniversary'", {"Ann"}},
        {"RadioButton4", "Mom's day", "Event = 'Mom''s day'", {"Mom"}},
        {"RadioButton4", "passing", "Event = 'passing'", {"Pat", "Pia"}},
        {"RadioButton4", "", "Event = ''", {}},
        {"RadioButton4", "B*", "Event = 'B*'", {"Bob"}},
    };
    for (const FilterCase& c : cases) {
        SCOPED_TRACE(std::string(c.choice) + " " + c.typed);
        dm2->Larchtbl.SetFiltered(false);
        TfrmFilter dialog(*dm2, &owner);
        dialog.findChild<QRadioButton*>(c.choice)->setChecked(true);
        dialog.findChild<QLineEdit*>("edtOtherFilter")->setText(QString::fromUtf8(c.typed));
        dialog.findChild<QPushButton*>("bbOk")->click();
        EXPECT_EQ(dialog.result(), QDialog::Accepted);
        EXPECT_EQ(dm2->Larchtbl.Filter(), c.filter);
        EXPECT_TRUE(dm2->Larchtbl.Filtered());
        EXPECT_EQ(VisibleFirstNames(), c.visible);
    }
    EXPECT_TRUE(TakeShownMessages().empty());
}

TEST_F(FilterDialog, OkWithoutAChoiceFiltersByTheLastFilterAgain) {
    TfrmFilter first(*dm2, &owner);
    first.RadioButton2->setChecked(true);
    first.bbOk->click();
    dm2->Larchtbl.SetFiltered(false);  // what "Reset table" does
    ASSERT_EQ(VisibleFirstNames().size(), 5u);

    TfrmFilter again(*dm2, &owner);
    again.bbOk->click();
    EXPECT_EQ(dm2->Larchtbl.Filter(), "'Event' = 'Birthday'");
    EXPECT_EQ(VisibleFirstNames(), std::vector<std::string>{"Bob"});
}

TEST_F(FilterDialog, OtherWithThePromptLeftInTheBoxMatchesNoRecord) {
    TfrmFilter dialog(*dm2, &owner);
    dialog.RadioButton4->setChecked(true);
    dialog.bbOk->click();
    EXPECT_EQ(dm2->Larchtbl.Filter(), "Event = 'Type in event to filter by'");
    EXPECT_TRUE(dm2->Larchtbl.IsEmpty());
}

TEST_F(FilterDialog, EveryClickIntoTheBoxEmptiesItAndCancelChangesNothing) {
    TfrmFilter dialog(*dm2, &owner);
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    EXPECT_FALSE(dialog.RadioButton1->isChecked() || dialog.RadioButton2->isChecked() ||
                 dialog.RadioButton3->isChecked() || dialog.RadioButton4->isChecked());
    QTest::mouseClick(dialog.edtOtherFilter, Qt::LeftButton);
    EXPECT_EQ(dialog.edtOtherFilter->text(), QString());
    QTest::keyClicks(dialog.edtOtherFilter, "Birthday");
    EXPECT_FALSE(dialog.RadioButton4->isChecked());  // typing chooses nothing
    QTest::mouseClick(dialog.edtOtherFilter, Qt::LeftButton);
    EXPECT_EQ(dialog.edtOtherFilter->text(), QString());

    dialog.bbCancel->click();
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_FALSE(dm2->Larchtbl.Filtered());
}

}  // namespace
}  // namespace hollin::ui::testing
