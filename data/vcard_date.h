// The date of a vCard property (BDAY, ANNIVERSARY, X-ABDATE ...): a full
// date, a date without a year, or no date at all.
#pragma once

#include <cstdint>

#include "data/vcard_reader.h"

namespace hollin {

struct TVCardDate {
    enum TKind { Full, WithoutYear, NoDate } kind = NoDate;
    int32_t day = 0;  // the day number of a full date
};

// 19960415, 1996-04-15, date-times (the date part: 19531015T231000Z,
// 1996-04-15T00:00:00) are full dates; --0415, --04-15, Apple's
// X-APPLE-OMIT-YEAR and the placeholder year 1604 have no year; a text value
// (VALUE=text) or anything else is no date.
TVCardDate ParseVCardDate(const TVCardProperty& property);

}  // namespace hollin
