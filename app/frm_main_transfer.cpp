// The main window's File items for other programs' files: Import... adds the
// records of a vCard or CSV file to the open table (one batch, a progress
// dialog for long files, the result in one information box); Export...
// writes what the cursor shows as vCard, iCalendar or CSV.
#include <QProgressDialog>
#include <memory>

#include "app/frm_main.h"
#include "cli/export_command.h"
#include "cli/picture_to_jpeg.h"
#include "controls/file_dialog.h"
#include "controls/message_box.h"
#include "data/dm2.h"
#include "data/transfer_files.h"
#include "data/vcard_import.h"
#include "dataset/date_time.h"
#include "views/frm_export_calendar.h"

namespace hollin::ui {

namespace {

constexpr const char* kImportFilter = "vCard (*.vcf);;CSV (*.csv)";
constexpr const char* kExportFilter = "vCard (*.vcf);;Calendar (*.ics);;CSV (*.csv)";

}  // namespace

void TfrmMain::Import1Click() {
    m_dm2->FinishEditing();
    TFileDialogRequest request;
    request.caption = "Import";
    request.filter = kImportFilter;
    const std::optional<std::string> path = RunFileDialog(request, this);
    if (!path) return;
    const std::optional<TTransferFormat> format = FormatOfFile(*path);
    if (!format || *format == TTransferFormat::ICalendar) {
        ShowMessageBox(TMessageKind::Warning, "Import takes a vCard (.vcf) or CSV (.csv) file.");
        return;
    }
    const std::string text = ReadWholeFile(*path);
    // A cursor of the import's own: the window's filter and position stay.
    auto table = OpenTableForImport(m_dm2->Folder(), m_dm2->Larchtbl.TableName());
    QProgressDialog progress(QStringLiteral("Importing..."), QString(), 0, 100, this);
    progress.setObjectName(QStringLiteral("frmImportProgress"));
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(500);
    TPictureToJpeg converter;
    TImportReport report;
    try {
        report = ImportText(*table, *format, text, &converter, [&](int done, int total) {
            if (done % 100 == 0 || done == total) {
                progress.setMaximum(total);
                progress.setValue(done);
            }
        });
    } catch (const std::exception& e) {
        throw std::runtime_error(std::string("Nothing was imported: ") + e.what());
    }
    table.reset();
    m_dm2->Larchtbl.Refresh();
    ShowInformationWithDetails(report.Summary() + ".", report.Details(), this);
}

void TfrmMain::Export1Click() {
    m_dm2->FinishEditing();
    TFileDialogRequest request;
    request.kind = TFileDialogRequest::Kind::SaveFile;
    request.caption = "Export";
    request.filter = kExportFilter;
    const std::optional<std::string> path = RunFileDialog(request, this);
    if (!path) return;
    const std::optional<TTransferFormat> format = FormatOfFile(*path);
    if (!format) {
        ShowMessageBox(TMessageKind::Warning, "Export writes a vCard (.vcf), Calendar (.ics) or CSV (.csv) file.");
        return;
    }
    TICalendarOptions ics;
    ics.calendarName = m_dm2->Larchtbl.TableName();
    ics.today = Today();
    ics.stamp = UtcStamp();
    if (*format == TTransferFormat::ICalendar) {
        auto window = std::make_unique<TfrmExportCalendar>(this);
        if (window->exec() != QDialog::Accepted) return;
        ics.ages = window->Ages();
        ics.remindDays = window->RemindDays();
    }
    int count = 0;
    const std::string text = ExportText(m_dm2->Larchtbl, *format, ics, count);
    WriteExportFile(*path, text);
    ShowInformation("Exported " + std::to_string(count) + (count == 1 ? " record" : " records") + " to " + *path +
                    ".");
}

}  // namespace hollin::ui
