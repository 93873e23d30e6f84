// The table model over a dataset: rows read through the link's window of
// record buffers, and the dataset's events turned into model signals.
#include "controls/dataset_model.h"

#include <algorithm>

#include "controls/error_handler.h"
#include "dataset/data_link.h"
#include "dataset/data_source.h"
#include "dataset/dataset.h"
#include "dataset/field.h"

namespace hollin::ui {

class TDataSetModel::TGridLink : public hollin::TDataLink {
public:
    explicit TGridLink(TDataSetModel& model) : m_model(model) {}

    // Reads with the link's active record at windowRow, then puts it back.
    template <typename Read>
    auto AtRow(int windowRow, Read&& read) const {
        auto* self = const_cast<TGridLink*>(this);
        const int saved = self->ActiveRecord();
        self->SetActiveRecord(windowRow);
        struct Restore {
            TGridLink* link;
            int row;
            ~Restore() {
                try {
                    link->SetActiveRecord(row);
                } catch (...) {
                    // It was the active record a moment ago: cannot fail.
                }
            }
        } restore{self, saved};
        return read();
    }

protected:
    void ActiveChanged() override { m_model.ResetAll(); }
    void DataSetChanged() override { m_model.ResetAll(); }
    void LayoutChanged() override { m_model.ResetAll(); }
    void DataSetScrolled(int distance) override { m_model.Scrolled(distance); }
    void RecordChanged(hollin::TField*) override { m_model.RecordChanged(); }
    void EditingChanged() override { m_model.EditingChanged(); }
    void UpdateData() override {
        if (m_model.OnUpdateData) m_model.OnUpdateData();
    }

private:
    TDataSetModel& m_model;
};

TDataSetModel::TDataSetModel(QObject* parent) : QAbstractTableModel(parent), m_link(std::make_unique<TGridLink>(*this)) {}

TDataSetModel::~TDataSetModel() = default;

void TDataSetModel::SetDataSource(hollin::TDataSource* source) {
    m_link->SetDataSource(source);
    ResetAll();
}

hollin::TDataSource* TDataSetModel::DataSource() const { return m_link->DataSource(); }

hollin::TDataSet* TDataSetModel::DataSet() const { return m_link->Active() ? m_link->DataSet() : nullptr; }

void TDataSetModel::SetColumns(std::vector<TColumn> columns) {
    beginResetModel();
    m_columns = std::move(columns);
    m_columnCount = m_columns.empty() && DataSet() != nullptr ? DataSet()->FieldCount()
                                                              : static_cast<int>(m_columns.size());
    endResetModel();
    emit CurrentRowChanged(CurrentRow());
}

hollin::TField* TDataSetModel::Field(int column) const {
    const hollin::TDataSet* dataSet = DataSet();
    if (dataSet == nullptr || column < 0) return nullptr;
    if (m_columns.empty()) return column < dataSet->FieldCount() ? &dataSet->Fields()[column] : nullptr;
    if (column >= static_cast<int>(m_columns.size())) return nullptr;
    return dataSet->FindField(m_columns[static_cast<std::size_t>(column)].fieldName);
}

void TDataSetModel::SetWindowRows(int rows) {
    rows = std::max(rows, 1);
    if (rows == m_link->BufferCount()) return;
    // Growing the window reads more records around the current one; the
    // rows it covers change.
    m_link->SetBufferCount(rows);
    ResetAll();
}

int TDataSetModel::WindowCount() const { return m_link->RecordCount(); }

int TDataSetModel::CurrentRow() const {
    if (DataSet() == nullptr || WindowCount() == 0) return -1;
    return m_firstRow + m_link->ActiveRecord();
}

int TDataSetModel::CountRows() const {
    const hollin::TDataSet* dataSet = DataSet();
    if (dataSet == nullptr) return 0;
    int count = 0;
    RunGuarded([&] { count = dataSet->RecordCount(); });
    if (dataSet->State() == hollin::dsInsert) ++count;
    return std::max(count, WindowCount());
}

// Places the window among the rows: exactly at either end of the data,
// otherwise from the current record's number (when the dataset has one).
void TDataSetModel::ComputeFirstRow() {
    const hollin::TDataSet* dataSet = DataSet();
    const int window = WindowCount();
    if (dataSet == nullptr || window == 0) {
        m_firstRow = 0;
        return;
    }
    const int active = m_link->ActiveRecord();
    if (dataSet->State() == hollin::dsBrowse) {
        if (dataSet->Bof()) {
            m_firstRow = -active;
        } else if (dataSet->Eof()) {
            m_firstRow = m_rowCount - 1 - active;
        }
    }
    m_firstRow = std::clamp(m_firstRow, 0, std::max(m_rowCount - window, 0));
}

void TDataSetModel::ResetAll() {
    beginResetModel();
    m_rowCount = CountRows();
    const hollin::TDataSet* dataSet = DataSet();
    m_columnCount = !m_columns.empty() ? static_cast<int>(m_columns.size())
                                       : (dataSet != nullptr ? dataSet->FieldCount() : 0);
    if (dataSet != nullptr && dataSet->State() != hollin::dsInsert && WindowCount() > 0) {
        int recNo = 0;
        RunGuarded([&] { recNo = dataSet->RecNo(); });
        if (recNo > 0) m_firstRow = recNo - 1 - m_link->ActiveRecord();
    }
    ComputeFirstRow();
    endResetModel();
    emit CurrentRowChanged(CurrentRow());
}

void TDataSetModel::Scrolled(int distance) {
    if (CountRows() != m_rowCount) {
        ResetAll();
        return;
    }
    const int oldFirst = m_firstRow;
    m_firstRow += distance;
    ComputeFirstRow();
    const int window = std::max(WindowCount(), 1);
    const int top = std::min(oldFirst, m_firstRow);
    const int bottom = std::min(std::max(oldFirst, m_firstRow) + window, m_rowCount) - 1;
    if (bottom >= top && m_columnCount > 0) {
        emit dataChanged(index(top, 0), index(bottom, m_columnCount - 1));
        emit headerDataChanged(Qt::Vertical, top, bottom);
    }
    emit CurrentRowChanged(CurrentRow());
}

void TDataSetModel::RecordChanged() {
    const int row = CurrentRow();
    if (row < 0 || row >= m_rowCount || m_columnCount == 0) return;
    emit dataChanged(index(row, 0), index(row, m_columnCount - 1));
}

void TDataSetModel::EditingChanged() {
    const int row = CurrentRow();
    if (row >= 0 && row < m_rowCount) emit headerDataChanged(Qt::Vertical, row, row);
}

bool TDataSetModel::MoveBy(int distance) {
    hollin::TDataSet* dataSet = DataSet();
    if (dataSet == nullptr || distance == 0) return true;
    return RunGuarded([&] { dataSet->MoveBy(distance); });
}

bool TDataSetModel::MoveToRow(int row) {
    const int current = CurrentRow();
    if (current < 0) return false;
    return MoveBy(row - current);
}

int TDataSetModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : m_rowCount; }

int TDataSetModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : m_columnCount; }

QVariant TDataSetModel::ReadCell(int windowRow, int column) const {
    hollin::TField* field = Field(column);
    if (field == nullptr) return QString();
    std::string text;
    RunGuarded([&] { text = m_link->AtRow(windowRow, [&] { return field->DisplayText(); }); });
    return QString::fromStdString(text);
}

QVariant TDataSetModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= m_rowCount || index.column() >= m_columnCount) return {};
    if (role != Qt::DisplayRole && role != Qt::EditRole) return {};
    const int windowRow = index.row() - m_firstRow;
    if (windowRow < 0 || windowRow >= WindowCount()) return QString();  // not read yet
    return ReadCell(windowRow, index.column());
}

bool TDataSetModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (role != Qt::EditRole || m_readOnly || !index.isValid()) return false;
    hollin::TField* field = Field(index.column());
    if (field == nullptr || field->IsBlob()) return false;
    const std::string text = value.toString().toStdString();
    bool written = false;
    RunGuarded([&] {
        if (index.row() != CurrentRow() && !MoveToRow(index.row())) return;
        if (!m_link->Editing() && !m_link->Edit()) return;  // AutoEdit off: no edit
        if (field->AsString() == text) return;
        field->SetAsString(text);
        written = true;
    });
    return written;
}

QVariant TDataSetModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole) return QAbstractTableModel::headerData(section, orientation, role);
    if (orientation == Qt::Horizontal) {
        if (section < 0 || section >= m_columnCount) return {};
        if (!m_columns.empty()) {
            const TColumn& column = m_columns[static_cast<std::size_t>(section)];
            return QString::fromStdString(column.title.empty() ? column.fieldName : column.title);
        }
        const hollin::TField* field = Field(section);
        return field != nullptr ? QString::fromStdString(field->DisplayLabel()) : QString();
    }
    // The row indicator: the current record, and what is being done to it.
    if (section != CurrentRow()) return QString();
    switch (DataSet() != nullptr ? DataSet()->State() : hollin::dsInactive) {
        case hollin::dsEdit: return QStringLiteral("I");
        case hollin::dsInsert: return QStringLiteral("*");
        default: return QString(QChar(0x25B6));
    }
}

Qt::ItemFlags TDataSetModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) return Qt::NoItemFlags;
    Qt::ItemFlags result = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    const hollin::TField* field = Field(index.column());
    const hollin::TDataSet* dataSet = DataSet();
    if (!m_readOnly && field != nullptr && !field->IsBlob() && !field->ReadOnly() && dataSet != nullptr &&
        dataSet->CanModify() && (m_link->Editing() || DataSource()->AutoEdit())) {
        result |= Qt::ItemIsEditable;
    }
    return result;
}

}  // namespace hollin::ui
