#include "win32/pictures.h"

#include <algorithm>
#include <array>
#include <span>

namespace ruz::win32 {

namespace {

// The logo is laid out on a 64 by 64 grid, the glyphs on the table's.
constexpr int kLogoGrid = 64;
constexpr COLORREF kTileTop = RGB(0x3a, 0x7b, 0xd5);
constexpr COLORREF kTileBottom = RGB(0x1c, 0x3f, 0x73);
constexpr COLORREF kWhite = RGB(0xff, 0xff, 0xff);

using Shape = GlyphShape;

POINT scaled(GridPoint p, int x, int y, int size, int grid) {
    return POINT{x + p.x * size / grid, y + p.y * size / grid};
}

void fillShape(HDC dc, const Shape& shape, int x, int y, int size, int grid) {
    if (shape.rectangle) {
        const POINT a = scaled(shape.points[0], x, y, size, grid);
        const POINT b = scaled(shape.points[1], x, y, size, grid);
        Rectangle(dc, a.x, a.y, b.x, b.y);
        return;
    }
    std::array<POINT, 4> corners{};
    for (int i = 0; i < shape.count; ++i) {
        corners[static_cast<std::size_t>(i)] =
            scaled(shape.points[static_cast<std::size_t>(i)], x, y, size, grid);
    }
    Polygon(dc, corners.data(), shape.count);
}

// Pen and brush of one colour, put back as they were when the object goes.
class Paint {
  public:
    Paint(HDC dc, COLORREF colour)
        : dc_(dc),
          pen_(CreatePen(PS_SOLID, 1, colour)),
          brush_(CreateSolidBrush(colour)),
          oldPen_(SelectObject(dc, pen_)),
          oldBrush_(SelectObject(dc, brush_)) {}
    ~Paint() {
        SelectObject(dc_, oldPen_);
        SelectObject(dc_, oldBrush_);
        DeleteObject(pen_);
        DeleteObject(brush_);
    }
    Paint(const Paint&) = delete;
    Paint& operator=(const Paint&) = delete;

  private:
    HDC dc_;
    HPEN pen_;
    HBRUSH brush_;
    HGDIOBJ oldPen_;
    HGDIOBJ oldBrush_;
};

COLORREF between(COLORREF from, COLORREF to, int step, int steps) {
    const auto mix = [&](int a, int b) { return a + (b - a) * step / steps; };
    return RGB(mix(GetRValue(from), GetRValue(to)), mix(GetGValue(from), GetGValue(to)),
               mix(GetBValue(from), GetBValue(to)));
}

}  // namespace

void drawLogo(HDC dc, int x, int y, int size) {
    const auto at = [&](int grid) { return grid * size / kLogoGrid; };
    // The tile: a rounded square shaded from top to bottom, band by band.
    constexpr int kBands = 16;
    const HRGN tile =
        CreateRoundRectRgn(x + at(2), y + at(2), x + at(62), y + at(62), at(24), at(24));
    SelectClipRgn(dc, tile);
    for (int band = 0; band < kBands; ++band) {
        const Paint paint(dc, between(kTileTop, kTileBottom, band, kBands - 1));
        Rectangle(dc, x, y + size * band / kBands, x + size, y + size * (band + 1) / kBands + 1);
    }
    SelectClipRgn(dc, nullptr);
    DeleteObject(tile);
    {
        // The speech bubble with its tail.
        const Paint paint(dc, kWhite);
        RoundRect(dc, x + at(8), y + at(10), x + at(56), y + at(44), at(12), at(12));
        const Shape tail = triangle({17, 40}, {17, 54}, {32, 40});
        fillShape(dc, tail, x, y, size, kLogoGrid);
    }
    // Two notes joined by a beam.
    const Paint paint(dc, kTileBottom);
    Ellipse(dc, x + at(20), y + at(31), x + at(30), y + at(39));
    Ellipse(dc, x + at(36), y + at(28), x + at(46), y + at(36));
    const Shape parts[] = {bar(28, 18, 31, 35), bar(44, 15, 47, 32)};
    for (const Shape& part : parts) {
        fillShape(dc, part, x, y, size, kLogoGrid);
    }
    const POINT beam[] = {{x + at(28), y + at(18)},
                          {x + at(47), y + at(15)},
                          {x + at(47), y + at(20)},
                          {x + at(28), y + at(23)}};
    Polygon(dc, beam, 4);
}

void drawGlyph(HDC dc, const RECT& area, Glyph glyph, COLORREF colour) {
    const int size = std::min(area.right - area.left, area.bottom - area.top) * 2 / 3;
    const int x = (area.left + area.right - size) / 2;
    const int y = (area.top + area.bottom - size) / 2;
    const Paint paint(dc, colour);
    for (const Shape& shape : glyphShapes(glyph)) {
        fillShape(dc, shape, x, y, size, kGlyphGrid);
    }
}

HICON makeLogoIcon(int size) {
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP colour = CreateCompatibleBitmap(screen, size, size);
    HBITMAP mask = CreateBitmap(size, size, 1, 1, nullptr);
    ReleaseDC(nullptr, screen);

    // The mask: the tile is opaque (black), the rest transparent (white).
    HGDIOBJ old = SelectObject(dc, mask);
    PatBlt(dc, 0, 0, size, size, WHITENESS);
    {
        const Paint paint(dc, RGB(0, 0, 0));
        RoundRect(dc, size * 2 / kLogoGrid, size * 2 / kLogoGrid, size * 62 / kLogoGrid,
                  size * 62 / kLogoGrid, size * 24 / kLogoGrid, size * 24 / kLogoGrid);
    }
    SelectObject(dc, colour);
    PatBlt(dc, 0, 0, size, size, BLACKNESS);
    drawLogo(dc, 0, 0, size);
    SelectObject(dc, old);
    DeleteDC(dc);

    ICONINFO info{};
    info.fIcon = TRUE;
    info.hbmMask = mask;
    info.hbmColor = colour;
    HICON icon = CreateIconIndirect(&info);
    DeleteObject(colour);
    DeleteObject(mask);
    return icon;
}

}  // namespace ruz::win32
