// The main window over a started program: start-up, the record editor with
// its colour and focus rule, the photo commands, closing and help.
#include <QAbstractButton>
#include <QAction>
#include <QAbstractItemView>
#include <QApplication>
#include <QLabel>
#include <QTest>
#include <QTextBrowser>
#include <filesystem>
#include <fstream>

#include "app/help_window.h"
#include "controls/db_combo_box.h"
#include "controls/db_date_edit.h"
#include "controls/db_edit.h"
#include "controls/db_memo.h"
#include "controls/file_dialog.h"
#include "controls/message_box.h"
#include "data/dm2.h"
#include "dataset/date_time.h"
#include "dataset/stream.h"
#include "tests/app/app_fixture.h"
#include "tests/photo/jpeg_fixtures.h"
#include "tests/support/event_cursor.h"
#include "views/frm_next_last_mo.h"

namespace hollin::ui::testing {
namespace {

namespace fs = std::filesystem;

const QColor kWhite(255, 255, 255);

QColor BaseOf(QWidget* widget) { return widget->palette().color(QPalette::Base); }
QColor ButtonFace() { return QApplication::palette().color(QPalette::Button); }

std::vector<std::string> MessageTexts() {
    std::vector<std::string> texts;
    for (const TShownMessage& message : TakeShownMessages()) texts.push_back(message.text);
    return texts;
}

// The first names of the stored table, read through a cursor of its own.
std::vector<std::string> StoredFirstNames(const std::string& folder) {
    auto reader = larch::testing::EventCursor(folder);
    reader->Open();
    std::vector<std::string> names;
    for (reader->First(); !reader->Eof(); reader->Next()) names.push_back(reader->FieldByName("FirstName").AsString());
    return names;
}

bool FocusIsIn(QWidget* widget) {
    QWidget* focus = QApplication::focusWidget();
    return focus != nullptr && (focus == widget || widget->isAncestorOf(focus));
}

class MainWindow : public ProgramTest {
protected:
    QList<QWidget*> Editors() {
        QList<QWidget*> editors;
        for (const char* name : {"dbeFirstName", "dbeMiddleName", "dbeLastName", "dbcbEvent", "dbdeMain", "dbePhone",
                                 "dbePhoneFax", "dbeCellPhone", "dbeEmail", "dbeAddress", "dbeWebsite", "dbeCity",
                                 "dbeState", "dbeZip", "dbmMain"}) {
            editors.push_back(Find<QWidget>(name));
        }
        return editors;
    }
    void ExpectEditorColour(const QColor& colour) {
        for (QWidget* editor : Editors()) EXPECT_EQ(BaseOf(editor), colour) << editor->objectName().toStdString();
    }
    std::string Label(const char* name) { return Find<QLabel>(name)->text().toStdString(); }
    void Type(const char* control, const char* text) {
        auto* widget = Find<QWidget>(control);
        widget->setFocus();
        QTest::keyClicks(widget, QString::fromUtf8(text));
    }
    void FillRequired() {
        Type("dbeFirstName", "Ann");
        Type("dbeLastName", "Baker");
        Find<TDBComboBox>("dbcbEvent")->hidePopup();
        Type("dbcbEvent", "Birthday");
        Find<TDBComboBox>("dbcbEvent")->hidePopup();
    }
};

TEST_F(MainWindow, EmptyFolderStartsWithTheEmptyDefaultTableAndNoMonthWindow) {
    bool monthWindow = HandleNextModal([](QDialog&) {}, [this] { Start(); }, 300);
    EXPECT_FALSE(monthWindow);
    EXPECT_EQ(fs::file_size(folder / "Hollin.DAT"), 13183u);
    EXPECT_EQ(Main().windowTitle().toStdString(), "HollinData");
    EXPECT_EQ(Main().centralWidget()->size(), QSize(536, 396));
    EXPECT_EQ(Main().minimumSize(), Main().maximumSize());  // not resizable
    EXPECT_EQ(Label("lblTableName"), "Hollin.dat");
    EXPECT_EQ(Label("lblDate"), "12/10/2026");
    EXPECT_EQ(Label("lblRecNo"), "Table is Empty");
    EXPECT_TRUE(FocusIsIn(Main().dbnMain));
    EXPECT_EQ(Find<QWidget>("DBJPEGImage1")->geometry(), QRect(336, 207, 185, 169));
    EXPECT_EQ(Find<QWidget>("dbeEmail")->geometry(), QRect(351, 146, 121, 27));
    EXPECT_FALSE(Find<QWidget>("sbTools")->isEnabled());
    EXPECT_TRUE(Find<QWidget>("sbEvents")->isEnabled());
    EXPECT_TRUE(MessageTexts().empty());
}

TEST_F(MainWindow, ATableWithRecordsOpensThisMonthsEventsFirst) {
    AddRecord("Zed", "Young", "Birthday", EncodeDate(1984, 12, 10));
    AddRecord("Ann", "Baker", "Passing", EncodeDate(2016, 5, 1));
    std::string title;
    int rows = -1;
    bool shown = HandleNextModal(
        [&](QDialog& dialog) {
            title = dialog.windowTitle().toStdString();
            rows = Dm2().Larchq.RecordCount();
            EXPECT_NE(qobject_cast<TfrmNextLastMo*>(&dialog), nullptr);
        },
        [this] { Start(); });
    EXPECT_TRUE(shown);
    EXPECT_EQ(title, "Events this month");
    EXPECT_EQ(rows, 1);
    EXPECT_EQ(Label("lblRecNo"), "Record 1 of 2");
    EXPECT_EQ(Label("lblETitle"), "Ann Passed 10 years ago.");
    EXPECT_EQ(TfrmNextLastMo::Instance(), nullptr);
}

TEST_F(MainWindow, InsertTurnsTheFieldsWhiteAndCancelTurnsThemBack) {
    Start();
    ExpectEditorColour(ButtonFace());
    ClickNavigator("nbInsert");
    ExpectEditorColour(kWhite);
    EXPECT_EQ(Label("lblMode"), "Inserting");
    EXPECT_EQ(Find<TDBDateEdit>("dbdeMain")->text().toStdString(), "12/10/2026");
    ClickNavigator("nbCancel");
    ExpectEditorColour(ButtonFace());
    EXPECT_EQ(Label("lblMode"), "");
    EXPECT_TRUE(FocusIsIn(Main().dbnMain));
}

TEST_F(MainWindow, TypingWhileBrowsingChangesNothing) {
    AddRecord("Ann", "Baker", "Birthday", EncodeDate(1990, 1, 1));
    HandleNextModal([](QDialog&) {}, [this] { Start(); }, 300);
    Type("dbeFirstName", "XYZ");
    Type("dbmMain", "notes");
    EXPECT_EQ(Find<TDBEdit>("dbeFirstName")->text().toStdString(), "Ann");
    EXPECT_EQ(Dm2().Larchtbl.State(), dsBrowse);
    EXPECT_EQ(Dm2().Larchtbl.FieldByName("FirstName").AsString(), "Ann");
}

TEST_F(MainWindow, PostWithoutALastNameFocusesItAndStaysInInsert) {
    Start();
    ClickNavigator("nbInsert");
    Type("dbeFirstName", "Ann");
    ClickNavigator("nbPost");
    EXPECT_EQ(MessageTexts(), std::vector<std::string>{"Field 'LastName' must have a value"});
    EXPECT_EQ(Dm2().Larchtbl.State(), dsInsert);
    EXPECT_TRUE(FocusIsIn(Find<QWidget>("dbeLastName")));
    ExpectEditorColour(kWhite);  // the failed Post ran no colour rule
    EXPECT_EQ(Find<TDBEdit>("dbeFirstName")->text().toStdString(), "Ann");
}

// Tabbing into the event opens its list on the first entry; the typed event
// reaches the box and Tab goes on to the date.
TEST_F(MainWindow, TabbingIntoTheEventOpensItsListAndTypingReachesTheBox) {
    Start();
    Main().activateWindow();
    QApplication::setActiveWindow(&Main());
    ClickNavigator("nbInsert");
    auto* event = Find<TDBComboBox>("dbcbEvent");
    Type("dbeLastName", "Baker");
    QTest::keyClick(Find<QWidget>("dbeLastName"), Qt::Key_Tab);
    ASSERT_TRUE(QTest::qWaitFor([&] { return event->view()->isVisible(); }));
    EXPECT_EQ(event->view()->currentIndex().row(), 0);
    auto receiver = [] {
        QWidget* popup = QApplication::activePopupWidget();
        return popup != nullptr ? popup->focusWidget() : QApplication::focusWidget();
    };
    for (const QChar c : QStringLiteral("Graduation")) QTest::keyClicks(receiver(), QString(c));
    QTest::keyClick(receiver(), Qt::Key_Tab);
    EXPECT_FALSE(event->view()->isVisible());
    EXPECT_TRUE(FocusIsIn(Find<QWidget>("dbdeMain")));
    EXPECT_EQ(Dm2().Larchtbl.FieldByName("Event").AsString(), "Graduation");
}

// An impossible date is refused by name, the record stays inserted with the
// text and the focus in the box; an emptied box then posts today.
TEST_F(MainWindow, AnImpossibleDateIsRefusedAndAnEmptiedBoxPostsToday) {
    Start();
    ClickNavigator("nbInsert");
    FillRequired();
    auto* date = Find<TDBDateEdit>("dbdeMain");
    date->setFocus();
    date->selectAll();
    QTest::keyClicks(date, QStringLiteral("13/45/2001"));
    ClickNavigator("nbPost");
    EXPECT_EQ(MessageTexts(), std::vector<std::string>{"13/45/2001 is not a valid date"});
    EXPECT_EQ(Dm2().Larchtbl.State(), dsInsert);
    ExpectEditorColour(kWhite);
    EXPECT_EQ(date->text(), "13/45/2001");
    EXPECT_TRUE(date->hasFocus());
    EXPECT_TRUE(StoredFirstNames(folder.path()).empty());

    date->selectAll();
    QTest::keyClick(date, Qt::Key_Backspace);
    ClickNavigator("nbPost");
    EXPECT_TRUE(MessageTexts().empty());
    EXPECT_EQ(Dm2().Larchtbl.State(), dsBrowse);
    ExpectEditorColour(ButtonFace());
    EXPECT_EQ(Dm2().Larchtbl.FieldByName("EventDate").AsDate(), EncodeDate(2026, 12, 10));
    EXPECT_EQ(StoredFirstNames(folder.path()), std::vector<std::string>{"Ann"});
    EXPECT_EQ(Label("lblRecNo"), "Record 1 of 1");
    EXPECT_EQ(Label("lblETitle"), "Ann is 0 years old.");
}

TEST_F(MainWindow, NextWhileEditingPostsTheChangeAndKeepsTheColours) {
    AddRecord("Ann", "Baker", "Birthday", EncodeDate(1990, 1, 1));
    AddRecord("Bob", "Clark", "Birthday", EncodeDate(1991, 1, 1));
    HandleNextModal([](QDialog&) {}, [this] { Start(); }, 300);
    ClickNavigator("nbEdit");
    auto* first = Find<TDBEdit>("dbeFirstName");
    first->setFocus();
    first->selectAll();
    QTest::keyClicks(first, QStringLiteral("Amy"));
    ClickNavigator("nbNext");
    EXPECT_EQ(Dm2().Larchtbl.FieldByName("FirstName").AsString(), "Bob");
    EXPECT_EQ(StoredFirstNames(folder.path()), (std::vector<std::string>{"Amy", "Bob"}));
    ExpectEditorColour(kWhite);
}

TEST_F(MainWindow, DeleteAsksAndCancelKeepsTheRecord) {
    AddRecord("Ann", "Baker", "Birthday", EncodeDate(1990, 1, 1));
    HandleNextModal([](QDialog&) {}, [this] { Start(); }, 300);
    SetNextAnswer(TMessageAnswer::Cancel);
    ClickNavigator("nbDelete");
    EXPECT_EQ(MessageTexts(), std::vector<std::string>{"Delete record?"});
    EXPECT_EQ(Dm2().Larchtbl.RecordCount(), 1);
    SetNextAnswer(TMessageAnswer::Ok);
    ClickNavigator("nbDelete");
    EXPECT_EQ(Dm2().Larchtbl.RecordCount(), 0);
    EXPECT_EQ(Label("lblRecNo"), "Table is Empty");
}

TEST_F(MainWindow, PhotoCommands) {
    Start();
    Main().addPhoto->trigger();  // browsing
    EXPECT_EQ(MessageTexts(), std::vector<std::string>{"You must be in Insert or Edit mode"});
    EXPECT_TRUE(TakeFileRequests().empty());

    hollin::testing::Bytes jpeg = hollin::testing::MakeJpeg({});
    const std::string path = folder / "photo.jpg";
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(jpeg.data()), jpeg.size());
    ClickNavigator("nbInsert");
    FillRequired();
    SetNextFileAnswer(path);
    Main().addPhoto->trigger();
    std::vector<TFileDialogRequest> requests = TakeFileRequests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].filter, "JPEG Image File (*.jpg)");
    EXPECT_TRUE(requests[0].picturePreview);
    ClickNavigator("nbPost");
    EXPECT_TRUE(MessageTexts().empty());

    auto reader = larch::testing::EventCursor(folder.path());
    reader->Open();
    auto stream = reader->CreateBlobStream(reader->FieldByName("Photo"), bmRead);
    EXPECT_EQ(stream->ReadRest(), jpeg);

    SetNextFileAnswer(std::nullopt);  // the user cancels: nothing changes
    ClickNavigator("nbEdit");
    Main().addPhoto->trigger();
    ClickNavigator("nbCancel");
    EXPECT_FALSE(Dm2().Larchtbl.FieldByName("Photo").IsNull());

    Main().ClearPhoto1->trigger();
    EXPECT_TRUE(MessageTexts().empty());
    EXPECT_EQ(Dm2().Larchtbl.State(), dsBrowse);
    EXPECT_TRUE(Dm2().Larchtbl.FieldByName("Photo").IsNull());
}

