// TfrmMain: the main window. One record of the open table at a time in
// data-bound controls, the navigator in the toolbar, the status labels, the
// menus and the busy strip. Its handlers are thin: the data module does the
// work.
#pragma once

#include <QMainWindow>
#include <QPointer>
#include <string>

#include "app/help_window.h"
#include "controls/db_navigator.h"

class QAction;
class QFrame;
class QLabel;
class QMenu;
class QMenuBar;
class QToolBar;
class QToolButton;

namespace hollin {
class Tdm2;
class TJPEGFileCompressor;
class TJPEGFileDecompressor;
}  // namespace hollin

namespace hollin::ui {

class TAnimationPanel;
class TDBComboBox;
class TDBDateEdit;
class TDBEdit;
class TDBJPEGImage;
class TDBMemo;

class TfrmMain : public QMainWindow {
    Q_OBJECT

public:
    // helpFile: the full path of "HN.HLP" (HelpFilePath).
    explicit TfrmMain(std::string helpFile, QWidget* parent = nullptr);
    ~TfrmMain() override;

    // Binds the data-bound controls to the data module's ds1 and follows its
    // status texts (start-up, once the data module exists).
    void BindData(Tdm2& dm2);
    Tdm2* DataModule() const { return m_dm2; }

    // ---- handlers
    void FormShow();
    // Returns whether the window may close (see closeEvent).
    bool FormClose();
    void sbCloseClick();
    void Contents1Click();
    void dbnMainClick(TNavigateBtn button);
    void dbcbEventEnter();
    void addPhotoClick();
    void ClearPhoto1Click();
    void CreateTable1Click();
    void OpenTable1Click();
    void sbSearchClick();
    void sbFilterClick();
    void GridView1Click();
    void About1Click();
    void EmptyTable1Click();
    void sbResetClick();
    void NextLastMoEvents1Click();
    void sbPrintClick();
    void BackupTable1Click();
    void RestoreTable1Click();
    // Adds a vCard or CSV file's records to the open table.
    void Import1Click();
    // Writes what the cursor shows as vCard, iCalendar or CSV.
    void Export1Click();
    // Opens the upcoming-events window over the table.
    void UpcomingEvents1Click();
    // Writes or removes the autostart entry that notifies at login.
    void RemindMeatLogin1Click();
    // The check mark of "Remind Me at Login": whether the entry exists.
    void UpdateReminderCheck();

    // ---- components (names as other windows and tests know them)
    QMenuBar* mmMain = nullptr;
    QMenu *File1 = nullptr, *Print1 = nullptr, *Tools1 = nullptr, *Help1 = nullptr;
    QAction *Exit1 = nullptr, *OpenTable1 = nullptr, *Records1 = nullptr, *addPhoto = nullptr,
            *ClearPhoto1 = nullptr, *N2 = nullptr, *BackupTable2 = nullptr, *RestoreBackup1 = nullptr,
            *GridView1 = nullptr, *NextLastMoEvents1 = nullptr, *CreateTable1 = nullptr, *EmptyTable1 = nullptr,
            *Contents1 = nullptr, *About1 = nullptr;
    // Items added after the File menu's own.
    QAction *N4 = nullptr, *Import1 = nullptr, *Export1 = nullptr;
    // Items added after the Tools menu's own.
    QAction *N3 = nullptr, *UpcomingEvents1 = nullptr, *RemindMeatLogin1 = nullptr;

    QFrame* pnlMain = nullptr;
    TAnimationPanel* pnlAnimate = nullptr;
    QToolBar* tbMain = nullptr;
    QToolButton *sbClose = nullptr, *sbSpacer = nullptr, *sbPrint = nullptr, *sbTools = nullptr,
                *sbSpacer2 = nullptr, *sbSpacer3 = nullptr, *sbFilter = nullptr, *sbSearch = nullptr,
                *sbSpacer4 = nullptr, *sbReset = nullptr, *sbEvents = nullptr;
    TDBNavigator* dbnMain = nullptr;

    QLabel *lblTableLbl = nullptr, *lblTableName = nullptr, *lblRecNo = nullptr, *lblTodayDate = nullptr,
           *lblDate = nullptr, *lblMode = nullptr, *lblETitle = nullptr, *lblFName = nullptr,
           *lblMName = nullptr, *lblLName = nullptr, *lblEvent = nullptr, *lblEvntDate = nullptr,
           *lblPhone = nullptr, *lblPhoneFax = nullptr, *lblCellPhone = nullptr, *lblEmail = nullptr,
           *lblAddress = nullptr, *lblWebsite = nullptr, *lblCity = nullptr, *lblState = nullptr,
           *Label1 = nullptr, *lblNotes = nullptr;

    TDBEdit *dbeFirstName = nullptr, *dbeMiddleName = nullptr, *dbeLastName = nullptr, *dbePhone = nullptr,
            *dbePhoneFax = nullptr, *dbeCellPhone = nullptr, *dbeEmail = nullptr, *dbeAddress = nullptr,
            *dbeWebsite = nullptr, *dbeCity = nullptr, *dbeState = nullptr, *dbeZip = nullptr;
    TDBComboBox* dbcbEvent = nullptr;
    TDBDateEdit* dbdeMain = nullptr;
    TDBMemo* dbmMain = nullptr;
    TDBJPEGImage* DBJPEGImage1 = nullptr;

    TJPEGFileCompressor* JPEGFileCompressor1 = nullptr;
    TJPEGFileDecompressor* JPEGFileDecompressor1 = nullptr;

    // The window's help window, while one is open.
    THelpWindow* HelpWindow() const { return m_helpWindow; }
    const std::string& HelpFile() const { return m_helpFile; }

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void CreateMenu();
    void CreateToolbar();
    void CreateLabels();
    void CreateEditors();
    // White while a record may be typed into, the button face otherwise.
    void SetEditorColour(const QColor& colour);
    QList<QWidget*> Editors() const;
    void ShowStatusTexts();
    void OpenEventsByMonth();
    // "Maximum table limit reached" when the folder holds 99 tables.
    bool TableLimitReached();

    Tdm2* m_dm2 = nullptr;
    std::string m_helpFile;
    QPointer<THelpWindow> m_helpWindow;
    bool m_shown = false;
};

// Sets a label's text and fits the label to it, as a caption that sizes
// itself does.
void SetLabelText(QLabel* label, const std::string& text);

}  // namespace hollin::ui
