// TfrmSearch: the dialog that moves the open table to a person by first or
// by last name, in that name's index order.
#pragma once

#include "views/dialog_style.h"

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace hollin {
class Tdm2;
}

namespace hollin::ui {

class TfrmSearch : public TCentredDialog {
    Q_OBJECT

public:
    TfrmSearch(Tdm2& dm2, QWidget* owner);
    ~TfrmSearch() override;

    static TfrmSearch* Instance() { return s_instance; }

    void rbFNClick();
    void rbLNClick();
    // Orders the table by the chosen name and moves to the nearest key; with
    // no method chosen only says so.
    void bbOkClick();

    QGroupBox* gbfrmSearch = nullptr;
    QRadioButton *rbFN = nullptr, *rbLN = nullptr;
    QLabel* lblSearchName = nullptr;
    QLineEdit* editSearch = nullptr;
    QPushButton *bbOk = nullptr, *bbCancel = nullptr;

private:
    void Search(const char* indexName);

    Tdm2& m_dm2;
    static TfrmSearch* s_instance;
};

}  // namespace hollin::ui
