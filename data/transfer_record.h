// One event record as the import and export files carry it: every field as
// text but the date (a day number) and the photo (JPEG bytes).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "dataset/dataset.h"

namespace hollin {

struct TTransferRecord {
    int line = 0;        // where it comes from in an imported file (the card's or row's line)
    int32_t indexField = 0;  // of an exported record
    std::string firstName, middleName, lastName, event;
    int32_t eventDate = 0;
    std::string notes, phone, phoneFax, cellPhone, email, website, zip, state, city, address;
    std::vector<uint8_t> photo;  // JPEG bytes, or empty
};

// The records the data set shows that have an EventDate, in its order
// (photos read only when asked for); the data set is back on its record
// afterwards.
std::vector<TTransferRecord> ReadTransferRecords(TDataSet& dataSet, bool withPhotos);

// "Ann Lee": the first and last name, or either alone.
std::string PersonName(const TTransferRecord& record);

}  // namespace hollin
