// TReportItem: one printable item of a band (label, rectangle, line,
// data-bound text, memo, data-bound memo, data-bound picture, system
// variable). One class for every kind: the kind says which members count.
#pragma once

#include <string>
#include <vector>

#include <QColor>

#include "report/report_geometry.h"

namespace hollin::report {

enum class TItemKind {
    Label,           // caption
    Shape,           // rectangle: outline, fill
    Line,            // horizontal line along the top of its box, lineWeight points
    DBText,          // the display text of dataField
    Memo,            // lines, filled by program code
    DBMemo,          // the text of dataField (a memo field)
    DBImage,         // the JPEG in the blob field dataField
    SystemVariable,  // variable
};

enum class TAlignment { Left, Center, Right };

enum class TSystemVariable {
    PrintDate,    // today, "mm/dd/yyyy"
    PageSetDesc,  // "Page n of m"
};

struct TReportFont {
    std::string family = "Arial";
    double pointSize = 10;
    bool bold = false;
    bool italic = false;

    bool operator==(const TReportFont&) const = default;
};

class TReportItem {
public:
    TReportItem(std::string name, TItemKind kind, TRect bounds) : name(std::move(name)), kind(kind), bounds(bounds) {}

    std::string name;
    TItemKind kind;
    // From the band's top-left corner.
    TRect bounds;

    // Texts (Label, DBText, Memo, DBMemo, SystemVariable).
    TReportFont font;
    QColor colour = Qt::black;
    bool transparent = true;  // otherwise the box is filled with backColour first
    QColor backColour = Qt::white;
    TAlignment alignment = TAlignment::Left;
    // Single-line texts: the box takes the width of the text, keeping its
    // left edge (left-aligned), its centre (centred) or its right edge.
    bool autoSize = false;

    std::string caption;                      // Label
    std::string dataField;                    // DBText, DBMemo, DBImage
    std::vector<std::string> lines;           // Memo: one entry per line, each wrapped in the box
    TSystemVariable variable = TSystemVariable::PrintDate;

    // Shape.
    QColor outline = Qt::black;
    QColor fill = Qt::white;
    double outlineWeight = 0.25;  // points
    // Line.
    double lineWeight = 0.75;  // points

    bool IsText() const { return kind != TItemKind::Shape && kind != TItemKind::Line && kind != TItemKind::DBImage; }
};

}  // namespace hollin::report
