// TDataSetModel: a table model over a data source's dataset that keeps no
// copy of the records. It reads through its own data link, whose window of
// record buffers is the rows the view shows: a cell of a row inside the
// window is read from the dataset's buffer for it; rows outside the window
// are blank until the cursor brings them into it (the grid scrolls by
// moving the cursor, as a live grid does).
//
// Rows are the dataset's records (RecordCount, one more while inserting);
// row numbers of the window come from the records' RecNo and are exact at
// either end of the data. Columns are the dataset's fields or a fixed list.
#pragma once

#include <QAbstractTableModel>
#include <QFont>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace hollin {
class TDataSet;
class TDataSource;
class TField;
}  // namespace hollin

namespace hollin::ui {

// A fixed column: the field it shows, its title (the field name when
// empty) and its width in pixels (0: the view's default).
struct TColumn {
    std::string fieldName;
    std::string title;
    int width = 0;
};

class TDataSetModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit TDataSetModel(QObject* parent = nullptr);
    ~TDataSetModel() override;

    void SetDataSource(hollin::TDataSource* source);
    hollin::TDataSource* DataSource() const;
    hollin::TDataSet* DataSet() const;

    // A fixed list of columns; an empty list shows every field.
    void SetColumns(std::vector<TColumn> columns);
    const std::vector<TColumn>& Columns() const { return m_columns; }
    // The field of a column, or null.
    hollin::TField* Field(int column) const;

    // No in-place editing when set (the default is editable).
    void SetReadOnly(bool value) { m_readOnly = value; }
    bool ReadOnly() const { return m_readOnly; }

    // How many rows the view shows: the size of the link's window.
    void SetWindowRows(int rows);
    // The row of the window's first record, and of the current record (-1
    // when there is none).
    int FirstRow() const { return m_firstRow; }
    int CurrentRow() const;
    // Makes the record of row current (the dataset posts or cancels an edit
    // first, as on every move). Returns false when the move failed (the
    // error was shown).
    bool MoveToRow(int row);
    // Moves the cursor by distance records (scrolling).
    bool MoveBy(int distance);

    // The view's hook: write a cell editor's pending value into the record
    // (the dataset asks for pending values before a post).
    std::function<void()> OnUpdateData;

    // QAbstractItemModel
    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

signals:
    // The cursor's record is now at row (-1: none); also after every reset.
    void CurrentRowChanged(int row);

private:
    class TGridLink;
    friend class TGridLink;

    void ResetAll();
    void Scrolled(int distance);
    void RecordChanged();
    void EditingChanged();
    void ComputeFirstRow();
    int CountRows() const;
    int WindowCount() const;
    // Reads what the cell shows with the link's active record at windowRow.
    QVariant ReadCell(int windowRow, int column) const;

    std::unique_ptr<TGridLink> m_link;
    std::vector<TColumn> m_columns;
    bool m_readOnly = false;
    int m_rowCount = 0;
    int m_firstRow = 0;
    int m_columnCount = 0;
};

}  // namespace hollin::ui
