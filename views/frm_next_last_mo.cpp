// The events-by-month window: layout, month choices and opening a table.
#include "views/frm_next_last_mo.h"

#include <QApplication>
#include <QButtonGroup>
#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <filesystem>

#include "controls/db_grid.h"
#include "controls/error_handler.h"
#include "data/dm2.h"
#include "views/dialog_style.h"
#include "views/table_list.h"

namespace hollin::ui {

TfrmNextLastMo* TfrmNextLastMo::s_instance = nullptr;

TfrmNextLastMo::TfrmNextLastMo(Tdm2& dm2, QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint), m_dm2(dm2) {
    s_instance = this;
    setObjectName(QStringLiteral("frmNextLastMo"));
    setFont(WindowFont());
    setFixedSize(592, 163);

    Panel1 = new QFrame(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setGeometry(0, 0, 592, 163);
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Raised);

    GroupBox1 = new QGroupBox(QStringLiteral("Look Ahead/Back One Month"), Panel1);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    GroupBox1->setGeometry(1, 1, 440, 41);
    auto addChoice = [this](const char* name, const char* text, int left, int width) {
        auto* button = new QRadioButton(QString::fromUtf8(text), GroupBox1);
        button->setObjectName(QString::fromUtf8(name));
        button->setGeometry(left, 16, width, 17);
        return button;
    };
    rbAhead = addChoice("rbAhead", "Next Month", 9, 86);
    rbCurrent = addChoice("rbCurrent", "Current Month", 173, 93);
    rbBack = addChoice("rbBack", "Last Month", 359, 73);
    m_months = new QButtonGroup(this);
    for (QRadioButton* button : {rbAhead, rbCurrent, rbBack}) m_months->addButton(button);

    dbgfrmLAB = new TDBGrid(Panel1);
    dbgfrmLAB->setObjectName(QStringLiteral("dbgfrmLAB"));
    dbgfrmLAB->setGeometry(1, 42, 440, 120);
    QPalette gridPalette = dbgfrmLAB->palette();
    gridPalette.setColor(QPalette::Base, QApplication::palette().color(QPalette::Button));
    dbgfrmLAB->setPalette(gridPalette);
    QFont cellFont = font();
    cellFont.setBold(true);
    dbgfrmLAB->setFont(cellFont);
    dbgfrmLAB->SetTitleFont(font());
    dbgfrmLAB->SetDataSource(&m_dm2.dsQ);

    Panel2 = new QFrame(Panel1);
    Panel2->setObjectName(QStringLiteral("Panel2"));
    Panel2->setGeometry(444, 6, 145, 156);
    Panel2->setFrameStyle(QFrame::Panel | QFrame::Raised);
    lblCurTblAnn = new QLabel(QStringLiteral("Current Table:"), Panel2);
    lblCurTblAnn->setObjectName(QStringLiteral("lblCurTblAnn"));
    lblCurTblAnn->move(5, 8);
    lblCurTbl = new QLabel(Panel2);
    lblCurTbl->setObjectName(QStringLiteral("lblCurTbl"));
    lblCurTbl->move(5, 27);
    lblCurTbl->setFont(PointFont(QStringLiteral("Courier New"), 8, true));
    QPalette bluePalette = lblCurTbl->palette();
    bluePalette.setColor(QPalette::WindowText, QColor(0, 0, 255));
    lblCurTbl->setPalette(bluePalette);
    cbTablesAvl = new QComboBox(Panel2);
    cbTablesAvl->setObjectName(QStringLiteral("cbTablesAvl"));
    cbTablesAvl->setEditable(true);
    cbTablesAvl->setGeometry(5, 72, 137, cbTablesAvl->sizeHint().height());
    cbTablesAvl->setEditText(QStringLiteral("Tables Avilable"));
    btnOpnTbl = new QPushButton(QStringLiteral("Open Table"), Panel2);
    btnOpnTbl->setObjectName(QStringLiteral("btnOpnTbl"));
    btnOpnTbl->setGeometry(35, 112, 75, 25);

    setTabOrder(rbAhead, rbBack);
    setTabOrder(rbBack, rbCurrent);
    setTabOrder(rbCurrent, dbgfrmLAB);
    setTabOrder(dbgfrmLAB, cbTablesAvl);
    setTabOrder(cbTablesAvl, btnOpnTbl);

    // A choice runs only when its button becomes selected.
    auto onSelected = [this](QRadioButton* button, void (TfrmNextLastMo::*handler)()) {
        connect(button, &QRadioButton::toggled, this, [this, handler](bool checked) {
            if (checked) RunGuarded([&] { (this->*handler)(); });
        });
    };
    onSelected(rbAhead, &TfrmNextLastMo::rbAheadClick);
    onSelected(rbBack, &TfrmNextLastMo::rbBackClick);
    onSelected(rbCurrent, &TfrmNextLastMo::rbCurrentClick);
    connect(btnOpnTbl, &QPushButton::clicked, this, [this] { RunGuarded([this] { btnOpnTblClick(); }); });

    RunGuarded([this] { FormCreate(); });
}

TfrmNextLastMo::~TfrmNextLastMo() {
    // The grid lets go of the query before the window goes.
    dbgfrmLAB->SetDataSource(nullptr);
    if (s_instance == this) s_instance = nullptr;
}

void TfrmNextLastMo::FormCreate() {
    const TTableList list = ListTables(m_dm2);
    cbTablesAvl->clear();
    for (const std::string& name : list.names) cbTablesAvl->addItem(QString::fromStdString(name));
    cbTablesAvl->setCurrentIndex(0);
    RunMonth(0);
    lblCurTbl->setText(QString::fromStdString(m_dm2.Larchtbl.TableName()));
    lblCurTbl->adjustSize();
    // The window works without List.txt; the failed write is still shown.
    if (list.writeError) std::rethrow_exception(list.writeError);
}

void TfrmNextLastMo::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    FormShow();
}

void TfrmNextLastMo::FormShow() { setWindowTitle(QStringLiteral("Events this month")); }

void TfrmNextLastMo::RunMonth(int offset) {
    m_dm2.RunSql(offset);
    setWindowTitle(offset > 0   ? QStringLiteral("Events next month")
                   : offset < 0 ? QStringLiteral("Events last month")
                                : QStringLiteral("Events this month"));
}

void TfrmNextLastMo::rbAheadClick() { RunMonth(1); }
void TfrmNextLastMo::rbBackClick() { RunMonth(-1); }
void TfrmNextLastMo::rbCurrentClick() { RunMonth(0); }

void TfrmNextLastMo::btnOpnTblClick() {
    larch::TLarchTable& table = m_dm2.Larchtbl;
    const int index = cbTablesAvl->currentIndex();
    // A typed name that is no entry of the list has no item to open; it is
    // refused before the open table is closed, so that one stays open.
    if (index < 0 || cbTablesAvl->currentText() != cbTablesAvl->itemText(index)) {
        throw std::runtime_error("List index out of bounds (" + std::to_string(index) + ")");
    }
    m_dm2.FinishEditing();
    table.Close();
    const std::string name = std::filesystem::path(cbTablesAvl->itemText(index).toStdString()).filename().string();
    table.SetTableName(name);
    table.Open();
    emit TableOpened(table.TableName());
    m_months->setExclusive(false);
    rbCurrent->setChecked(false);
    m_months->setExclusive(true);
    lblCurTbl->setText(QString::fromStdString(table.TableName()));
    lblCurTbl->adjustSize();
    rbCurrent->setChecked(true);
}

}  // namespace hollin::ui
