#include "common/glyphs.h"

#include <iterator>

namespace ruz {

namespace {

// The glyphs, in the order of Glyph.
constexpr GlyphShape kBack[] = {bar(2, 3, 6, 17), triangle({17, 3}, {17, 17}, {7, 10})};
constexpr GlyphShape kRewind[] = {triangle({10, 5}, {10, 15}, {1, 10}),
                                  triangle({19, 5}, {19, 15}, {10, 10})};
constexpr GlyphShape kPlay[] = {triangle({6, 3}, {6, 17}, {17, 10})};
constexpr GlyphShape kPause[] = {bar(5, 4, 9, 16), bar(11, 4, 15, 16)};
constexpr GlyphShape kMute[] = {bar(3, 7, 7, 13), triangle({7, 7}, {12, 3}, {12, 17}),
                                bar(14, 9, 18, 11)};
constexpr GlyphShape kForward[] = {triangle({1, 5}, {1, 15}, {10, 10}),
                                   triangle({10, 5}, {10, 15}, {19, 10})};
constexpr GlyphShape kSkip[] = {triangle({3, 3}, {3, 17}, {13, 10}), bar(14, 3, 18, 17)};
constexpr GlyphShape kFolder[] = {bar(2, 5, 9, 8), bar(2, 7, 18, 16)};
constexpr GlyphShape kHide[] = {bar(4, 13, 16, 16)};
constexpr GlyphShape kClose[] = {
    triangle({4, 5}, {5, 4}, {16, 15}), triangle({4, 5}, {15, 16}, {16, 15}),
    triangle({15, 4}, {16, 5}, {5, 16}), triangle({15, 4}, {4, 15}, {5, 16})};
constexpr std::span<const GlyphShape> kGlyphs[] = {kBack,    kRewind, kPlay,   kPause, kMute,
                                                   kForward, kSkip,   kFolder, kHide,  kClose};

}  // namespace

std::span<const GlyphShape> glyphShapes(Glyph glyph) {
    const auto index = static_cast<std::size_t>(glyph);
    return index < std::size(kGlyphs) ? kGlyphs[index] : std::span<const GlyphShape>();
}

}  // namespace ruz
