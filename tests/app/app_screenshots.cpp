// Takes the screenshots of the README: the main window on an empty table,
// on a record with a photo, while inserting, and the events-by-month window;
// the event list opened on entry, a date refused, a phone's portrait photo
// in the main window and the grid's photo viewer, a name typed into the
// new-table dialog after a click into its box, the upcoming-events window
// and the calendar as a PDF file.
// Run under xvfb-run: app_screenshots OUTDIR.
#include <QApplication>
#include <QScreen>
#include <QTest>
#include <QDir>
#include <QThread>
#include <QTimer>
#include <cmath>
#include <fstream>
#include <iostream>

#include "app/start_up.h"
#include "controls/db_combo_box.h"
#include "controls/db_date_edit.h"
#include "controls/db_edit.h"
#include "controls/db_navigator.h"
#include "views/table_name_edit.h"
#include "controls/message_box.h"
#include "data/calendar_layout.h"
#include "data/dm2.h"
#include "dataset/date_time.h"
#include "tests/engine/test_folder.h"
#include "tests/photo/jpeg_fixtures.h"
#include "tests/support/event_cursor.h"
#include "views/frm_gv_photo.h"
#include "views/frm_new_table.h"
#include "views/frm_next_last_mo.h"
#include "views/calendar_painter.h"
#include "views/frm_upcoming.h"
#include "views/frm_export_calendar.h"
#include "controls/file_dialog.h"
#include <QMessageBox>
#include <QAbstractButton>
#include <QCheckBox>
#include <QRadioButton>

