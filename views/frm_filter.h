// TfrmFilter: the dialog that filters the open table by one event, one of
// the three standard ones or a typed one.
#pragma once

#include <string>

#include "views/dialog_style.h"

class QFrame;
class QGroupBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace hollin {
class Tdm2;
}

namespace hollin::ui {

class TfrmFilter : public TCentredDialog {
    Q_OBJECT

public:
    TfrmFilter(Tdm2& dm2, QWidget* owner);
    ~TfrmFilter() override;

    static TfrmFilter* Instance() { return s_instance; }

    // The filter text for a typed event: Event = 'text', each quote doubled.
    static std::string OtherFilterText(const std::string& event);

    // Switches filtering on, then sets the chosen event's filter text; with
    // no choice the table keeps the filter text it holds.
    void bbOkClick();
    void edtOtherFilterClick();

    QFrame* Panel1 = nullptr;
    QGroupBox* rgFilter = nullptr;
    QRadioButton *RadioButton1 = nullptr, *RadioButton2 = nullptr, *RadioButton3 = nullptr,
                 *RadioButton4 = nullptr;
    QLineEdit* edtOtherFilter = nullptr;
    QPushButton *bbOk = nullptr, *bbCancel = nullptr;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    Tdm2& m_dm2;
    static TfrmFilter* s_instance;
};

}  // namespace hollin::ui
