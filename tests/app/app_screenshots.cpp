// Takes the screenshots of the README: the main window on an empty table,
// on a record with a photo, while inserting, the events-by-month window and
// the upcoming-events window, and the calendar as a PDF file.
// Run under xvfb-run: app_screenshots OUTDIR.
#include <QApplication>
#include <QDir>
#include <QThread>
#include <QTimer>
#include <cmath>
#include <fstream>
#include <iostream>

#include "app/start_up.h"
#include "controls/message_box.h"
#include "data/calendar_layout.h"
#include "data/dm2.h"
#include "dataset/date_time.h"
#include "tests/engine/test_folder.h"
#include "tests/photo/jpeg_fixtures.h"
#include "tests/support/event_cursor.h"
#include "views/frm_next_last_mo.h"
#include "views/calendar_painter.h"
#include "views/frm_upcoming.h"

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
        program->frmMain->dbnMain->BtnClick(TNavigateBtn::nbCancel);
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
    }
    return 0;
}
