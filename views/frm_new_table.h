// TfrmNewTable: the dialog that creates a new, empty table of the event
// layout under a typed name and opens it.
#pragma once

#include <string>

#include "views/dialog_style.h"

class QFrame;
class QLabel;
class QPushButton;

namespace hollin {
class Tdm2;
}

namespace hollin::ui {

class TTableNameEdit;

class TfrmNewTable : public TCentredDialog {
    Q_OBJECT

public:
    static constexpr const char* kEmptyNameText =
        "Type a name for the new table: a letter, then up to seven letters or digits.";

    TfrmNewTable(Tdm2& dm2, QWidget* owner);
    ~TfrmNewTable() override;

    static TfrmNewTable* Instance() { return s_instance; }

    // The typed name with trailing blanks removed.
    std::string NewTableName() const;
    // Creates the table with four indexes unless it exists, then opens it
    // in place of the open table and closes the dialog. An empty name or
    // input the mask does not accept is refused with a message and the
    // dialog stays open.
    void btnCreateClick();

    QFrame* Panel1 = nullptr;
    QLabel* lblInstruction = nullptr;
    TTableNameEdit* medtNewTable = nullptr;
    QPushButton *btnCreate = nullptr, *bbCANCEL = nullptr;

signals:
    // Larchtbl now has tableName (the main window's lblTableName shows it).
    void TableOpened(const std::string& tableName);

private:
    void CreateTable(const std::string& name);

    Tdm2& m_dm2;
    static TfrmNewTable* s_instance;
};

}  // namespace hollin::ui
