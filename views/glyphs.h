// Small button glyphs drawn in code, so the windows need no image files.
#pragma once

#include <QIcon>

namespace hollin {

// A printer with a sheet of paper.
QIcon PrinterGlyph();
// An open door with an arrow leaving it.
QIcon ExitGlyph();

}  // namespace hollin
