// The bound edit, combo box and memo: input only while editing, values
// reaching the table on post, length limit and selection on entry.
#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QLineEdit>
#include <QTest>
#include <QVBoxLayout>

#include "controls/db_combo_box.h"
#include "controls/db_edit.h"
#include "controls/db_memo.h"
#include "tests/controls/bound_table.h"

namespace hollin::ui {
namespace {

using testing::TBoundTable;

// A shown, active window holding the controls, so that focus works.
struct THost {
    THost() {
        new QVBoxLayout(&window);
        window.resize(300, 200);
    }
    template <typename Control>
    Control* Add(TDataSource& source, const char* field) {
        auto* control = new Control(&window);
        control->SetDataSource(&source);
        control->SetDataField(field);
        window.layout()->addWidget(control);
        return control;
    }
    void Show() {
        window.show();
        window.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&window));
    }
    QWidget window;
};

TEST(DBEditTest, TypingWhileBrowsingChangesNothing) {
    TBoundTable data({"Ann"});
    THost host;
    auto* edit = host.Add<TDBEdit>(data.source, "FirstName");
    auto* other = host.Add<TDBEdit>(data.source, "LastName");
    host.Show();
    edit->setFocus();
    QTest::keyClicks(edit, "xyz");
    QTest::keyClick(edit, Qt::Key_Backspace);
    other->setFocus();
    EXPECT_EQ(edit->text(), "Ann");
    EXPECT_TRUE(edit->isReadOnly());
    EXPECT_EQ(data.table->State(), dsBrowse);
    EXPECT_EQ(data.StoredValues(), "Ann");
}

TEST(DBEditTest, TypedTextIsPostedAfterEdit) {
    TBoundTable data({"Ann"});
    THost host;
    auto* edit = host.Add<TDBEdit>(data.source, "FirstName");
    host.Show();
    data.table->Edit();
    EXPECT_FALSE(edit->isReadOnly());
    edit->setFocus();
    edit->selectAll();
    QTest::keyClicks(edit, "Beth");
    // Post while the edit still has the focus: the dataset asks for the value.
    data.table->Post();
    EXPECT_EQ(data.StoredValues(), "Beth");
    EXPECT_EQ(edit->text(), "Beth");
    EXPECT_TRUE(edit->isReadOnly());
}

TEST(DBEditTest, LengthIsTheFieldSizeAndInactiveIsBlank) {
    TBoundTable data({"Ann"});
    THost host;
    auto* state = host.Add<TDBEdit>(data.source, "State");
    auto* first = host.Add<TDBEdit>(data.source, "FirstName");
    EXPECT_EQ(state->maxLength(), 2);
    EXPECT_EQ(first->maxLength(), 15);
    data.table->Close();
    EXPECT_EQ(first->text(), "");
    EXPECT_TRUE(first->isReadOnly());
    EXPECT_EQ(first->Field(), nullptr);
}

TEST(DBEditTest, SelectAllOnEntryEitherWay) {
    // Qt itself selects all on Tab and not on a click: each edit is entered
    // the way Qt would do the opposite of what it is set to.
    TBoundTable data({"Annabel"});
    THost host;
    auto* keeping = host.Add<TDBEdit>(data.source, "FirstName");
    auto* selecting = host.Add<TDBEdit>(data.source, "FirstName");
    selecting->SetSelectAllOnEntry(true);
    host.Show();
    keeping->setCursorPosition(3);
    selecting->setFocus();
    QTest::keyClick(selecting, Qt::Key_Backtab, Qt::ShiftModifier);
    ASSERT_EQ(QApplication::focusWidget(), keeping);
    EXPECT_FALSE(keeping->hasSelectedText());
    EXPECT_EQ(keeping->cursorPosition(), 3);
    QTest::mouseClick(selecting, Qt::LeftButton, {}, QPoint(5, selecting->height() / 2));
    QCoreApplication::processEvents();
    ASSERT_EQ(QApplication::focusWidget(), selecting);
    EXPECT_EQ(selecting->selectedText(), "Annabel");
}

TEST(DBComboBoxTest, ChoosingAnItemWritesOnlyWhileEditing) {
    TBoundTable data({"Ann"});
    THost host;
    auto* combo = host.Add<TDBComboBox>(data.source, "Event");
    combo->addItems({"Anniversary", "Birthday", "Passing", ""});
    host.Show();
    combo->setFocus();
    QTest::keyClick(combo, Qt::Key_Down);
    QTest::keyClicks(combo->lineEdit(), "zz");
    EXPECT_EQ(combo->currentText(), "Birthday");
    data.table->Edit();
    combo->setCurrentIndex(2);
    emit combo->activated(2);
    EXPECT_EQ(data.table->FieldByName("Event").AsString(), "Passing");
    data.table->Post();
    EXPECT_EQ(data.StoredValues("Event"), "Passing");
}

