#pragma once

// The module's character tables (unicode_tables.cpp, written by scripts/gen-unicode-tables.sh from
// QtCore's own mappings, so that the text behaves as QString did, on every platform).

#include <cstddef>
#include <cstdint>
#include <span>

namespace ruz::text::detail {

// The code points first, first + stride, ... up to last map to themselves plus delta; the ones
// in between (stride 2) map to themselves. Sorted by first, never overlapping.
struct CaseRange {
    char32_t first;
    char32_t last;
    std::int32_t delta;
    std::uint8_t stride;
};

// A code point whose whole-text mapping is more than its simple mapping: up to three units.
struct SpecialCase {
    char32_t code;
    std::uint8_t length;
    char16_t units[3];
};

enum class Kind : std::uint8_t { Letter, Mark, DecimalDigit, OtherNumber };

// The code points first to last are of one kind; every code point of no range is of none.
struct KindRange {
    char32_t first;
    char32_t last;
    Kind kind;
};

extern const std::span<const CaseRange> kLowerRanges;
extern const std::span<const CaseRange> kUpperRanges;
extern const std::span<const CaseRange> kFoldRanges;
extern const std::span<const SpecialCase> kLowerSpecial;
extern const std::span<const SpecialCase> kUpperSpecial;
extern const std::span<const KindRange> kKinds;

}  // namespace ruz::text::detail
