// The grid view: layout, the fixed columns and the column-entry viewers.
#include "views/frm_grid.h"

#include <QAction>
#include <QApplication>
#include <QFrame>
#include <QHeaderView>
#include <QMenu>
#include <QMenuBar>
#include <QStyle>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <memory>

#include "controls/db_grid.h"
#include "controls/db_navigator.h"
#include "controls/error_handler.h"
#include "data/dm2.h"
#include "dataset/field.h"
#include "views/frm_gv_notes.h"
#include "views/frm_gv_photo.h"

namespace hollin::ui {

TfrmGrid* TfrmGrid::s_instance = nullptr;

const std::vector<std::string>& TfrmGrid::ColumnFields() {
    static const std::vector<std::string> fields = {
        "FirstName", "MiddleName", "LastName", "Event", "EventDate", "Notes", "Phone",   "PhoneFax",
        "CellPhone", "Email",      "Website",  "Zip",   "State",     "City",  "Address", "Photo",
    };
    return fields;
}

TfrmGrid::TfrmGrid(Tdm2& dm2, QWidget* owner)
    : TCentredDialog(owner, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                                Qt::WindowCloseButtonHint | Qt::WindowMaximizeButtonHint),
      m_dm2(dm2) {
    s_instance = this;
    SetUpWindow("frmGrid", "Grid View");
    resize(544, 204);
    setWindowState(Qt::WindowMaximized);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    mmGrid = new QMenuBar(this);
    mmGrid->setObjectName(QStringLiteral("mmGrid"));
    File1 = mmGrid->addMenu(QStringLiteral("&File"));
    File1->setObjectName(QStringLiteral("File1"));
    Exit1 = File1->addAction(QStringLiteral("E&xit"));
    Exit1->setObjectName(QStringLiteral("Exit1"));
    layout->setMenuBar(mmGrid);

    Panel1 = new QFrame(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    layout->addWidget(Panel1);
    auto* panelLayout = new QVBoxLayout(Panel1);
    panelLayout->setContentsMargins(0, 0, 0, 0);
    panelLayout->setSpacing(0);

    tbGridFrm = new QToolBar(Panel1);
    tbGridFrm->setObjectName(QStringLiteral("tbGridFrm"));
    panelLayout->addWidget(tbGridFrm);
    auto addButton = [this](const char* name, QStyle::StandardPixmap glyph, const char* hint) {
        auto* button = new QToolButton(tbGridFrm);
        button->setObjectName(QString::fromUtf8(name));
        button->setIcon(QApplication::style()->standardIcon(glyph));
        button->setToolTip(QString::fromUtf8(hint));
        button->setAutoRaise(true);
        tbGridFrm->addWidget(button);
        return button;
    };
    sbClose = addButton("sbClose", QStyle::SP_DialogCloseButton, "Close Window");
    sbSpacer1 = new QToolButton(tbGridFrm);
    sbSpacer1->setObjectName(QStringLiteral("sbSpacer1"));
    sbSpacer1->setAutoRaise(true);
    sbSpacer1->setEnabled(false);
    tbGridFrm->addWidget(sbSpacer1);
    DBNavigator1 = new TDBNavigator(tbGridFrm);
    DBNavigator1->setObjectName(QStringLiteral("DBNavigator1"));
    DBNavigator1->SetVisibleButtons(
        {TNavigateBtn::nbFirst, TNavigateBtn::nbPrior, TNavigateBtn::nbNext, TNavigateBtn::nbLast});
    DBNavigator1->setFixedSize(100, 22);
    DBNavigator1->SetDataSource(&m_dm2.ds1);
    tbGridFrm->addWidget(DBNavigator1);
    sbSearchGrid = addButton("sbSearchGrid", QStyle::SP_FileDialogContentsView, "Search ");

    dbgGridView = new TDBGrid(Panel1);
    dbgGridView->setObjectName(QStringLiteral("dbgGridView"));
    panelLayout->addWidget(dbgGridView);
    QPalette gridPalette = dbgGridView->palette();
    gridPalette.setColor(QPalette::Base, QApplication::palette().color(QPalette::Button));
    dbgGridView->setPalette(gridPalette);
    std::vector<TColumn> columns;
    for (const std::string& field : ColumnFields()) columns.push_back({field, "", 0});
    dbgGridView->SetColumns(std::move(columns));
    dbgGridView->SetReadOnly(true);
    dbgGridView->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    dbgGridView->SetDataSource(&m_dm2.ds1);

    connect(sbClose, &QToolButton::clicked, this, [this] { RunGuarded([this] { Exit1Click(); }); });
    connect(Exit1, &QAction::triggered, this, [this] { RunGuarded([this] { Exit1Click(); }); });
    connect(sbSearchGrid, &QToolButton::clicked, this, [this] { RunGuarded([this] { sbSearchGridClick(); }); });
    connect(dbgGridView, &TDBGrid::ColEnter, this,
            [this](int column) { RunGuarded([this, column] { dbgGridViewColEnter(column); }); });
}

TfrmGrid::~TfrmGrid() {
    // The bound controls let go of the data source before the window goes.
    dbgGridView->SetDataSource(nullptr);
    DBNavigator1->SetDataSource(nullptr);
    if (s_instance == this) s_instance = nullptr;
}

void TfrmGrid::Exit1Click() { close(); }

void TfrmGrid::sbSearchGridClick() { emit SearchRequested(); }

void TfrmGrid::dbgGridViewColEnter(int column) {
    const hollin::TField* field = dbgGridView->Model()->Field(column);
    if (field == nullptr) return;
    // Each viewer shows the record current now and is gone when it closes.
    if (field->FieldName() == "Notes") {
        auto viewer = std::make_unique<TfrmGVNotes>(m_dm2, this);
        viewer->exec();
    } else if (field->FieldName() == "Photo") {
        auto viewer = std::make_unique<TfrmGVPhoto>(m_dm2, this);
        viewer->exec();
    }
}

}  // namespace hollin::ui