TEST(DBComboBoxTest, EntryIsSignalled) {
    TBoundTable data({"Ann"});
    THost host;
    auto* edit = host.Add<TDBEdit>(data.source, "FirstName");
    auto* combo = host.Add<TDBComboBox>(data.source, "Event");
    int entered = 0;
    QObject::connect(combo, &TDBComboBox::entered, [&] { ++entered; });
    host.Show();
    edit->setFocus();
    QTest::keyClick(edit, Qt::Key_Tab);
    EXPECT_EQ(entered, 1);
}

// Where a key goes: into the open list, as the toolkit delivers it, or to
// the focused control.
QWidget* KeyReceiver() {
    if (QWidget* popup = QApplication::activePopupWidget()) return popup->focusWidget() ? popup->focusWidget() : popup;
    return QApplication::focusWidget();
}

// Types the text key by key; "\t" is Tab, "\b" Backspace.
void TypeKeys(const QString& text) {
    for (const QChar c : text) {
        if (c == u'\t') {
            QTest::keyClick(KeyReceiver(), Qt::Key_Tab);
        } else if (c == u'\b') {
            QTest::keyClick(KeyReceiver(), Qt::Key_Backspace);
        } else {
            QTest::keyClicks(KeyReceiver(), QString(c));
        }
    }
}

// Tabbing in opens the list on the box's value (the first item for an empty
// box); typing reaches the box and Tab moves on, both closing the list.
TEST(DBComboBoxTest, ListOpenedOnEntryHighlightsTheValueAndLetsTypingThrough) {
    auto keys = [](std::vector<Qt::Key> list) {
        return [list] {
            for (const Qt::Key key : list) QTest::keyClick(KeyReceiver(), key);
        };
    };
    const struct {
        const char* stored;
        int highlighted;
        std::function<void()> keys;  // each ends with Tab
        const char* written;
    } cases[] = {
        {"Birthday", 1, keys({Qt::Key_Tab}), "Birthday"},
        {"Passing", 2, keys({Qt::Key_Escape, Qt::Key_Tab}), "Passing"},
        {"Graduation", 0, keys({Qt::Key_Tab}), "Graduation"},
        {"", 0, keys({Qt::Key_Down, Qt::Key_Return, Qt::Key_Tab}), "Birthday"},
        {"", 0, [] { TypeKeys(QStringLiteral("Graduation\t")); }, "Graduation"},
        {"Birthday", 1, [] { TypeKeys(QStringLiteral("Wedding\t")); }, "Wedding"},
        {"Birthday", 1, [] { TypeKeys(QStringLiteral("\bParty\t")); }, "Party"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.stored) + " -> " + c.written);
        TBoundTable data({"Ann"});
        THost host;
        auto* edit = host.Add<TDBEdit>(data.source, "FirstName");
        auto* combo = host.Add<TDBComboBox>(data.source, "Event");
        auto* after = host.Add<TDBEdit>(data.source, "LastName");
        combo->addItems({"Anniversary", "Birthday", "Passing", ""});
        combo->ShowListOnEntry(true);
        host.Show();
        data.table->Edit();
        data.table->FieldByName("Event").SetAsString(c.stored);
        edit->setFocus();
        QTest::keyClick(edit, Qt::Key_Tab);
        ASSERT_TRUE(QTest::qWaitFor([&] { return combo->view()->isVisible(); }));
        EXPECT_EQ(combo->view()->currentIndex().row(), c.highlighted);
        c.keys();
        EXPECT_FALSE(combo->view()->isVisible());
        EXPECT_EQ(QApplication::focusWidget(), after);
        EXPECT_EQ(data.table->FieldByName("Event").AsString(), c.written);
    }
}

TEST(DBMemoTest, TypedNotesArePosted) {
    TBoundTable data({"Ann"});
    THost host;
    auto* memo = host.Add<TDBMemo>(data.source, "Notes");
    host.Show();
    memo->setFocus();
    QTest::keyClicks(memo, "ignored");
    EXPECT_EQ(memo->toPlainText(), "");
    data.table->Edit();
    QTest::keyClicks(memo, "two");
    QTest::keyClick(memo, Qt::Key_Return);
    QTest::keyClicks(memo, "lines");
    data.table->Post();
    EXPECT_EQ(data.StoredValues("Notes"), "two\nlines");
}

}  // namespace
}  // namespace hollin::ui
