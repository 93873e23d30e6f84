// The About box.
#include "views/frm_about.h"

#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <algorithm>

namespace hollin::ui {

TfrmAbout* TfrmAbout::s_instance = nullptr;

TfrmAbout::TfrmAbout(QWidget* owner) : TCentredDialog(owner, Qt::Dialog | Qt::FramelessWindowHint) {
    s_instance = this;
    SetUpWindow("frmAbout", "About");
    setFixedSize(288, 180);

    Panel1 = AddFillingPanel();
    Panel1->setLineWidth(2);

    Label1 = new QLabel(QStringLiteral("Hollin Data"), Panel1);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setFont(PointFont(QStringLiteral("Arial"), 14, true, true));
    Label1->setGeometry(89, 9, 111, 23);
    Label5 = new QLabel(QStringLiteral("Version 2.0"), Panel1);
    Label5->setObjectName(QStringLiteral("Label5"));
    Label5->setGeometry(117, 33, 53, 13);
    // A text wider than its place grows to both sides, staying centred.
    for (QLabel* label : {Label1, Label5}) {
        label->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
        const QRect place = label->geometry();
        const int width = std::max(place.width(), label->sizeHint().width());
        label->setGeometry(place.center().x() - width / 2, place.top(), width,
                           std::max(place.height(), label->sizeHint().height()));
    }
    BitBtn1 = MakeStockButton(TStockButton::Ok, QStringLiteral("OK"), Panel1, 107, 150, 75, 25);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    BitBtn1->setDefault(true);
    connect(BitBtn1, &QPushButton::clicked, this, &QDialog::accept);
}

TfrmAbout::~TfrmAbout() {
    if (s_instance == this) s_instance = nullptr;
}

void TfrmAbout::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    TCentredDialog::keyPressEvent(event);
}

}  // namespace hollin::ui
