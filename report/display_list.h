// The laid-out report: pages of placed bands, each with its items at their
// final page rectangles and final contents. The painter, the text writer and
// the tests read it; nothing in it depends on an output device.
#pragma once

#include <string>
#include <vector>

#include <QImage>

#include "report/report_definition.h"

namespace hollin::report {

struct TPlacedItem {
    const TReportItem* item = nullptr;  // its definition (kind, font, colours)
    TRect rect;                         // on the page, from the paper's top-left corner
    std::string text;                   // Label, DBText, SystemVariable
    std::vector<std::string> lines;     // Memo, DBMemo: the wrapped lines that fit the box
    QImage picture;                     // DBImage: the decoded photo (null: empty box)
    TRect pictureRect;                  // DBImage: where the photo goes, its aspect ratio kept

    const std::string& Name() const { return item->name; }
    TItemKind Kind() const { return item->kind; }
};

struct TPlacedBand {
    const TReportBand* band = nullptr;
    TMicrons left = 0;  // the band's top-left corner on the page
    TMicrons top = 0;
    int recordNo = 0;   // detail bands: 1 for the first record printed
    std::vector<TPlacedItem> items;

    TBandKind Kind() const { return band->kind; }
    // The placed item of that name, or null.
    const TPlacedItem* Find(const std::string& name) const;
};

struct TDisplayPage {
    int pageNo = 0;  // from 1
    int pageCount = 0;
    std::vector<TPlacedBand> bands;

    std::vector<const TPlacedBand*> Details() const;
};

struct TDisplayList {
    TPageSetup page;
    std::vector<TDisplayPage> pages;
    // Photos that could not be decoded (their boxes stay empty).
    int undecodedPictures = 0;
};

}  // namespace hollin::report
