// The table picker: the list of tables and switching to one.
#include "views/frm_a_tables.h"

#include <QComboBox>
#include <QFrame>
#include <QPushButton>
#include <exception>
#include <filesystem>

#include "controls/error_handler.h"
#include "controls/message_box.h"
#include "data/dm2.h"
#include "views/table_list.h"

namespace hollin::ui {

TfrmATables* TfrmATables::s_instance = nullptr;

TfrmATables::TfrmATables(Tdm2& dm2, QWidget* owner)
    : TCentredDialog(owner, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                                Qt::WindowMinMaxButtonsHint),
      m_dm2(dm2) {
    s_instance = this;
    SetUpWindow("frmATables", "Available Tables");
    resize(328, 195);

    Panel1 = AddFillingPanel();

    cbTables = new QComboBox(Panel1);
    cbTables->setObjectName(QStringLiteral("cbTables"));
    cbTables->setEditable(true);
    // Enter in the box must not add the typed text as an entry of the list.
    cbTables->setInsertPolicy(QComboBox::NoInsert);
    cbTables->setToolTip(QStringLiteral("Choose table to open"));
    cbTables->setGeometry(88, 64, 145, 21);
    btnOTable = new QPushButton(QStringLiteral("Open Table"), Panel1);
    btnOTable->setObjectName(QStringLiteral("btnOTable"));
    btnOTable->setGeometry(8, 128, 75, 25);
    btnOTable->setAutoDefault(false);
    BitBtn1 = MakeStockButton(TStockButton::Cancel, QStringLiteral("Cancel"), Panel1, 237, 128, 75, 25);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    BitBtn1->setAutoDefault(false);

    connect(btnOTable, &QPushButton::clicked, this, [this] { RunGuarded([this] { btnOTableClick(); }); });
    connect(BitBtn1, &QPushButton::clicked, this, &QDialog::reject);

    RunGuarded([this] { FormCreate(); });
}

TfrmATables::~TfrmATables() {
    if (s_instance == this) s_instance = nullptr;
}

void TfrmATables::FormCreate() {
    const TTableList list = ListTables(m_dm2);
    cbTables->clear();
    for (const std::string& name : list.names) cbTables->addItem(QString::fromStdString(name));
    cbTables->setCurrentIndex(0);
    if (list.writeError) std::rethrow_exception(list.writeError);
}

int TfrmATables::ChosenEntry() const {
    const QString typed = cbTables->currentText();
    const int current = cbTables->currentIndex();
    if (current >= 0 && cbTables->itemText(current) == typed) return current;
    return cbTables->findText(typed, Qt::MatchFixedString);  // MatchFixedString ignores case
}

void TfrmATables::btnOTableClick() {
    larch::TLarchTable& table = m_dm2.Larchtbl;
    // A one-line list holds only the open default table.
    if (cbTables->count() < 2) {
        ShowMessageBox(TMessageKind::Warning, "Table " + table.TableName() + " already open", TMessageButtons::Ok,
                       this);
        return;
    }
    // Checked before the table is closed, so a name that is not listed
    // leaves the open table as it is.
    const int entry = ChosenEntry();
    if (entry < 0) {
        ShowPlainMessage("No table named \"" + cbTables->currentText().toStdString() + "\" is listed");
        return;
    }
    std::exception_ptr openError;
    try {
        table.Close();
        table.SetTableName(std::filesystem::path(cbTables->itemText(entry).toStdString()).filename().string());
        table.Open();
    } catch (...) {
        openError = std::current_exception();
    }
    // These run after a failed open too; an error of the month query is then
    // the one shown.
    m_dm2.RunSql(0);
    emit TableOpened(table.TableName());
    accept();
    if (openError) std::rethrow_exception(openError);
}

}  // namespace hollin::ui
