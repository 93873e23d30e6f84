// Look-ups over the display list.
#include "report/display_list.h"

namespace hollin::report {

const TPlacedItem* TPlacedBand::Find(const std::string& name) const {
    for (const TPlacedItem& placed : items) {
        if (placed.item->name == name) return &placed;
    }
    return nullptr;
}

std::vector<const TPlacedBand*> TDisplayPage::Details() const {
    std::vector<const TPlacedBand*> details;
    for (const TPlacedBand& band : bands) {
        if (band.Kind() == TBandKind::Detail) details.push_back(&band);
    }
    return details;
}

}  // namespace hollin::report
