// Opening a table that turns out to be damaged: the program says so and
// offers to rebuild it from what its data file still holds.
#pragma once

#include <functional>

namespace hollin {
class Tdm2;
}

namespace hollin::ui {

// Runs open (an action that opens the data module's table). When it fails
// because a table file is damaged and the table is closed, the error is
// shown with the offer to repair the table; on Yes the table is repaired
// (copies of its files are kept first), what was done is shown, and the
// table is opened again. Any other error propagates.
void OpenWithRepairOffer(Tdm2& dm2, const std::function<void()>& open);

}  // namespace hollin::ui
