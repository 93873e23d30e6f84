// TfrmNextLastMo: the events-by-month window. Its grid shows the data
// module's month query for this, the next or the last month; its table list
// opens another table of the program folder.
#pragma once

#include <QDialog>
#include <string>

class QButtonGroup;
class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;

namespace hollin {
class Tdm2;
}

namespace hollin::ui {

class TDBGrid;

class TfrmNextLastMo : public QDialog {
    Q_OBJECT

public:
    // Creation runs FormCreate; an error there is shown and the window still
    // opens with the steps after the failing one skipped.
    TfrmNextLastMo(Tdm2& dm2, QWidget* owner);
    ~TfrmNextLastMo() override;

    // The window's one application-wide instance, while it exists.
    static TfrmNextLastMo* Instance() { return s_instance; }

    void FormCreate();
    void FormShow();
    void rbAheadClick();
    void rbBackClick();
    void rbCurrentClick();
    void btnOpnTblClick();

    QFrame* Panel1 = nullptr;
    QGroupBox* GroupBox1 = nullptr;
    QRadioButton *rbAhead = nullptr, *rbCurrent = nullptr, *rbBack = nullptr;
    TDBGrid* dbgfrmLAB = nullptr;
    QFrame* Panel2 = nullptr;
    QLabel *lblCurTblAnn = nullptr, *lblCurTbl = nullptr;
    QComboBox* cbTablesAvl = nullptr;
    QPushButton* btnOpnTbl = nullptr;

signals:
    // Another table was opened (the main window shows its name).
    void TableOpened(const std::string& tableName);

protected:
    void showEvent(QShowEvent* event) override;

private:
    void RunMonth(int offset);

    Tdm2& m_dm2;
    QButtonGroup* m_months = nullptr;
    static TfrmNextLastMo* s_instance;
};

}  // namespace hollin::ui
