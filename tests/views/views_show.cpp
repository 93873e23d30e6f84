// Shows one secondary window over a small sample table, for a person's look
// (screenshots under xvfb): views_show filter|search|grid|notes|photo|tables|newtable|about [ms];
// VIEWS_SHOW_PHOTO names a JPEG file for the first record's photo.
#include <QApplication>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "data/dm2.h"
#include "dataset/date_time.h"
#include "tests/engine/test_folder.h"
#include "tests/support/event_cursor.h"
#include "views/frm_about.h"
#include "views/frm_a_tables.h"
#include "views/frm_filter.h"
#include "views/frm_grid.h"
#include "views/frm_gv_notes.h"
#include "views/frm_gv_photo.h"
#include "views/frm_new_table.h"
#include "views/frm_search.h"

using namespace hollin;
using namespace hollin::ui;

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Hollin"));
    if (argc < 2) {
        std::fprintf(stderr, "usage: views_show WINDOW [milliseconds]\n");
        return 2;
    }
    const std::string which = argv[1];
    const int ms = argc > 2 ? std::atoi(argv[2]) : 3000;
    larch::testing::TestFolder folder;
    Tdm2 dm2(folder.path());
    dm2.dm2Create();
    larch::testing::AddEvent(dm2.Larchtbl, "Ann", "Adams", "Birthday", EncodeDate(1980, 3, 7));
    larch::testing::AddEvent(dm2.Larchtbl, "Bob", "Brown", "Passing", EncodeDate(2001, 11, 2));
    larch::testing::AddEvent(dm2.Larchtbl, "Cleo", "Clark", "Anniversary", EncodeDate(1999, 6, 12));
    dm2.Larchtbl.First();
    dm2.Larchtbl.Edit();
    dm2.Larchtbl.FieldByName("Notes").SetAsString("Likes tea and long walks.");
    if (const char* photo = std::getenv("VIEWS_SHOW_PHOTO")) dm2.LoadPhotoFromFile(photo);
    dm2.Larchtbl.Post();

    QWidget owner;
    std::unique_ptr<QDialog> window;
    if (which == "filter") window = std::make_unique<TfrmFilter>(dm2, &owner);
    if (which == "search") window = std::make_unique<TfrmSearch>(dm2, &owner);
    if (which == "grid") window = std::make_unique<TfrmGrid>(dm2, &owner);
    if (which == "notes") window = std::make_unique<TfrmGVNotes>(dm2, &owner);
    if (which == "photo") window = std::make_unique<TfrmGVPhoto>(dm2, &owner);
    if (which == "tables") window = std::make_unique<TfrmATables>(dm2, &owner);
    if (which == "newtable") window = std::make_unique<TfrmNewTable>(dm2, &owner);
    if (which == "about") window = std::make_unique<TfrmAbout>(&owner);
    if (!window) {
        std::fprintf(stderr, "unknown window %s\n", which.c_str());
        return 2;
    }
    QTimer::singleShot(ms, window.get(), &QDialog::reject);
    window->exec();
    return 0;
}
