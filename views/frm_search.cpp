// The search-by-name dialog: layout, the method choice and the search.
#include "views/frm_search.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include "controls/error_handler.h"
#include "controls/message_box.h"
#include "data/dm2.h"

namespace hollin::ui {

TfrmSearch* TfrmSearch::s_instance = nullptr;

TfrmSearch::TfrmSearch(Tdm2& dm2, QWidget* owner)
    : TCentredDialog(owner, kNoButtonsDialogFlags), m_dm2(dm2) {
    s_instance = this;
    SetUpWindow("frmSearch", "Search ");
    setFixedSize(318, 147);

    gbfrmSearch = new QGroupBox(QStringLiteral("Search By"), this);
    gbfrmSearch->setObjectName(QStringLiteral("gbfrmSearch"));
    gbfrmSearch->setGeometry(10, 24, 297, 41);
    auto addMethod = [this](const char* name, const char* text, int left, int width, const char* hint) {
        auto* button = new QRadioButton(QString::fromUtf8(text), gbfrmSearch);
        button->setObjectName(QString::fromUtf8(name));
        button->setGeometry(left, 19, width, 17);
        button->setToolTip(QString::fromUtf8(hint));
        return button;
    };
    rbFN = addMethod("rbFN", "First Name", 8, 113, "Search by first name");
    rbLN = addMethod("rbLN", "Last Name", 218, 73, "Search by last name");

    lblSearchName = new QLabel(this);
    lblSearchName->setObjectName(QStringLiteral("lblSearchName"));
    QFont bold = font();
    bold.setBold(true);
    lblSearchName->setFont(bold);
    lblSearchName->move(96, 74);

    editSearch = new QLineEdit(this);
    editSearch->setObjectName(QStringLiteral("editSearch"));
    editSearch->setGeometry(96, 89, 121, 21);
    editSearch->setToolTip(QStringLiteral("Type first name of persons record."));
    lblSearchName->setBuddy(editSearch);

    bbOk = MakeStockButton(TStockButton::Ok, QStringLiteral("OK"), this, 24, 120, 75, 25);
    bbOk->setObjectName(QStringLiteral("bbOk"));
    bbOk->setToolTip(QStringLiteral("Execute search"));
    bbOk->setDefault(true);
    bbCancel = MakeStockButton(TStockButton::Cancel, QStringLiteral("Cancel"), this, 216, 120, 75, 25);
    bbCancel->setObjectName(QStringLiteral("bbCancel"));
    bbCancel->setToolTip(QStringLiteral("Cancel search"));

    setTabOrder(editSearch, bbOk);
    setTabOrder(bbOk, bbCancel);
    setTabOrder(bbCancel, rbFN);
    setTabOrder(rbFN, rbLN);
    editSearch->setFocus();

    auto onSelected = [this](QRadioButton* button, void (TfrmSearch::*handler)()) {
        connect(button, &QRadioButton::toggled, this, [this, handler](bool checked) {
            if (checked) RunGuarded([&] { (this->*handler)(); });
        });
    };
    onSelected(rbFN, &TfrmSearch::rbFNClick);
    onSelected(rbLN, &TfrmSearch::rbLNClick);
    // The OK result is set before the search runs: the dialog closes after a
    // failed search or the no-method message as well.
    connect(bbOk, &QPushButton::clicked, this, [this] {
        RunGuarded([this] { bbOkClick(); });
        accept();
    });
    connect(bbCancel, &QPushButton::clicked, this, &QDialog::reject);
}

TfrmSearch::~TfrmSearch() {
    if (s_instance == this) s_instance = nullptr;
}

void TfrmSearch::rbFNClick() {
    setWindowTitle(QStringLiteral("Search by First Name"));
    lblSearchName->setText(QStringLiteral("First Name"));
    lblSearchName->adjustSize();
}

void TfrmSearch::rbLNClick() {
    setWindowTitle(QStringLiteral("Search by Last Name"));
    lblSearchName->setText(QStringLiteral("Last Name"));
    lblSearchName->adjustSize();
}

void TfrmSearch::Search(const char* indexName) {
    larch::TLarchTable& table = m_dm2.Larchtbl;
    table.SetIndexName(indexName);
    // The text exactly as typed: no trimming, no wildcard.
    table.FindNearest({hollin::TFieldValue(editSearch->text().toStdString())});
}

void TfrmSearch::bbOkClick() {
    if (rbFN->isChecked()) {
        Search("FirstName");
    } else if (rbLN->isChecked()) {
        Search("LastName");
    } else {
        ShowPlainMessage("You must chose one search method");
    }
}

}  // namespace hollin::ui
