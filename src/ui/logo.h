#pragma once

#include "common/glyphs.h"

#include <QColor>
#include <QIcon>
#include <QPixmap>

namespace ruz::ui {

// The program's picture: a note in a chat bubble on a blue tile (the same drawing as the
// installed taviks-ruz.svg), painted at any size.
QPixmap logoPixmap(int size);
QIcon logoIcon();
// A button's picture from the glyph table, `size` pixels square, in `colour` (the same shapes as
// the Windows program's buttons).
QPixmap glyphPixmap(Glyph glyph, int size, const QColor& colour);

}  // namespace ruz::ui
