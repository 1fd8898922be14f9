#pragma once

// The program's pictures drawn with GDI: the logo (a speech bubble with two notes on a blue tile)
// and the glyphs of the picture buttons. Built for Windows only.

#include "common/glyphs.h"

#include <windows.h>

namespace ruz::win32 {

// Draws the logo into the square of side `size` whose top-left corner is `x`, `y`.
void drawLogo(HDC dc, int x, int y, int size);
// Draws `glyph` centred in `area`, in `colour`.
void drawGlyph(HDC dc, const RECT& area, Glyph glyph, COLORREF colour);
// The logo as an icon of side `size`; the caller destroys it.
HICON makeLogoIcon(int size);

}  // namespace ruz::win32
