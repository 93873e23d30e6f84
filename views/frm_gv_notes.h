// TfrmGVNotes: the grid view's notes viewer, the current record's notes in
// a memo that only shows them.
#pragma once

#include "views/dialog_style.h"

namespace hollin {
class Tdm2;
}

namespace hollin::ui {

class TDBMemo;

class TfrmGVNotes : public TCentredDialog {
    Q_OBJECT

public:
    TfrmGVNotes(Tdm2& dm2, QWidget* owner);
    ~TfrmGVNotes() override;

    static TfrmGVNotes* Instance() { return s_instance; }

    TDBMemo* dbmGV = nullptr;

private:
    static TfrmGVNotes* s_instance;
};

}  // namespace hollin::ui
