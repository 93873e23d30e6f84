// TReportPreview: the modal print preview of a report, with page navigation
// and zoom, printing through the printer dialog (with a cancel dialog while
// the pages go out), saving as PDF and, where the report allows it, writing
// a text file under the report's default name.
#pragma once

#include <functional>
#include <memory>

#include <QDialog>

class QLabel;
class QPrinter;
class QPrintPreviewWidget;

namespace hollin::report {

class TReport;

class TReportPreview : public QDialog {
    Q_OBJECT

public:
    TReportPreview(TReport& report, QWidget* parent = nullptr);
    ~TReportPreview() override;

    QPrintPreviewWidget* Preview() const { return m_preview; }
    int PageCount() const;

    // The commands of the toolbar. Each reports its own failures in a
    // message box (through the application's error handler).
    void PrintClick();
    void SavePdfClick();
    void SaveTextClick();

private:
    void PaintRequested(QPrinter* printer);
    // Moves the view to the page (1-based; out of range: no move) and names it.
    void ShowPage(int pageNo);
    void UpdatePageLabel();
    void ReportUndecodedPictures(int count);

    TReport& m_report;
    std::unique_ptr<QPrinter> m_printer;
    QPrintPreviewWidget* m_preview = nullptr;
    QLabel* m_pageLabel = nullptr;
    bool m_pictureWarningShown = false;
};

// Runs the report to the screen: generates it and shows the preview modally.
// Errors while generating reach the application's error handler; the caller
// goes on afterwards.
void ShowPreview(TReport& report, QWidget* parent = nullptr);

// Tests: ShowPreview hands the dialog to hook instead of showing it.
void SetPreviewHookForTesting(std::function<void(TReportPreview&)> hook);

}  // namespace hollin::report