TEST_F(MainWindow, ClosingWhileEditingAsksAndNeverLosesTheInput) {
    AddRecord("Ann", "Baker", "Birthday", EncodeDate(1990, 1, 1));
    HandleNextModal([](QDialog&) {}, [this] { Start(); }, 300);

    // No: the change is dropped, the window closes.
    ClickNavigator("nbEdit");
    Type("dbeMiddleName", "Lee");
    SetNextAnswer(TMessageAnswer::No);
    EXPECT_TRUE(Main().close());
    EXPECT_EQ(MessageTexts(), std::vector<std::string>{"Post changes before closing ?"});
    EXPECT_FALSE(Dm2().Larchtbl.Active());
    auto reader = larch::testing::EventCursor(folder.path());
    reader->Open();
    EXPECT_TRUE(reader->FieldByName("MiddleName").IsNull());
    reader->Close();
    program.reset();

    // Yes: the change is stored.
    HandleNextModal([](QDialog&) {}, [this] { Start(); }, 300);
    ClickNavigator("nbEdit");
    Type("dbeMiddleName", "Lee");
    SetNextAnswer(TMessageAnswer::Yes);
    EXPECT_TRUE(Main().close());
    reader->Open();
    EXPECT_EQ(reader->FieldByName("MiddleName").AsString(), "Lee");
    reader->Close();
    program.reset();

    // A Post that fails keeps the window, the table and what was typed.
    HandleNextModal([](QDialog&) {}, [this] { Start(); }, 300);
    TakeShownMessages();
    ClickNavigator("nbInsert");
    Type("dbeFirstName", "Cy");
    SetNextAnswer(TMessageAnswer::Yes);
    EXPECT_FALSE(Main().close());
    EXPECT_EQ(MessageTexts(), (std::vector<std::string>{"Post changes before closing ?",
                                                        "Field 'LastName' must have a value"}));
    EXPECT_TRUE(Main().isVisible());
    EXPECT_EQ(Dm2().Larchtbl.State(), dsInsert);
    EXPECT_EQ(Find<TDBEdit>("dbeFirstName")->text().toStdString(), "Cy");
    // A second close asks again.
    SetNextAnswer(TMessageAnswer::No);
    EXPECT_TRUE(Main().close());
    EXPECT_EQ(MessageTexts(), std::vector<std::string>{"Post changes before closing ?"});
}

TEST_F(MainWindow, HelpContentsOpensTheHelpFileBesideTheExecutable) {
    Start();
    Main().Contents1->trigger();
    EXPECT_EQ(MessageTexts(), std::vector<std::string>{"Cannot find the help file " + (folder / "HN.HLP")});
    std::ofstream(folder / "HN.HLP") << "<html><body><h2><a name=\"contents\">Contents</a></h2>Help</body></html>";
    Main().Contents1->trigger();
    ASSERT_NE(Main().HelpWindow(), nullptr);
    EXPECT_TRUE(Main().HelpWindow()->isVisible());
    EXPECT_TRUE(Main().HelpWindow()->Browser()->toPlainText().contains(QStringLiteral("Contents")));
    EXPECT_TRUE(MessageTexts().empty());
}

}  // namespace
}  // namespace hollin::ui::testing
