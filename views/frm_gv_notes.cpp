// The grid view's notes viewer.
#include "views/frm_gv_notes.h"

#include "controls/db_memo.h"
#include "data/dm2.h"

namespace hollin::ui {

TfrmGVNotes* TfrmGVNotes::s_instance = nullptr;

TfrmGVNotes::TfrmGVNotes(Tdm2& dm2, QWidget* owner) : TCentredDialog(owner, kCloseBoxDialogFlags) {
    s_instance = this;
    SetUpWindow("frmGVNotes", "Notes");
    setFixedSize(307, 102);

    dbmGV = new TDBMemo(this);
    dbmGV->setObjectName(QStringLiteral("dbmGV"));
    dbmGV->setGeometry(1, 6, 305, 89);
    dbmGV->SetReadOnly(true);
    dbmGV->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    QPalette palette = dbmGV->palette();
    palette.setColor(QPalette::Base, palette.color(QPalette::Window));
    dbmGV->setPalette(palette);
    dbmGV->viewport()->setCursor(Qt::ForbiddenCursor);
    dbmGV->SetDataSource(&dm2.ds1);
    dbmGV->SetDataField("Notes");
}

TfrmGVNotes::~TfrmGVNotes() {
    dbmGV->SetDataSource(nullptr);
    if (s_instance == this) s_instance = nullptr;
}

}  // namespace hollin::ui
