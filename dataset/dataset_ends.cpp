// Where the current record stands between the dataset's ends.
#include "dataset/dataset_ends.h"

#include "dataset/dataset.h"

namespace hollin {

namespace {

// The record number of the current record, or 0 where it means nothing: an
// inserted record has none yet, and a dataset may not number its records.
int KnownRecNo(const TDataSet& dataSet) {
    if (dataSet.State() != dsBrowse && dataSet.State() != dsEdit) return 0;
    return dataSet.RecNo();
}

}  // namespace

bool HasPriorRecord(const TDataSet& dataSet) {
    if (!dataSet.Active() || dataSet.IsEmpty() || dataSet.Bof()) return false;
    return KnownRecNo(dataSet) != 1;
}

bool HasNextRecord(const TDataSet& dataSet) {
    if (!dataSet.Active() || dataSet.IsEmpty() || dataSet.Eof()) return false;
    const int recNo = KnownRecNo(dataSet);
    return recNo < 1 || recNo < dataSet.RecordCount();
}

}  // namespace hollin
