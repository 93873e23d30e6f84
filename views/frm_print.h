// TfrmPrint: the print dialog. One row runs the list report, the other the
// detailed report; each opens the report's modal preview, and the dialog
// stays open afterwards.
#pragma once

#include <QDialog>

class QAction;
class QLabel;
class QToolBar;
class QToolButton;
class QWidget;

namespace hollin {

class TfrmRB;

class TfrmPrint : public QDialog {
    Q_OBJECT

public:
    // frmRB: the report holder whose reports the dialog runs.
    explicit TfrmPrint(TfrmRB& frmRB, QWidget* parent = nullptr);
    ~TfrmPrint() override;

    QAction* Exit1 = nullptr;
    QToolBar* tbPrint = nullptr;
    QToolButton* sbClosePrint = nullptr;
    QWidget* pnlPrint = nullptr;
    QToolButton* sbPrint = nullptr;
    QLabel* Label1 = nullptr;
    QToolButton* SpeedButton1 = nullptr;
    QLabel* Label2 = nullptr;

    void sbPrintClick();
    void SpeedButton1Click();
    void Exit1Click();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void FormShow();
    void FormClose();
    void FormDestroy();

    TfrmRB& m_frmRB;
};

// The dialog's instance while it exists; set by its opener, cleared when the
// dialog is destroyed.
inline TfrmPrint* frmPrint = nullptr;

}  // namespace hollin
