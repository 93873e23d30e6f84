// TfrmATables: the table picker, which switches the data module's table to
// another table of the program folder's table list.
#pragma once

#include <string>

#include "views/dialog_style.h"

class QComboBox;
class QFrame;
class QPushButton;

namespace hollin {
class Tdm2;
}

namespace hollin::ui {

class TfrmATables : public TCentredDialog {
    Q_OBJECT

public:
    // Creation runs FormCreate; an error there is shown and the picker still
    // opens.
    TfrmATables(Tdm2& dm2, QWidget* owner);
    ~TfrmATables() override;

    static TfrmATables* Instance() { return s_instance; }

    // Rebuilds List.txt and shows its lines, the first one chosen.
    void FormCreate();
    // Closes the table and opens the chosen list entry, reruns the month
    // query for this month and closes the picker. A one-entry list only
    // warns that the open table is already open; a typed name that is no
    // entry of the list is refused and the open table stays open.
    void btnOTableClick();

    QFrame* Panel1 = nullptr;
    QComboBox* cbTables = nullptr;
    QPushButton *btnOTable = nullptr, *BitBtn1 = nullptr;

signals:
    // Larchtbl now has tableName (the main window's lblTableName shows it).
    void TableOpened(const std::string& tableName);

private:
    // The list entry the combo box names: its current item, or the item
    // whose text was typed (ignoring case); -1 when the text is none.
    int ChosenEntry() const;

    Tdm2& m_dm2;
    static TfrmATables* s_instance;
};

}  // namespace hollin::ui
