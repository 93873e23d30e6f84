// The engine error code an action raises, for tests of failure paths.
#pragma once

#include <functional>

#include "engine/files/engine_error.h"

namespace larch::testing {

// The code of the ELarchEngineError `action` raises; 0 when it raises none.
inline int CodeOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const ELarchEngineError& e) {
        return e.ErrorCode();
    }
    return 0;
}

}  // namespace larch::testing
