// Takes the screenshots of the README: the main window on an empty table,
// on a record with a photo, while inserting, and the events-by-month window.
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
#include "data/dm2.h"
#include "dataset/date_time.h"
#include "tests/engine/test_folder.h"
#include "tests/photo/jpeg_fixtures.h"
#include "tests/support/event_cursor.h"
#include "views/frm_next_last_mo.h"

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
    return 0;
}
