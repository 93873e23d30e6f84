// TfrmGrid: every record of the open table as a grid row that does not
// edit; entering the Notes or Photo column opens that field's viewer.
#pragma once

#include <string>
#include <vector>

#include "views/dialog_style.h"

class QAction;
class QFrame;
class QMenu;
class QMenuBar;
class QToolBar;
class QToolButton;

namespace hollin {
class Tdm2;
}

namespace hollin::ui {

class TDBGrid;
class TDBNavigator;

class TfrmGrid : public TCentredDialog {
    Q_OBJECT

public:
    // Opens maximised (normal size 544 x 204).
    TfrmGrid(Tdm2& dm2, QWidget* owner);
    ~TfrmGrid() override;

    static TfrmGrid* Instance() { return s_instance; }

    // The grid's fixed columns, by field name.
    static const std::vector<std::string>& ColumnFields();

    void Exit1Click();
    // Asks the main window for its search (SearchRequested).
    void sbSearchGridClick();
    // Opens the notes or photo viewer when column is Notes or Photo.
    void dbgGridViewColEnter(int column);

    QMenuBar* mmGrid = nullptr;
    QMenu* File1 = nullptr;
    QAction* Exit1 = nullptr;
    QFrame* Panel1 = nullptr;
    QToolBar* tbGridFrm = nullptr;
    QToolButton *sbClose = nullptr, *sbSpacer1 = nullptr, *sbSearchGrid = nullptr;
    TDBNavigator* DBNavigator1 = nullptr;
    TDBGrid* dbgGridView = nullptr;

signals:
    // The grid's search button was pressed: the main window runs its search
    // command (the search dialog, then its empty-table check) over the grid.
    void SearchRequested();

private:
    Tdm2& m_dm2;
    static TfrmGrid* s_instance;
};

}  // namespace hollin::ui
