// The engine's one clock: the local date and time, which tests may fix.
#pragma once

#include <optional>

namespace larch {

// Local time as days since 12/30/1899 with the time of day as fraction.
double LocalNowAsDateTime();

// Fixes the value LocalNowAsDateTime returns; std::nullopt restores the clock.
void SetLocalNowForTesting(std::optional<double> dateTime);

}  // namespace larch
