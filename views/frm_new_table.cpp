// The new-table dialog: the name box and creating and opening the table.
#include "views/frm_new_table.h"

#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <exception>

#include "controls/error_handler.h"
#include "controls/message_box.h"
#include "data/dm2.h"
#include "data/event_schema.h"
#include "views/table_name_edit.h"

namespace hollin::ui {

TfrmNewTable* TfrmNewTable::s_instance = nullptr;

TfrmNewTable::TfrmNewTable(Tdm2& dm2, QWidget* owner)
    : TCentredDialog(owner, kCloseBoxDialogFlags | Qt::WindowContextHelpButtonHint), m_dm2(dm2) {
    s_instance = this;
    SetUpWindow("frmNewTable", "Create New Table");
    setFixedSize(328, 172);

    Panel1 = AddFillingPanel();

    lblInstruction = new QLabel(QStringLiteral("To create a new table insert the name of the table you would like to "
                                               "create in the box below."),
                                Panel1);
    lblInstruction->setObjectName(QStringLiteral("lblInstruction"));
    lblInstruction->setWordWrap(true);
    lblInstruction->setGeometry(1, 7, 320, 26);
    medtNewTable = new TTableNameEdit(Panel1);
    medtNewTable->setObjectName(QStringLiteral("medtNewTable"));
    medtNewTable->setToolTip(QStringLiteral("New Table Name"));
    medtNewTable->setGeometry(136, 48, 55, 21);
    lblInstruction->setBuddy(medtNewTable);
    btnCreate = new QPushButton(QStringLiteral("Create Table"), Panel1);
    btnCreate->setObjectName(QStringLiteral("btnCreate"));
    btnCreate->setToolTip(QStringLiteral("Create New Table"));
    btnCreate->setGeometry(8, 128, 75, 25);
    btnCreate->setAutoDefault(false);
    bbCANCEL = MakeStockButton(TStockButton::Cancel, QStringLiteral("Cancel"), Panel1, 246, 128, 75, 25);
    bbCANCEL->setObjectName(QStringLiteral("bbCANCEL"));
    bbCANCEL->setToolTip(QStringLiteral("Cancel & Close"));
    bbCANCEL->setAutoDefault(false);

    setTabOrder(bbCANCEL, btnCreate);
    setTabOrder(btnCreate, medtNewTable);
    // No control takes the focus on opening: the user clicks or tabs into
    // the name box.
    setFocusPolicy(Qt::StrongFocus);
    setFocus(Qt::OtherFocusReason);

    connect(btnCreate, &QPushButton::clicked, this, [this] { RunGuarded([this] { btnCreateClick(); }); });
    connect(bbCANCEL, &QPushButton::clicked, this, &QDialog::reject);
}

TfrmNewTable::~TfrmNewTable() {
    if (s_instance == this) s_instance = nullptr;
}

std::string TfrmNewTable::NewTableName() const {
    std::string name = medtNewTable->MaskedText();
    name.erase(name.find_last_not_of(' ') + 1);
    return name;
}

void TfrmNewTable::CreateTable(const std::string& name) {
    larch::TLarchTable table;
    table.SetDatabaseName(m_dm2.Folder());
    table.SetTableName(name);
    table.SetExclusive(true);
    // An existing table is neither overwritten nor changed: it is opened.
    if (table.Exists()) return;
    CreateEventTable(table, kUserTableIndexCount);
}

void TfrmNewTable::btnCreateClick() {
    if (!medtNewTable->ValidateEdit()) return;
    const std::string name = NewTableName();
    // A box never typed into holds no name; nothing is created then.
    if (name.empty() || name.find(' ') != std::string::npos) {
        ShowPlainMessage(kEmptyNameText);
        medtNewTable->setFocus(Qt::OtherFocusReason);
        return;
    }
    larch::TLarchTable& open = m_dm2.Larchtbl;
    std::exception_ptr createError;
    try {
        CreateTable(name);
        open.Close();
        open.SetTableName(name);
    } catch (...) {
        createError = std::current_exception();
    }
    // After a failed creation the old table is opened again.
    const std::string opened = open.TableName();
    open.Open();
    accept();
    emit TableOpened(opened);
    if (createError) std::rethrow_exception(createError);
}

}  // namespace hollin::ui
