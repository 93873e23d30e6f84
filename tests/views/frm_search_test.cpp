// The search-by-name dialog: nearest key in the chosen order, case, the end
// of the index, and no method chosen.
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include "controls/message_box.h"
#include "tests/views/views_fixture.h"
#include "views/frm_search.h"

namespace hollin::ui::testing {
namespace {

class SearchDialog : public ViewsTest {
protected:
    void SetUp() override {
        ViewsTest::SetUp();
        Add("John", "Zeller", "Birthday");
        Add("Mary", "Adams", "Birthday");
        Add("Joanna", "Miller", "Passing");
        Add("Zoe", "Brown", "Birthday");
    }
};

struct SearchCase {
    const char* method;
    const char* text;
    const char* index;
    const char* lands;  // first name of the record landed on
};

TEST_F(SearchDialog, OkMovesToTheNearestNameInTheChosenOrder) {
    const SearchCase cases[] = {
        {"rbFN", "Jo", "FirstName", "Joanna"},   // prefix: the first name beginning with it
        {"rbFN", "mArY", "FirstName", "Mary"},   // case ignored
        {"rbFN", "Joz", "FirstName", "Mary"},    // between two names: the later one
        {"rbFN", "Zzz", "FirstName", "Zoe"},     // past the end: the last record
        {"rbFN", "", "FirstName", "Joanna"},     // empty: the first record
        {"rbLN", "b", "LastName", "Zoe"},        // Brown
        {"rbLN", "zz", "LastName", "John"},      // Zeller is last
    };
    for (const SearchCase& c : cases) {
        SCOPED_TRACE(std::string(c.method) + " " + c.text);
        TfrmSearch dialog(*dm2, &owner);
        dialog.findChild<QRadioButton*>(c.method)->setChecked(true);
        dialog.findChild<QLineEdit*>("editSearch")->setText(QString::fromUtf8(c.text));
        dialog.findChild<QPushButton*>("bbOk")->click();
        EXPECT_EQ(dialog.result(), QDialog::Accepted);
        EXPECT_EQ(dm2->Larchtbl.IndexName(), c.index);
        EXPECT_EQ(CurrentFirstName(), c.lands);
    }
    EXPECT_TRUE(TakeShownMessages().empty());
}

TEST_F(SearchDialog, ChoosingAMethodNamesItInTitleAndLabel) {
    TfrmSearch dialog(*dm2, &owner);
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Search "));
    EXPECT_EQ(dialog.lblSearchName->text(), QString());
    dialog.rbLN->setChecked(true);
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Search by Last Name"));
    EXPECT_EQ(dialog.lblSearchName->text(), QStringLiteral("Last Name"));
    dialog.rbFN->setChecked(true);
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Search by First Name"));
    EXPECT_EQ(dialog.lblSearchName->text(), QStringLiteral("First Name"));
}

TEST_F(SearchDialog, OkWithoutAMethodSaysSoAndClosesWithoutMovingTheTable) {
    dm2->Larchtbl.Last();
    const std::string before = CurrentFirstName();
    TfrmSearch dialog(*dm2, &owner);
    dialog.editSearch->setText(QStringLiteral("Jo"));
    dialog.bbOk->click();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    const auto shown = TakeShownMessages();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].kind, TMessageKind::Plain);
    EXPECT_EQ(shown[0].text, "You must chose one search method");
    EXPECT_EQ(CurrentFirstName(), before);
    EXPECT_EQ(dm2->Larchtbl.IndexName(), "FirstName");
}

}  // namespace
}  // namespace hollin::ui::testing
