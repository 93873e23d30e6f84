// Reading a table's records for an export.
#include "data/transfer_record.h"

#include "dataset/cursor_keeper.h"

namespace hollin {

std::vector<TTransferRecord> ReadTransferRecords(TDataSet& dataSet, bool withPhotos) {
    struct TText {
        TField& field;
        std::string TTransferRecord::*member;
    };
    const TText texts[] = {
        {dataSet.FieldByName("FirstName"), &TTransferRecord::firstName},
        {dataSet.FieldByName("MiddleName"), &TTransferRecord::middleName},
        {dataSet.FieldByName("LastName"), &TTransferRecord::lastName},
        {dataSet.FieldByName("Event"), &TTransferRecord::event},
        {dataSet.FieldByName("Notes"), &TTransferRecord::notes},
        {dataSet.FieldByName("Phone"), &TTransferRecord::phone},
        {dataSet.FieldByName("PhoneFax"), &TTransferRecord::phoneFax},
        {dataSet.FieldByName("CellPhone"), &TTransferRecord::cellPhone},
        {dataSet.FieldByName("Email"), &TTransferRecord::email},
        {dataSet.FieldByName("Website"), &TTransferRecord::website},
        {dataSet.FieldByName("Zip"), &TTransferRecord::zip},
        {dataSet.FieldByName("State"), &TTransferRecord::state},
        {dataSet.FieldByName("City"), &TTransferRecord::city},
        {dataSet.FieldByName("Address"), &TTransferRecord::address},
    };
    TField& date = dataSet.FieldByName("EventDate");
    TField& key = dataSet.FieldByName("IndexField");
    TField& photo = dataSet.FieldByName("Photo");
    std::vector<TTransferRecord> records;
    TCursorKeeper keeper(dataSet);
    TDataSet::TFetchRun oneReadLock(dataSet);
    for (dataSet.First(); !dataSet.Eof(); dataSet.Next()) {
        if (date.IsNull()) continue;
        TTransferRecord& record = records.emplace_back();
        record.eventDate = date.AsDate();
        record.indexField = key.IsNull() ? 0 : key.AsInteger();
        for (const TText& text : texts) record.*text.member = text.field.AsString();
        if (withPhotos && !photo.IsNull()) record.photo = photo.AsBytes();
    }
    return records;
}

std::string PersonName(const TTransferRecord& record) {
    if (record.firstName.empty()) return record.lastName;
    if (record.lastName.empty()) return record.firstName;
    return record.firstName + " " + record.lastName;
}

}  // namespace hollin
