// A report definition: page setup, the page header, detail and page footer
// bands with their items, and the data pipeline the detail band walks.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "report/report_item.h"

namespace hollin::report {

class TDBPipeline;

enum class TOrientation { Portrait, Landscape };

struct TPageSetup {
    std::string paperName = "Letter 8 1/2 x 11 in";
    TMicrons paperWidth = 215900;
    TMicrons paperHeight = 279401;
    TOrientation orientation = TOrientation::Portrait;
    TMicrons marginLeft = 6350, marginTop = 6350, marginRight = 6350, marginBottom = 6350;
    int columns = 1;             // only one column is laid out
    std::string printerName;     // empty: the default printer, its default bin
    std::string documentName = "Report";  // the print job's name

    // The paper as laid out, after the orientation.
    TMicrons PageWidth() const { return orientation == TOrientation::Portrait ? paperWidth : paperHeight; }
    TMicrons PageHeight() const { return orientation == TOrientation::Portrait ? paperHeight : paperWidth; }
    TMicrons PrintableWidth() const { return PageWidth() - marginLeft - marginRight; }
};

enum class TBandKind { Header, Detail, Footer };

class TReportBand {
public:
    TReportBand(std::string name, TBandKind kind) : name(std::move(name)), kind(kind) {}
    TReportBand(const TReportBand&) = delete;
    TReportBand& operator=(const TReportBand&) = delete;

    // Adds an item; the band owns it and the reference stays valid.
    TReportItem& Add(std::string itemName, TItemKind kind, TRect bounds) {
        items.push_back(std::make_unique<TReportItem>(std::move(itemName), kind, bounds));
        return *items.back();
    }

    std::string name;
    TBandKind kind;
    TMicrons height = 0;
    std::vector<std::unique_ptr<TReportItem>> items;
    // Called before the band is laid out (detail band: once per record and
    // pass, with the cursor on the record); program code may change items.
    std::function<void()> BeforePrint;
};

class TReport {
public:
    explicit TReport(std::string name) : name(std::move(name)) {}
    TReport(const TReport&) = delete;
    TReport& operator=(const TReport&) = delete;

    std::string name;
    TPageSetup page;
    TReportBand header{"HeaderBand", TBandKind::Header};
    TReportBand detail{"DetailBand", TBandKind::Detail};
    TReportBand footer{"FooterBand", TBandKind::Footer};
    TDBPipeline* pipeline = nullptr;  // none: no detail band is printed
    // Whether the report may be written as a text file, and its default name.
    bool allowTextFile = false;
    std::string textFileName;
};

}  // namespace hollin::report
