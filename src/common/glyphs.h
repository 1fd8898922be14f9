#pragma once

// The pictures of the player's buttons as filled shapes on a 20 by 20 grid: one table, drawn by
// each desktop (GDI on Windows, QPainter on Linux). The look-alikes tell themselves apart: Skip
// and Back are a full-height triangle against a thick bar (">|", "|<"), Forward and Rewind two
// shorter triangles point to point (">>", "<<").

#include <array>
#include <span>

namespace ruz {

// The picture a button shows.
enum class Glyph { Back, Rewind, Play, Pause, Mute, Forward, Skip, Folder, Hide, Close };

inline constexpr int kGlyphGrid = 20;

struct GridPoint {
    int x, y;
};

// One filled shape: a polygon of `count` corners, or a rectangle given by two corners.
struct GlyphShape {
    bool rectangle;
    std::array<GridPoint, 4> points;
    int count;
};

constexpr GlyphShape triangle(GridPoint a, GridPoint b, GridPoint c) {
    return {false, {a, b, c, c}, 3};
}
constexpr GlyphShape bar(int left, int top, int right, int bottom) {
    return {true, {GridPoint{left, top}, GridPoint{right, bottom}, {}, {}}, 2};
}

// The shapes of `glyph`, in drawing order; none for a value outside the enumeration.
std::span<const GlyphShape> glyphShapes(Glyph glyph);

}  // namespace ruz
