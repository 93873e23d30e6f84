// The About box: its texts, and that only OK or Enter closes it.
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include "tests/views/views_fixture.h"
#include "views/frm_about.h"

namespace hollin::ui::testing {
namespace {

TEST(AboutBox, NamesProgramAndVersionAndClosesOnlyThroughOk) {
    QWidget owner;
    TfrmAbout about(&owner);
    about.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&about));
    EXPECT_EQ(about.findChild<QLabel*>("Label1")->text(), QStringLiteral("Hollin Data"));
    EXPECT_EQ(about.findChild<QLabel*>("Label5")->text(), QStringLiteral("Version 2.0"));
    EXPECT_TRUE(about.windowFlags() & Qt::FramelessWindowHint);
    QTest::keyClick(&about, Qt::Key_Escape);
    EXPECT_TRUE(about.isVisible());
    QTest::keyClick(&about, Qt::Key_Return);
    EXPECT_FALSE(about.isVisible());
    EXPECT_EQ(about.result(), QDialog::Accepted);
}

}  // namespace
}  // namespace hollin::ui::testing
