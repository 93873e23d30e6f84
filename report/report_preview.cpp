// The print preview window and its commands.
#include "report/report_preview.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QPrintDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QProgressDialog>
#include <QScreen>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>

#include "controls/error_handler.h"
#include "controls/file_dialog.h"
#include "controls/message_box.h"
#include "controls/wait_cursor.h"
#include "report/picture_decoder.h"
#include "report/report_definition.h"
#include "report/report_painter.h"
#include "report/report_text_writer.h"

namespace hollin::report {

namespace {

std::function<void(TReportPreview&)>& PreviewHook() {
    static std::function<void(TReportPreview&)> hook;
    return hook;
}

}  // namespace

TReportPreview::TReportPreview(TReport& report, QWidget* parent)
    : QDialog(parent), m_report(report), m_printer(std::make_unique<QPrinter>(QPrinter::HighResolution)) {
    setObjectName(QStringLiteral("ppPreview"));
    setWindowTitle(QStringLiteral("Print Preview"));
    if (!report.page.printerName.empty()) m_printer->setPrinterName(QString::fromStdString(report.page.printerName));
    ApplyPageSetup(report.page, *m_printer);

    auto* toolBar = new QToolBar(this);
    toolBar->setObjectName(QStringLiteral("tbPreview"));
    toolBar->setToolButtonStyle(Qt::ToolButtonTextOnly);
    auto addAction = [&](const char* name, const QString& text, auto handler) {
        QAction* action = toolBar->addAction(text);
        action->setObjectName(QString::fromLatin1(name));
        connect(action, &QAction::triggered, this, [this, handler] { ui::RunGuarded([&] { handler(); }); });
        return action;
    };
    addAction("actPrint", QStringLiteral("&Print..."), [this] { PrintClick(); });
    addAction("actSavePdf", QStringLiteral("Save as P&DF..."), [this] { SavePdfClick(); });
    if (report.allowTextFile) addAction("actSaveText", QStringLiteral("Save as &Text..."), [this] { SaveTextClick(); });
    toolBar->addSeparator();
    addAction("actFirstPage", QStringLiteral("|<"), [this] { ShowPage(1); });
    addAction("actPriorPage", QStringLiteral("<"), [this] { ShowPage(m_preview->currentPage() - 1); });
    m_pageLabel = new QLabel(toolBar);
    m_pageLabel->setObjectName(QStringLiteral("lblPage"));
    m_pageLabel->setContentsMargins(6, 0, 6, 0);
    toolBar->addWidget(m_pageLabel);
    addAction("actNextPage", QStringLiteral(">"), [this] { ShowPage(m_preview->currentPage() + 1); });
    addAction("actLastPage", QStringLiteral(">|"), [this] { ShowPage(m_preview->pageCount()); });
    toolBar->addSeparator();
    addAction("actZoomIn", QStringLiteral("Zoom &In"), [this] { m_preview->zoomIn(); });
    addAction("actZoomOut", QStringLiteral("Zoom &Out"), [this] { m_preview->zoomOut(); });
    addAction("actFitWidth", QStringLiteral("Page &Width"), [this] { m_preview->fitToWidth(); });
    addAction("actWholePage", QStringLiteral("W&hole Page"), [this] { m_preview->fitInView(); });
    toolBar->addSeparator();
    addAction("actClose", QStringLiteral("&Close"), [this] { reject(); });

    m_preview = new QPrintPreviewWidget(m_printer.get(), this);
    m_preview->setObjectName(QStringLiteral("ppViewer"));
    connect(m_preview, &QPrintPreviewWidget::paintRequested, this, &TReportPreview::PaintRequested);
    connect(m_preview, &QPrintPreviewWidget::previewChanged, this, &TReportPreview::UpdatePageLabel);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(toolBar);
    layout->addWidget(m_preview, 1);

    // Most of the screen, so a page is readable at once.
    const QRect screen = QApplication::primaryScreen() != nullptr ? QApplication::primaryScreen()->availableGeometry()
                                                                  : QRect(0, 0, 1024, 768);
    resize(screen.width() * 3 / 4, screen.height() * 9 / 10);
}

TReportPreview::~TReportPreview() = default;

int TReportPreview::PageCount() const { return m_preview->pageCount(); }

void TReportPreview::PaintRequested(QPrinter* printer) {
    // Qt calls this from its own paint machinery: nothing may escape.
    ui::RunGuarded([&] {
        const TPaintResult result = PaintReport(m_report, *printer);
        ReportUndecodedPictures(result.undecodedPictures);
    });
}

void TReportPreview::ReportUndecodedPictures(int count) {
    if (count == 0 || m_pictureWarningShown) return;
    m_pictureWarningShown = true;
    // After the preview has finished painting, once per preview.
    QTimer::singleShot(0, this, [text = UndecodedPicturesText(count)] {
        ui::ShowMessageBox(ui::TMessageKind::Warning, text);
    });
}

void TReportPreview::ShowPage(int pageNo) {
    // The widget tells of a page change only when the user scrolls, not when
    // it is moved to a page.
    m_preview->setCurrentPage(pageNo);
    UpdatePageLabel();
}

void TReportPreview::UpdatePageLabel() {
    m_pageLabel->setText(QStringLiteral("Page %1 of %2").arg(m_preview->currentPage()).arg(m_preview->pageCount()));
}

void TReportPreview::PrintClick() {
    QPrintDialog dialog(m_printer.get(), this);
    dialog.setWindowTitle(QStringLiteral("Print"));
    if (dialog.exec() != QDialog::Accepted) return;
    QProgressDialog progress(QStringLiteral("Printing %1...").arg(QString::fromStdString(m_report.page.documentName)),
                             QStringLiteral("Cancel"), 0, 0, this);
    progress.setWindowTitle(QStringLiteral("Printing"));
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(0);
    try {
        const TPaintResult result = PaintReport(
            m_report, *m_printer, kDefaultPhotoDpi,
            [&](int pageNo, int pageCount) {
                progress.setMaximum(pageCount);
                progress.setValue(pageNo);
                QCoreApplication::processEvents();
                return !progress.wasCanceled();
            },
            [this] { m_printer->abort(); });
        ReportUndecodedPictures(result.undecodedPictures);
    } catch (const TOutputCancelled&) {
        // Aborted before the painter ended, so an engine that can drop a job
        // sends nothing partial (Qt's PDF and CUPS engines cannot: their
        // abort refuses and the pages painted so far still go out).
    }
}

void TReportPreview::SavePdfClick() {
    ui::TFileDialogRequest request;
    request.kind = ui::TFileDialogRequest::Kind::SaveFile;
    request.caption = "Save as PDF";
    request.filter = "PDF File (*.pdf)";
    request.defaultName = m_report.page.documentName + ".pdf";
    const auto path = ui::RunFileDialog(request, this);
    if (!path) return;
    TPaintResult result;
    {
        ui::TWaitCursor hourglass;
        result = WritePdfFile(m_report, *path);
    }
    ReportUndecodedPictures(result.undecodedPictures);
}

void TReportPreview::SaveTextClick() {
    ui::TFileDialogRequest request;
    request.kind = ui::TFileDialogRequest::Kind::SaveFile;
    request.caption = "Print to Text File";
    request.filter = "Text File (*.txt)";
    request.defaultName = m_report.textFileName;
    const auto path = ui::RunFileDialog(request, this);
    if (!path) return;
    ui::TWaitCursor hourglass;
    WriteTextFile(m_report, *path);
}

void ShowPreview(TReport& report, QWidget* parent) {
    ui::RunGuarded([&] {
        TReportPreview preview(report, parent);
        if (PreviewHook()) {
            PreviewHook()(preview);
        } else {
            preview.exec();
        }
    });
}

void SetPreviewHookForTesting(std::function<void(TReportPreview&)> hook) { PreviewHook() = std::move(hook); }

}  // namespace hollin::report
