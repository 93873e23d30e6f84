// The report pipeline's walk over a dataset and its field access.
#include "report/db_pipeline.h"

#include "dataset/cursor_keeper.h"
#include "dataset/data_source.h"
#include "dataset/dataset.h"

namespace hollin::report {

TDataSet* TDBPipeline::ActiveDataSet() const {
    if (m_dataSource == nullptr) return nullptr;
    TDataSet* dataSet = m_dataSource->DataSet();
    return dataSet != nullptr && dataSet->Active() ? dataSet : nullptr;
}

void TDBPipeline::ForEachRecord(const std::function<void()>& visit) {
    if (rowWalk) {
        rowWalk(visit);
        return;
    }
    TDataSet* dataSet = ActiveDataSet();
    if (dataSet == nullptr) return;
    TCursorKeeper keeper(*dataSet);
    dataSet->First();
    while (!dataSet->Eof()) {
        visit();
        dataSet->Next();
    }
}

TField* TDBPipeline::FindField(const std::string& fieldName) const {
    TDataSet* dataSet = ActiveDataSet();
    if (dataSet == nullptr || dataSet->IsEmpty()) return nullptr;
    return dataSet->FindField(fieldName);
}

std::string TDBPipeline::FieldText(const std::string& fieldName) const {
    TField* field = FindField(fieldName);
    return field != nullptr ? field->AsString() : std::string();
}

std::vector<uint8_t> TDBPipeline::FieldBytes(const std::string& fieldName) const {
    TField* field = FindField(fieldName);
    if (field == nullptr || field->IsNull()) return {};
    return field->AsBytes();
}

}  // namespace hollin::report
