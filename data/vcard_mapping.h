// A vCard to event records: one record per dated property (BDAY,
// ANNIVERSARY and its vendor forms, DEATHDATE, Apple's labelled X-ABDATE),
// each carrying the card's names, phones, address, e-mail, web site, notes
// and photo.
#pragma once

#include <vector>

#include "data/import_record.h"
#include "data/photo_conversion.h"
#include "data/vcard_reader.h"

namespace hollin {

struct TCardRecords {
    std::vector<TTransferRecord> records;
    std::vector<TImportEntry> skipped;  // dated properties without a year or date, a card without a name ...
    std::vector<TImportEntry> notes;    // a photo by URL, not fetched
};

// The card's records. A card whose photo cannot be decoded is skipped whole
// (one "broken" entry). `converter` turns non-JPEG photos into JPEG; without
// one such a photo breaks the card.
TCardRecords MapVCard(const TVCard& card, TPhotoConverter* converter);

}  // namespace hollin
