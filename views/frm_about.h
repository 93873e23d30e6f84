// TfrmAbout: the borderless box that names the program and its version.
#pragma once

#include "views/dialog_style.h"

class QFrame;
class QLabel;
class QPushButton;

namespace hollin::ui {

class TfrmAbout : public TCentredDialog {
    Q_OBJECT

public:
    explicit TfrmAbout(QWidget* owner);
    ~TfrmAbout() override;

    static TfrmAbout* Instance() { return s_instance; }

    QFrame* Panel1 = nullptr;
    QLabel *Label1 = nullptr, *Label5 = nullptr;
    QPushButton* BitBtn1 = nullptr;

protected:
    // Without a title bar only OK (or Enter) closes the box: Esc does not.
    void keyPressEvent(QKeyEvent* event) override;

private:
    static TfrmAbout* s_instance;
};

}  // namespace hollin::ui
