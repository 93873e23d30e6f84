// Shows the print dialog and the previews of both reports over a small
// sample table and captures the screen after each (run under xvfb-run; the
// pictures go to the folder given as the first argument; a second folder
// gets both reports as PDF files). Not a test: the
// pictures are for a person to look at.
#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QPrintPreviewWidget>
#include <QThread>

#include <cstdlib>
#include <string>

#include "report/report_painter.h"
#include "report/report_preview.h"
#include "tests/photo/jpeg_fixtures.h"
#include "tests/report/report_fixture.h"
#include "views/frm_print.h"

namespace {

void Settle() {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < 700) {
        QApplication::processEvents();
        QThread::msleep(20);
    }
}

void Capture(const std::string& folder, const char* name) {
    Settle();
    const std::string command = "import -window root '" + folder + "/" + name + "'";
    if (std::system(command.c_str()) != 0) std::fprintf(stderr, "capture failed: %s\n", name);
}

hollin::testing::Person Sample(const char* first, const char* middle, const char* last, const char* event,
                               int year, int month, int day, const char* address, const char* city) {
    hollin::testing::Person p;
    p.first = first;
    p.middle = middle;
    p.last = last;
    p.event = event;
    p.date = hollin::EncodeDate(year, month, day);
    p.address = address;
    p.city = city;
    p.state = "IL";
    p.zip = "62701";
    p.phone = "217-555-0100";
    p.phoneFax = "217-555-0101";
    p.cellPhone = "217-555-0199";
    p.email = std::string(first) + "@example.com";
    p.website = "www.example.com";
    p.notes = "Likes gardening, long walks and family dinners on Sundays. "
              "Call before visiting; the doorbell does not work.";
    return p;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const std::string folder = argc > 1 ? argv[1] : ".";
    hollin::testing::ReportFixture f;
    const char* firsts[] = {"Anna", "Bill", "Carol", "David", "Emma", "Frank", "Grace", "Henry", "Irene", "Jack"};
    const char* lasts[] = {"Smith", "Jones", "Brown", "Miller", "Davis", "Wilson", "Moore", "Taylor", "White", "Clark"};
    const char* events[] = {"Birthday", "Anniversary", "Passing"};
    for (int i = 0; i < 10; ++i) {
        hollin::testing::Person p = Sample(firsts[i], i % 3 == 1 ? "" : "J", lasts[i], events[i % 3], 1950 + i * 5,
                                           1 + i, 3 + i, i == 4 ? "" : "12 Main Street", "Springfield");
        if (i % 4 != 3) p.photo = hollin::testing::MakePhoto(i % 2 ? 300 : 400, i % 2 ? 400 : 300);
        if (i == 0) p.photo = hollin::testing::MakePhonePortraitJpeg();
        f.Add(p);
    }

    hollin::TfrmPrint dialog(*f.rb);
    dialog.show();
    Capture(folder, "report-print-dialog.png");
    dialog.hide();

    struct Shot {
        hollin::report::TReport* report;
        const char* name;
    };
    for (const Shot& shot : {Shot{&f.rb->ppReport2, "report-preview-list.png"},
                             Shot{&f.rb->ppReport1, "report-preview-detailed.png"}}) {
        hollin::report::SetPreviewHookForTesting([&](hollin::report::TReportPreview& preview) {
            preview.move(0, 0);
            preview.show();
            preview.Preview()->fitToWidth();
            Capture(folder, shot.name);
        });
        hollin::report::ShowPreview(*shot.report);
    }
    // The detailed report moved to its last page: the toolbar names it.
    hollin::report::SetPreviewHookForTesting([&](hollin::report::TReportPreview& preview) {
        preview.move(0, 0);
        preview.show();
        preview.Preview()->fitInView();
        preview.findChild<QAction*>("actLastPage")->trigger();
        Capture(folder, "report-preview-detailed-last-page.png");
    });
    hollin::report::ShowPreview(f.rb->ppReport1);
    hollin::report::SetPreviewHookForTesting({});
    // With a second folder: both reports as PDF files too, to look at their pages.
    if (argc > 2) {
        hollin::report::WritePdfFile(f.rb->ppReport1, std::string(argv[2]) + "/detailed.pdf");
        hollin::report::WritePdfFile(f.rb->ppReport2, std::string(argv[2]) + "/list.pdf");
    }
    return 0;
}
