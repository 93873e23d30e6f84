// TDBGrid: a table view over a data source, through TDataSetModel. The
// view's rows follow the cursor: selecting a row moves the cursor there,
// scrolling moves the cursor, and the current row follows every move of the
// cursor made elsewhere. Insert inserts a record (unless read-only),
// Ctrl+Delete deletes the current one after "Delete record?", Escape
// cancels an edit.
#pragma once

#include <QTableView>
#include <vector>

#include "controls/dataset_model.h"

namespace hollin::ui {

class TDBGrid : public QTableView {
    Q_OBJECT
public:
    explicit TDBGrid(QWidget* parent = nullptr);

    void SetDataSource(hollin::TDataSource* source);
    hollin::TDataSource* DataSource() const;
    // Fixed columns (field name, title, width); empty: one per field.
    void SetColumns(std::vector<TColumn> columns);
    // No in-place editing and no Insert key.
    void SetReadOnly(bool value);
    bool ReadOnly() const;
    void SetTitleFont(const QFont& font);
    void SetCellFont(const QFont& font) { setFont(font); }
    TDataSetModel* Model() const { return m_model; }
    // The selected column (-1: none).
    int SelectedColumn() const { return currentIndex().isValid() ? currentIndex().column() : -1; }

signals:
    // The selected column changed to column.
    void ColEnter(int column);

protected:
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    void FollowCursor(int row);
    void ScrollBarMoved(int value);
    void UpdateWindowRows();
    void ApplyColumnWidths();
    void DeleteCurrent();
    void CommitEditor();

    TDataSetModel* m_model;
    bool m_following = false;  // the view is being moved to the cursor
    int m_column = 0;          // the column the cursor stays in across resets
};

}  // namespace hollin::ui
