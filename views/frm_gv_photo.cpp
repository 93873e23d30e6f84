// The grid view's photo viewer.
#include "views/frm_gv_photo.h"

#include "controls/error_handler.h"
#include "data/dm2.h"
#include "photo/db_jpeg_image.h"

namespace hollin::ui {

TfrmGVPhoto* TfrmGVPhoto::s_instance = nullptr;

TfrmGVPhoto::TfrmGVPhoto(Tdm2& dm2, QWidget* owner) : TCentredDialog(owner, kCloseBoxDialogFlags) {
    s_instance = this;
    SetUpWindow("frmGVPhoto", "Photo");
    setFixedSize(181, 172);

    // No codecs of its own: the control decodes with its fallback codec.
    imgGVP = new TDBJPEGImage(this);
    imgGVP->setObjectName(QStringLiteral("imgGVP"));
    imgGVP->setGeometry(1, 1, 179, 170);
    imgGVP->SetCenter(true);
    imgGVP->SetStretch(true);
    RunGuarded([&] {
        imgGVP->SetDataSource(&dm2.ds1);
        imgGVP->SetDataField("Photo");
    });
}

TfrmGVPhoto::~TfrmGVPhoto() {
    RunGuarded([this] { imgGVP->SetDataSource(nullptr); });
    if (s_instance == this) s_instance = nullptr;
}

}  // namespace hollin::ui
