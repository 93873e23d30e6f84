// The filter-by-event dialog: layout, the click rule of the edit box and the
// four filter texts.
#include "views/frm_filter.h"

#include <QEvent>
#include <QFrame>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include "controls/error_handler.h"
#include "data/dm2.h"
#include "views/dialog_style.h"

namespace hollin::ui {

TfrmFilter* TfrmFilter::s_instance = nullptr;

TfrmFilter::TfrmFilter(Tdm2& dm2, QWidget* owner)
    // A title but no title-bar buttons: it closes through its buttons or Esc.
    : TCentredDialog(owner, kNoButtonsDialogFlags), m_dm2(dm2) {
    s_instance = this;
    SetUpWindow("frmFilter", "Filter by...");
    resize(246, 262);

    Panel1 = AddFillingPanel();

    // The frame only: the choices sit on the panel over it, one group.
    rgFilter = new QGroupBox(QStringLiteral("Filter by event"), Panel1);
    rgFilter->setObjectName(QStringLiteral("rgFilter"));
    rgFilter->setGeometry(27, 8, 185, 177);
    auto addChoice = [this](const char* name, const char* text, int left, int top, int width) {
        auto* button = new QRadioButton(QString::fromUtf8(text), Panel1);
        button->setObjectName(QString::fromUtf8(name));
        button->setGeometry(left, top, width, 17);
        return button;
    };
    RadioButton3 = addChoice("RadioButton3", "Anniversary", 63, 24, 113);
    RadioButton2 = addChoice("RadioButton2", "Birthday", 63, 56, 113);
    RadioButton1 = addChoice("RadioButton1", "Passing", 63, 88, 113);
    RadioButton4 = addChoice("RadioButton4", "Other", 64, 120, 57);

    edtOtherFilter = new QLineEdit(QStringLiteral("Type in event to filter by"), Panel1);
    edtOtherFilter->setObjectName(QStringLiteral("edtOtherFilter"));
    edtOtherFilter->setGeometry(59, 149, 121, 21);
    edtOtherFilter->setCursorPosition(0);  // the prompt shows from its start
    edtOtherFilter->installEventFilter(this);

    bbOk = MakeStockButton(TStockButton::Ok, QStringLiteral("OK"), Panel1, 27, 203, 75, 25);
    bbOk->setObjectName(QStringLiteral("bbOk"));
    bbOk->setDefault(true);
    bbCancel = MakeStockButton(TStockButton::Cancel, QStringLiteral("Cancel"), Panel1, 136, 203, 75, 25);
    bbCancel->setObjectName(QStringLiteral("bbCancel"));

    setTabOrder(bbOk, rgFilter);
    setTabOrder(rgFilter, RadioButton1);
    setTabOrder(RadioButton1, RadioButton2);
    setTabOrder(RadioButton2, RadioButton3);
    setTabOrder(RadioButton3, bbCancel);
    setTabOrder(bbCancel, RadioButton4);
    setTabOrder(RadioButton4, edtOtherFilter);

    // The OK result stands even when applying the filter failed.
    connect(bbOk, &QPushButton::clicked, this, [this] {
        RunGuarded([this] { bbOkClick(); });
        accept();
    });
    connect(bbCancel, &QPushButton::clicked, this, &QDialog::reject);
}

TfrmFilter::~TfrmFilter() {
    if (s_instance == this) s_instance = nullptr;
}

std::string TfrmFilter::OtherFilterText(const std::string& event) {
    std::string quoted = "'";
    for (char c : event) {
        quoted += c;
        if (c == '\'') quoted += c;
    }
    return "Event = " + quoted + "'";
}

void TfrmFilter::bbOkClick() {
    larch::TLarchTable& table = m_dm2.Larchtbl;
    table.SetFiltered(true);
    if (RadioButton1->isChecked()) {
        table.SetFilter("'Event' = 'Passing'");
    } else if (RadioButton2->isChecked()) {
        table.SetFilter("'Event' = 'Birthday'");
    } else if (RadioButton3->isChecked()) {
        table.SetFilter("'Event' = 'Anniversary'");
    } else if (RadioButton4->isChecked()) {
        table.SetFilter(OtherFilterText(edtOtherFilter->text().toStdString()));
    }
}

void TfrmFilter::edtOtherFilterClick() { edtOtherFilter->clear(); }

bool TfrmFilter::eventFilter(QObject* watched, QEvent* event) {
    // Every click into the box empties it, also after typing.
    if (watched == edtOtherFilter && event->type() == QEvent::MouseButtonRelease) {
        RunGuarded([this] { edtOtherFilterClick(); });
    }
    return TCentredDialog::eventFilter(watched, event);
}

}  // namespace hollin::ui
