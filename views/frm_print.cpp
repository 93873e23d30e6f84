// The print dialog: its menu, toolbar, two rows and handlers.
#include "views/frm_print.h"

#include <QAction>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QIcon>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QToolBar>
#include <QToolButton>

#include "controls/error_handler.h"
#include "report/report_preview.h"
#include "views/frm_rb.h"

namespace hollin {

namespace {

constexpr int kClientWidth = 194;
constexpr int kClientHeight = 118;

// Hints are off on this window: the texts are kept, but no tooltip shows them.
void SetHint(QWidget* widget, const char* hint) { widget->setProperty("hint", QString::fromLatin1(hint)); }

QToolButton* RowButton(QWidget* parent, const char* name, int left, int top) {
    auto* button = new QToolButton(parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setIcon(QIcon(QStringLiteral(":/icons/print.svg")));
    button->setAutoRaise(true);
    button->setGeometry(left, top, 23, 22);
    SetHint(button, "Preview/Print");
    return button;
}

QLabel* RowLabel(QWidget* parent, const char* name, const char* text, int left, int top) {
    auto* label = new QLabel(QString::fromLatin1(text), parent);
    label->setObjectName(QString::fromLatin1(name));
    label->move(left, top + 4);  // level with the glyph's middle
    label->adjustSize();
    return label;
}

}  // namespace

TfrmPrint::TfrmPrint(TfrmRB& frmRB, QWidget* parent) : QDialog(parent), m_frmRB(frmRB) {
    setObjectName(QStringLiteral("frmPrint"));
    setWindowTitle(QStringLiteral("Print Records"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setPointSize(8);
    setFont(font);

    auto* menuBar = new QMenuBar(this);
    menuBar->setObjectName(QStringLiteral("mmPrint"));
    QMenu* file = menuBar->addMenu(QStringLiteral("&File"));
    file->setObjectName(QStringLiteral("File1"));
    Exit1 = file->addAction(QStringLiteral("E&xit"));
    Exit1->setObjectName(QStringLiteral("Exit1"));
    connect(Exit1, &QAction::triggered, this, &TfrmPrint::Exit1Click);
    const int menuHeight = menuBar->sizeHint().height();
    menuBar->setGeometry(0, 0, kClientWidth, menuHeight);

    tbPrint = new QToolBar(this);
    tbPrint->setObjectName(QStringLiteral("tbPrint"));
    tbPrint->setIconSize(QSize(16, 16));
    tbPrint->setMovable(false);
    tbPrint->setFloatable(false);
    sbClosePrint = new QToolButton(tbPrint);
    sbClosePrint->setObjectName(QStringLiteral("sbClosePrint"));
    sbClosePrint->setIcon(QIcon(QStringLiteral(":/icons/exit.svg")));
    sbClosePrint->setAutoRaise(true);
    SetHint(sbClosePrint, "Exit");
    connect(sbClosePrint, &QToolButton::clicked, this, &TfrmPrint::Exit1Click);
    tbPrint->addWidget(sbClosePrint);
    const int toolBarHeight = tbPrint->sizeHint().height();
    tbPrint->setGeometry(0, menuHeight, kClientWidth, toolBarHeight);

    pnlPrint = new QWidget(this);
    pnlPrint->setObjectName(QStringLiteral("pnlPrint"));
    pnlPrint->setGeometry(0, menuHeight + toolBarHeight, kClientWidth, kClientHeight - toolBarHeight);
    sbPrint = RowButton(pnlPrint, "sbPrint", 40, 16);
    Label1 = RowLabel(pnlPrint, "Label1", "Print List", 80, 16);
    SpeedButton1 = RowButton(pnlPrint, "SpeedButton1", 40, 56);
    Label2 = RowLabel(pnlPrint, "Label2", "Print Detailed", 80, 56);
    connect(sbPrint, &QToolButton::clicked, this, &TfrmPrint::sbPrintClick);
    connect(SpeedButton1, &QToolButton::clicked, this, &TfrmPrint::SpeedButton1Click);

    // The client area is 194 x 118 below the menu bar.
    setFixedSize(kClientWidth, menuHeight + kClientHeight);
}

TfrmPrint::~TfrmPrint() { FormDestroy(); }

void TfrmPrint::sbPrintClick() {
    ui::RunGuarded([this] { report::ShowPreview(m_frmRB.ppReport2, this); });
}

void TfrmPrint::SpeedButton1Click() {
    ui::RunGuarded([this] { report::ShowPreview(m_frmRB.ppReport1, this); });
}

void TfrmPrint::Exit1Click() { close(); }

void TfrmPrint::showEvent(QShowEvent* event) {
    FormShow();
    QDialog::showEvent(event);
}

void TfrmPrint::closeEvent(QCloseEvent* event) {
    FormClose();
    QDialog::closeEvent(event);
}

void TfrmPrint::FormShow() {
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        move(area.center() - rect().center());
    }
}

// The opener destroys the dialog once exec() returns; closing only ends it.
void TfrmPrint::FormClose() { setResult(QDialog::Rejected); }

void TfrmPrint::FormDestroy() {
    if (frmPrint == this) frmPrint = nullptr;
}

}  // namespace hollin
