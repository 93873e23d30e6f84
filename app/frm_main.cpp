// The main window: construction, binding to the data module, and the
// handlers of start, close, help, the navigator and the photo commands.
#include "app/frm_main.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QFrame>
#include <QLabel>
#include <QLayout>
#include <QMenu>
#include <QScreen>
#include <QTimer>
#include <QToolButton>

#include "app/animation_panel.h"
#include "app/help_window.h"
#include "controls/db_combo_box.h"
#include "controls/db_date_edit.h"
#include "controls/db_edit.h"
#include "controls/db_memo.h"
#include "controls/error_handler.h"
#include "controls/file_dialog.h"
#include "controls/message_box.h"
#include "data/dm2.h"
#include "dataset/date_time.h"
#include "photo/db_jpeg_image.h"
#include "photo/jpeg_stream_compressor.h"
#include "photo/jpeg_stream_decompressor.h"
#include "views/frm_next_last_mo.h"

namespace hollin::ui {
namespace {

QFont PixelFont(const QString& family, int pixels) {
    QFont font(family);
    font.setPixelSize(pixels);
    return font;
}

QColor ButtonFace() { return QApplication::palette().color(QPalette::Button); }

}  // namespace

TfrmMain::TfrmMain(std::string helpFile, QWidget* parent)
    : QMainWindow(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                              Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      m_helpFile(std::move(helpFile)) {
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QStringLiteral("HollinData"));
    setFont(PixelFont(QStringLiteral("MS Sans Serif"), 11));

    JPEGFileCompressor1 = new TJPEGFileCompressor(this);
    JPEGFileCompressor1->setObjectName(QStringLiteral("JPEGFileCompressor1"));
    JPEGFileDecompressor1 = new TJPEGFileDecompressor(this);
    JPEGFileDecompressor1->setObjectName(QStringLiteral("JPEGFileDecompressor1"));

    CreateMenu();

    auto* client = new QWidget(this);
    client->setObjectName(QStringLiteral("clientArea"));
    client->setFixedSize(536, 396);
    setCentralWidget(client);

    pnlMain = new QFrame(client);
    pnlMain->setObjectName(QStringLiteral("pnlMain"));
    pnlMain->setGeometry(0, 0, 536, 384);
    pnlMain->setFrameStyle(QFrame::Panel | QFrame::Raised);
    pnlMain->setFont(PixelFont(QStringLiteral("Times New Roman"), 16));
    QPalette panelPalette = pnlMain->palette();
    panelPalette.setColor(QPalette::WindowText, QColor(0, 0, 255));
    panelPalette.setColor(QPalette::Text, QColor(0, 0, 255));
    pnlMain->setPalette(panelPalette);

    pnlAnimate = new TAnimationPanel(client);
    pnlAnimate->setObjectName(QStringLiteral("pnlAnimate"));
    pnlAnimate->setGeometry(0, 385, 536, 10);

    CreateToolbar();
    CreateLabels();
    CreateEditors();
    SetEditorColour(ButtonFace());
    DBJPEGImage1->SetJPEGCompressor(JPEGFileCompressor1);
    DBJPEGImage1->SetJPEGDecompressor(JPEGFileDecompressor1);

    // Every handler runs guarded: what it throws is shown, and the program goes on.
    auto on = [this](auto* sender, auto signal, void (TfrmMain::*handler)()) {
        connect(sender, signal, this, [this, handler] { RunGuarded([&] { (this->*handler)(); }); });
    };
    on(sbClose, &QToolButton::clicked, &TfrmMain::sbCloseClick);
    on(Exit1, &QAction::triggered, &TfrmMain::sbCloseClick);
    on(Contents1, &QAction::triggered, &TfrmMain::Contents1Click);
    on(sbSpacer3, &QToolButton::clicked, &TfrmMain::addPhotoClick);
    on(addPhoto, &QAction::triggered, &TfrmMain::addPhotoClick);
    on(ClearPhoto1, &QAction::triggered, &TfrmMain::ClearPhoto1Click);
    on(EmptyTable1, &QAction::triggered, &TfrmMain::EmptyTable1Click);
    on(CreateTable1, &QAction::triggered, &TfrmMain::CreateTable1Click);
    on(OpenTable1, &QAction::triggered, &TfrmMain::OpenTable1Click);
    on(sbSearch, &QToolButton::clicked, &TfrmMain::sbSearchClick);
    on(sbFilter, &QToolButton::clicked, &TfrmMain::sbFilterClick);
    on(sbSpacer4, &QToolButton::clicked, &TfrmMain::GridView1Click);
    on(GridView1, &QAction::triggered, &TfrmMain::GridView1Click);
    on(About1, &QAction::triggered, &TfrmMain::About1Click);
    on(sbReset, &QToolButton::clicked, &TfrmMain::sbResetClick);
    on(NextLastMoEvents1, &QAction::triggered, &TfrmMain::NextLastMoEvents1Click);
    on(sbEvents, &QToolButton::clicked, &TfrmMain::NextLastMoEvents1Click);
    on(sbPrint, &QToolButton::clicked, &TfrmMain::sbPrintClick);
    on(Records1, &QAction::triggered, &TfrmMain::sbPrintClick);
    on(BackupTable2, &QAction::triggered, &TfrmMain::BackupTable1Click);
    on(RestoreBackup1, &QAction::triggered, &TfrmMain::RestoreTable1Click);
    on(UpcomingEvents1, &QAction::triggered, &TfrmMain::UpcomingEvents1Click);
    on(Import1, &QAction::triggered, &TfrmMain::Import1Click);
    on(Export1, &QAction::triggered, &TfrmMain::Export1Click);
    on(RemindMeatLogin1, &QAction::triggered, &TfrmMain::RemindMeatLogin1Click);
    on(Tools1, &QMenu::aboutToShow, &TfrmMain::UpdateReminderCheck);
    UpdateReminderCheck();
    connect(dbnMain, &TDBNavigator::Click, this,
            [this](TNavigateBtn button) { RunGuarded([&] { dbnMainClick(button); }); });
    // Queued, so that the list opens once the focus has fully arrived.
    connect(dbcbEvent, &TDBComboBox::entered, this, [this] { RunGuarded([&] { dbcbEventEnter(); }); },
            Qt::QueuedConnection);

    layout()->setSizeConstraint(QLayout::SetFixedSize);
}

TfrmMain::~TfrmMain() {
    if (m_dm2 != nullptr) m_dm2->OnStatusChange = nullptr;
}

void TfrmMain::BindData(Tdm2& dm2) {
    m_dm2 = &dm2;
    TDataSource* ds1 = &dm2.ds1;
    for (TDBEdit* edit : {dbeFirstName, dbeMiddleName, dbeLastName, dbePhone, dbePhoneFax, dbeCellPhone, dbeEmail,
                          dbeAddress, dbeWebsite, dbeCity, dbeState, dbeZip}) {
        edit->SetDataSource(ds1);
    }
    dbcbEvent->SetDataSource(ds1);
    dbdeMain->SetDataSource(ds1);
    dbmMain->SetDataSource(ds1);
    dbnMain->SetDataSource(ds1);
    DBJPEGImage1->SetDataSource(ds1);
    dm2.OnStatusChange = [this](const TRecordStatusTexts&) { ShowStatusTexts(); };
    ShowStatusTexts();
}

void TfrmMain::ShowStatusTexts() {
    if (m_dm2 == nullptr) return;
    const TRecordStatusTexts& texts = m_dm2->StatusTexts();
    SetLabelText(lblRecNo, texts.recNo);
    SetLabelText(lblMode, texts.mode);
    SetLabelText(lblETitle, texts.eTitle);
}

void TfrmMain::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (m_shown) return;
    m_shown = true;
    if (QScreen* screen = this->screen()) {
        QRect frame = frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
    RunGuarded([this] { FormShow(); });
}

void TfrmMain::FormShow() {
    if (m_dm2 != nullptr) SetLabelText(lblTableName, m_dm2->Larchtbl.TableName());
    SetLabelText(lblDate, FormatDate(Today()));
    dbnMain->setFocus();
    if (m_dm2 == nullptr || !m_dm2->Larchtbl.Active() || m_dm2->Larchtbl.IsEmpty()) return;
    // In front of the main window once it is on the screen.
    QTimer::singleShot(0, this, [this] { RunGuarded([this] { OpenEventsByMonth(); }); });
}

void TfrmMain::OpenEventsByMonth() {
    TfrmNextLastMo window(*m_dm2, this);
    connect(&window, &TfrmNextLastMo::TableOpened, this,
            [this](const std::string& name) { SetLabelText(lblTableName, name); });
    window.exec();
}

void TfrmMain::closeEvent(QCloseEvent* event) {
    bool mayClose = false;
    RunGuarded([&] { mayClose = FormClose(); });
    if (mayClose) {
        event->accept();
    } else {
        event->ignore();
    }
}

bool TfrmMain::FormClose() {
    if (m_dm2 != nullptr) {
        larch::TLarchTable& table = m_dm2->Larchtbl;
        const TDataSetState state = m_dm2->ds1.State();
        if (state == dsEdit || state == dsInsert) {
            if (ConfirmYesNo("Post changes before closing ?")) {
                // A failed Post keeps the record with what the user typed, and
                // the window open: closing must not lose it.
                if (!RunGuarded([&] { table.Post(); })) return false;
            } else {
                table.Cancel();
            }
        }
        table.Close();
    }
    if (m_helpWindow) m_helpWindow->close();
    return true;
}

void TfrmMain::sbCloseClick() { close(); }

void TfrmMain::Contents1Click() {
    if (!m_helpWindow) {
        m_helpWindow = new THelpWindow(this);
        m_helpWindow->setAttribute(Qt::WA_DeleteOnClose);
    }
    m_helpWindow->ShowContents(m_helpFile);
    m_helpWindow->show();
    m_helpWindow->raise();
    m_helpWindow->activateWindow();
}

void TfrmMain::dbnMainClick(TNavigateBtn button) {
    switch (button) {
        case TNavigateBtn::nbInsert:
        case TNavigateBtn::nbEdit: SetEditorColour(QColor(255, 255, 255)); break;
        case TNavigateBtn::nbPost:
        case TNavigateBtn::nbCancel:
        case TNavigateBtn::nbRefresh:
            SetEditorColour(ButtonFace());
            dbnMain->setFocus();
            break;
        default: break;
    }
}

void TfrmMain::dbcbEventEnter() {
    if (dbcbEvent->hasFocus()) dbcbEvent->showPopup();
}

void TfrmMain::addPhotoClick() {
    const TDataSetState state = m_dm2 != nullptr ? m_dm2->ds1.State() : dsInactive;
    if (state != dsEdit && state != dsInsert) {
        ShowPlainMessage("You must be in Insert or Edit mode");
        return;
    }
    TFileDialogRequest request;
    request.kind = TFileDialogRequest::Kind::OpenFile;
    request.caption = "Open";
    request.filter = "JPEG Image File (*.jpg)";
    request.picturePreview = true;
    std::optional<std::string> path = RunFileDialog(request, this);
    if (!path) return;
    m_dm2->LoadPhotoFromFile(*path);
}

void TfrmMain::ClearPhoto1Click() {
    if (m_dm2 != nullptr) m_dm2->ClearPhoto();
}

}  // namespace hollin::ui
