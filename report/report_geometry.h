// Lengths of report definitions and layouts: whole thousandths of a
// millimetre (6350 for 6.35 mm), and the rectangles built from them.
#pragma once

#include <cstdint>

namespace hollin::report {

// One thousandth of a millimetre; a Letter page is 215900 x 279401.
using TMicrons = int32_t;

constexpr double kMicronsPerInch = 25400.0;
constexpr double kMicronsPerPoint = kMicronsPerInch / 72.0;

struct TRect {
    TMicrons left = 0;
    TMicrons top = 0;
    TMicrons width = 0;
    TMicrons height = 0;

    TMicrons Right() const { return left + width; }
    TMicrons Bottom() const { return top + height; }
    TRect Moved(TMicrons dx, TMicrons dy) const { return {left + dx, top + dy, width, height}; }
    bool operator==(const TRect&) const = default;
};

// Device pixels of a length at the given resolution (dots per inch).
inline double ToDevice(TMicrons length, double dpi) { return length * dpi / kMicronsPerInch; }

}  // namespace hollin::report
