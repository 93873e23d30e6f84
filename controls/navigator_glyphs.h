// The small pictures on the navigator's buttons, drawn in one style.
#pragma once

#include <QIcon>

#include "controls/db_navigator.h"

namespace hollin::ui {

// A 16 x 16 glyph for the button, in the palette's text colour (and its
// disabled colour for the disabled state).
QIcon NavigatorGlyph(TNavigateBtn button, const QPalette& palette);

}  // namespace hollin::ui
