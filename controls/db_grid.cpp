// The bound grid: keeps the view's current row on the cursor and turns the
// user's moves into cursor moves.
#include "controls/db_grid.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QScrollBar>
#include <QWheelEvent>

#include "controls/error_handler.h"
#include "controls/message_box.h"
#include "dataset/data_source.h"
#include "dataset/dataset.h"

namespace hollin::ui {

TDBGrid::TDBGrid(QWidget* parent) : QTableView(parent), m_model(new TDataSetModel(this)) {
    setModel(m_model);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    setTabKeyNavigation(true);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    SetReadOnly(false);
    m_model->OnUpdateData = [this] { CommitEditor(); };
    connect(m_model, &TDataSetModel::CurrentRowChanged, this, [this](int row) { FollowCursor(row); });
    connect(m_model, &QAbstractItemModel::modelReset, this, [this] { ApplyColumnWidths(); });
    connect(verticalScrollBar(), &QScrollBar::valueChanged, this, [this](int value) { ScrollBarMoved(value); });
}

void TDBGrid::SetDataSource(hollin::TDataSource* source) {
    m_model->SetDataSource(source);
    UpdateWindowRows();
}

hollin::TDataSource* TDBGrid::DataSource() const { return m_model->DataSource(); }

void TDBGrid::SetColumns(std::vector<TColumn> columns) { m_model->SetColumns(std::move(columns)); }

void TDBGrid::SetReadOnly(bool value) {
    m_model->SetReadOnly(value);
    setEditTriggers(value ? QAbstractItemView::NoEditTriggers
                          : QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                                QAbstractItemView::AnyKeyPressed);
}

bool TDBGrid::ReadOnly() const { return m_model->ReadOnly(); }

void TDBGrid::SetTitleFont(const QFont& font) { horizontalHeader()->setFont(font); }

void TDBGrid::ApplyColumnWidths() {
    const auto& columns = m_model->Columns();
    for (std::size_t i = 0; i < columns.size(); ++i) {
        if (columns[i].width > 0) setColumnWidth(static_cast<int>(i), columns[i].width);
    }
}

void TDBGrid::UpdateWindowRows() {
    const int rowHeight = std::max(verticalHeader()->defaultSectionSize(), 1);
    const int rows = (viewport()->height() + rowHeight - 1) / rowHeight;
    m_model->SetWindowRows(std::max(rows, 1));
}

void TDBGrid::resizeEvent(QResizeEvent* event) {
    QTableView::resizeEvent(event);
    UpdateWindowRows();
}

// The cursor moved: scroll so that the link's window is what the view shows,
// and put the current index on the cursor's row.
void TDBGrid::FollowCursor(int row) {
    m_following = true;
    verticalScrollBar()->setValue(m_model->FirstRow());
    if (row >= 0 && m_model->columnCount() > 0) {
        const int column = std::clamp(m_column, 0, m_model->columnCount() - 1);
        const QModelIndex target = m_model->index(row, column);
        if (currentIndex() != target) {
            selectionModel()->setCurrentIndex(target, QItemSelectionModel::ClearAndSelect);
        }
    }
    m_following = false;
}

void TDBGrid::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
    QTableView::currentChanged(current, previous);
    if (!current.isValid()) return;
    // Tracked across resets, so that re-selecting after a reset is no entry.
    const bool columnChanged = current.column() != m_column;
    m_column = current.column();
    if (!m_following && current.row() != m_model->CurrentRow()) {
        // The user chose another row: the cursor goes there (posting or
        // cancelling an edit first); the view follows the cursor.
        m_model->MoveToRow(current.row());
        FollowCursor(m_model->CurrentRow());
    }
    if (columnChanged) emit ColEnter(m_column);
}

void TDBGrid::ScrollBarMoved(int value) {
    if (m_following) return;
    const int distance = value - m_model->FirstRow();
    if (distance == 0) return;
    // Scrolling moves the cursor, the window with it.
    hollin::TDataSet* dataSet = m_model->DataSet();
    if (dataSet != nullptr && value == 0) {
        RunGuarded([&] { dataSet->First(); });
    } else if (dataSet != nullptr && value == verticalScrollBar()->maximum() && distance > 0) {
        RunGuarded([&] { dataSet->Last(); });
    } else {
        m_model->MoveBy(distance);
    }
    FollowCursor(m_model->CurrentRow());
}

void TDBGrid::wheelEvent(QWheelEvent* event) {
    const int steps = event->angleDelta().y() / 120;
    if (steps != 0) m_model->MoveBy(-steps);
    event->accept();
}

void TDBGrid::CommitEditor() {
    QWidget* editor = indexWidget(currentIndex());
    if (editor == nullptr) editor = focusWidget() != this && isAncestorOf(focusWidget()) ? focusWidget() : nullptr;
    if (editor != nullptr && state() == QAbstractItemView::EditingState) commitData(editor);
}

void TDBGrid::DeleteCurrent() {
    hollin::TDataSet* dataSet = m_model->DataSet();
    if (dataSet == nullptr || dataSet->IsEmpty() || !dataSet->CanModify()) return;
    if (!ConfirmOkCancel("Delete record?")) return;
    RunGuarded([&] { dataSet->Delete(); });
}

void TDBGrid::keyPressEvent(QKeyEvent* event) {
    hollin::TDataSet* dataSet = m_model->DataSet();
    if (event->key() == Qt::Key_Delete && (event->modifiers() & Qt::ControlModifier)) {
        DeleteCurrent();
        event->accept();
        return;
    }
    if (event->key() == Qt::Key_Insert && event->modifiers() == Qt::NoModifier) {
        if (!ReadOnly() && dataSet != nullptr && dataSet->CanModify()) RunGuarded([&] { dataSet->Insert(); });
        event->accept();
        return;
    }
    if (event->key() == Qt::Key_Escape && dataSet != nullptr &&
        (dataSet->State() == hollin::dsEdit || dataSet->State() == hollin::dsInsert)) {
        RunGuarded([&] { dataSet->Cancel(); });
        event->accept();
        return;
    }
    QTableView::keyPressEvent(event);
}

}  // namespace hollin::ui
