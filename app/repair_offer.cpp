// The offer to repair a damaged table.
#include "app/repair_offer.h"

#include "controls/message_box.h"
#include "data/dm2.h"
#include "engine/files/engine_error.h"

namespace hollin::ui {

void OpenWithRepairOffer(Tdm2& dm2, const std::function<void()>& open) {
    try {
        open();
    } catch (const larch::ELarchEngineError& e) {
        if (!larch::IsCorruptionCode(e.ErrorCode()) || dm2.Larchtbl.Active()) throw;
        const std::string name = dm2.Larchtbl.TableName();
        const std::string question = std::string(e.what()) + "\r\rThe table " + name +
                                     " is damaged. Repair it now from what its data file still holds?"
                                     " Copies of its files are kept first.";
        if (!ConfirmYesNo(question)) return;
        std::string report;
        for (const std::string& line : dm2.RepairTable()) report += (report.empty() ? "" : "\r") + line;
        ShowInformation(report.empty() ? "The table " + name + " was repaired." : report);
        dm2.Larchtbl.Open();
    }
}

}  // namespace hollin::ui
