// TfrmGVPhoto: the grid view's photo viewer, the current record's photo
// stretched over the window.
#pragma once

#include "views/dialog_style.h"

namespace hollin {
class Tdm2;
}

namespace hollin::ui {

class TDBJPEGImage;

class TfrmGVPhoto : public TCentredDialog {
    Q_OBJECT

public:
    TfrmGVPhoto(Tdm2& dm2, QWidget* owner);
    ~TfrmGVPhoto() override;

    static TfrmGVPhoto* Instance() { return s_instance; }

    TDBJPEGImage* imgGVP = nullptr;

private:
    static TfrmGVPhoto* s_instance;
};

}  // namespace hollin::ui