namespace {

using namespace hollin;
using namespace hollin::ui;

void Settle() {
    for (int i = 0; i < 20; ++i) {
        QApplication::processEvents();
        QThread::msleep(10);
    }
}

void Save(QWidget& widget, const QString& path) {
    Settle();
    widget.grab().save(path);
    std::cout << path.toStdString() << "\n";
}

// The whole screen, for what a window's own picture leaves out: an open
// drop-down list, a message box over the window.
// Taken over the window's area.
void SaveScreen(const QWidget& window, const QString& path) {
    Settle();
    const QRect area = window.frameGeometry();
    QGuiApplication::primaryScreen()->grabWindow(0, area.x(), area.y(), area.width(), area.height()).save(path);
    std::cout << path.toStdString() << "\n";
}

// A small landscape: sky, sun, hills.
QRgb Landscape(int x, int y) {
    const double sun = std::hypot(x - 300.0, y - 80.0);
    if (sun < 45) return qRgb(250, 210, 60);
    const double hill = 230 + 40 * std::sin(x / 70.0);
    if (y > hill) return qRgb(40 + y / 8, 120 + (x % 40), 50);
    return qRgb(120 + y / 4, 170 + y / 6, 235);
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Hollin"));
    SetTestMode(true);
    const QString out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");
    QDir().mkpath(out);
    larch::testing::TestFolder folder;

    {
        auto program = StartProgram(folder.path(), folder.path() + "/");
        program->frmMain->show();
        Save(*program->frmMain, out + "/main-empty.png");
    }

    Tdm2::CreateTables(folder.path());
    {
        auto table = larch::testing::EventCursor(folder.path());
        table->Open();
        const int32_t today = Today();
        const TDateParts now = DecodeDate(today);
        hollin::testing::JpegFixture picture;
        picture.Width = 400;
        picture.Height = 300;
        hollin::testing::Bytes photo = hollin::testing::MakeJpeg(picture, Landscape);
        table->Insert();
        table->FieldByName("FirstName").SetAsString("Margaret");
        table->FieldByName("MiddleName").SetAsString("Rose");
        table->FieldByName("LastName").SetAsString("Whitfield");
        table->FieldByName("Event").SetAsString("Birthday");
        table->FieldByName("EventDate").SetAsDate(EncodeDate(1952, now.month, 3));
        table->FieldByName("Phone").SetAsString("555-0142");
        table->FieldByName("CellPhone").SetAsString("555-0199");
        table->FieldByName("Email").SetAsString("maggie@example.org");
        table->FieldByName("Address").SetAsString("12 Orchard Lane");
        table->FieldByName("Website").SetAsString("www.example.org/maggie");
        table->FieldByName("City").SetAsString("Millbrook");
        table->FieldByName("State").SetAsString("VT");
        table->FieldByName("Zip").SetAsString("05401");
        table->FieldByName("Notes").SetAsString("Loves roses and crosswords.\nCall before noon.");
        auto stream = table->CreateBlobStream(table->FieldByName("Photo"), bmWrite);
        stream->WriteBuffer(photo.data(), photo.size());
        stream.reset();
        table->Post();
        larch::testing::AddEvent(*table, "Thomas", "Whitfield", "Anniversary", EncodeDate(1975, now.month, 21));
        larch::testing::AddEvent(*table, "Harold", "Pike", "Passing", EncodeDate(2009, now.month % 12 + 1, 2));
        const hollin::testing::Bytes portrait = hollin::testing::MakePhonePortraitJpeg();
        table->Insert();
        table->FieldByName("FirstName").SetAsString("Zoe");
        table->FieldByName("LastName").SetAsString("Pike");
        table->FieldByName("Event").SetAsString("Birthday");
        table->FieldByName("EventDate").SetAsDate(EncodeDate(2015, now.month % 12 + 1, 9));
        auto portraitStream = table->CreateBlobStream(table->FieldByName("Photo"), bmWrite);
        portraitStream->WriteBuffer(portrait.data(), portrait.size());
        portraitStream.reset();
        table->Post();
    }
    {
        auto program = StartProgram(folder.path(), folder.path() + "/");
        QTimer::singleShot(400, [&] {
            if (auto* month = TfrmNextLastMo::Instance()) {
                Save(*month, out + "/month-window.png");
                month->reject();
            }
        });
        program->frmMain->show();
        for (int i = 0; i < 80; ++i) Settle();  // the month window comes and goes
        program->dm2->Larchtbl.Locate("FirstName", {TFieldValue(std::string("Margaret"))});
        Save(*program->frmMain, out + "/main-record.png");
        program->frmMain->dbnMain->BtnClick(TNavigateBtn::nbInsert);
        Save(*program->frmMain, out + "/main-inserting.png");
        TfrmMain& main = *program->frmMain;
        // Tabbing into the event: its list opens on the first entry. (No
        // window manager under xvfb: the window is made active by hand.)
        main.activateWindow();
        QApplication::setActiveWindow(&main);
        Settle();
        main.dbeLastName->setFocus(Qt::TabFocusReason);
        QTest::keyClick(main.dbeLastName, Qt::Key_Tab);
        SaveScreen(main, out + "/main-event-list.png");
        QWidget* popup = QApplication::activePopupWidget();
        QWidget* receiver = popup != nullptr && popup->focusWidget() != nullptr ? popup->focusWidget() : popup;
        if (receiver == nullptr) std::cerr << "the event list did not open\n";
        QTest::keyClicks(receiver != nullptr ? receiver : main.dbcbEvent, QStringLiteral("G"));
        QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("raduation"));
        // A date that does not exist is refused by name; the box keeps it.
        main.dbdeMain->setFocus(Qt::TabFocusReason);
        main.dbdeMain->selectAll();
        QTest::keyClicks(main.dbdeMain, QStringLiteral("02/30/2020"));
        main.dbeFirstName->setFocus(Qt::TabFocusReason);
        QTest::keyClicks(main.dbeFirstName, QStringLiteral("Ada"));
        main.dbeLastName->setFocus(Qt::TabFocusReason);
        QTest::keyClicks(main.dbeLastName, QStringLiteral("Pike"));
        SetTestMode(false);
        QTimer::singleShot(600, [&] {
            SaveScreen(main, out + "/main-date-refused.png");
            if (QWidget* box = QApplication::activeModalWidget()) box->close();
        });
        main.dbnMain->BtnClick(TNavigateBtn::nbPost);
        SetTestMode(true);
        Save(main, out + "/main-date-kept.png");
        main.dbnMain->BtnClick(TNavigateBtn::nbCancel);

        // A phone's portrait shows upright, in the main window and the grid's viewer.
        program->dm2->Larchtbl.Locate("FirstName", {TFieldValue(std::string("Zoe"))});
        Save(main, out + "/main-record-portrait.png");
        {
            TfrmGVPhoto viewer(*program->dm2, &main);
            viewer.show();
            Save(viewer, out + "/grid-photo-portrait.png");
        }
        // A click into the middle of the empty name box, then typing.
        {
            TfrmNewTable dialog(*program->dm2, &main);
            dialog.show();
            Settle();
            QTest::mouseClick(dialog.medtNewTable, Qt::LeftButton, {}, QPoint(30, 10));
            QTest::keyClicks(dialog.medtNewTable, QStringLiteral("Work"));
            Save(dialog, out + "/new-table-typed.png");
        }
    }
    {
        // Events of the coming weeks, some of them round.
        auto table = larch::testing::EventCursor(folder.path());
        table->Open();
        const int32_t today = Today();
        auto yearsBack = [](int32_t day, int years) {
            const TDateParts parts = DecodeDate(day);
            return EncodeDate(parts.year - years, parts.month, parts.day == 29 && parts.month == 2 ? 28 : parts.day);
        };
        larch::testing::AddEvent(*table, "Ann", "Lee", "Anniversary", yearsBack(today, 25));
        larch::testing::AddEvent(*table, "Dave", "Smith", "Birthday", yearsBack(today + 3, 90));
        larch::testing::AddEvent(*table, "Lucy", "Pike", "Birthday", yearsBack(today + 1, 7));
        larch::testing::AddEvent(*table, "Rosa", "Marsh", "Graduation", yearsBack(today + 12, 10));
        larch::testing::AddEvent(*table, "Walter", "Pike", "Passing", yearsBack(today + 19, 4));
        // A crowded day, more than its calendar cell holds.
        const char* const crowd[] = {"Kim", "Lou", "Max", "Ned", "Ola", "Pia", "Quin", "Rex", "Sue"};
        for (int i = 0; i < 9; ++i) {
            larch::testing::AddEvent(*table, crowd[i], "Marsh", "Birthday", yearsBack(today + 5, 20 + i));
        }
    }
    {
        auto program = StartProgram(folder.path(), folder.path() + "/");
        QTimer::singleShot(400, [] {
            if (auto* month = TfrmNextLastMo::Instance()) month->reject();
        });
        program->frmMain->show();
        for (int i = 0; i < 40; ++i) Settle();
        QTimer::singleShot(400, [&] {
            if (auto* upcoming = TfrmUpcoming::Instance()) {
                Save(*upcoming, out + "/upcoming-window.png");
                upcoming->reject();
            }
        });
        program->frmMain->UpcomingEvents1->trigger();
        // The calendar of this year, for a page to be turned into a picture
        // (pdftoppm -f MONTH -l MONTH -png calendar.pdf calendar-page).
        const int year = DecodeDate(Today()).year;
        WriteCalendarPdf(EventsOfYear(program->dm2->Larchtbl, year), year, program->dm2->Larchtbl.TableName(),
                         (out + "/calendar.pdf").toStdString());
        std::cout << (out + "/calendar.pdf").toStdString() << "\n";

        // The calendar export's choices.
        TfrmExportCalendar choices(program->frmMain.get());
        choices.rbAges->setChecked(true);
        choices.cbRemind->setChecked(true);
        choices.show();
        Save(choices, out + "/export-calendar.png");
        choices.close();
        // The import's result box with its details shown, as the seam shows it on screen.
        TakeShownMessages();
        SetNextFileAnswer(std::string(HOLLIN_SOURCE_DIR) + "/tests/data/vcards/broken.vcf");
        program->frmMain->Import1->trigger();
        const std::vector<TShownMessage> shown = TakeShownMessages();
        if (!shown.empty()) {
            QMessageBox box(QMessageBox::Information, QStringLiteral("Information"),
                            QString::fromStdString(shown.back().text), QMessageBox::Ok, program->frmMain.get());
            box.setDetailedText(QString::fromStdString(shown.back().details));
            box.show();
            for (QAbstractButton* button : box.buttons()) {
                if (box.buttonRole(button) == QMessageBox::ActionRole) button->click();
            }
            Save(box, out + "/import-result.png");
        }
    }
    return 0;
}
