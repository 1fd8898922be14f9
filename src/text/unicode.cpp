// Characters: their kinds and letter cases, from the generated tables.

#include <algorithm>
#include <array>
#include <optional>
#include <span>

#include "text/text.h"
#include "text/unicode_tables.h"
#include "text/utf16.h"

namespace ruz::text {

namespace {

using detail::CaseRange;
using detail::Kind;
using detail::KindRange;
using detail::SpecialCase;

using namespace detail;

// The white space characters, besides U+0009 to U+000D.
constexpr std::array<char32_t, 20> kSpaces = {
    0x0020, 0x0085, 0x00A0, 0x1680, 0x2000, 0x2001, 0x2002, 0x2003, 0x2004, 0x2005,
    0x2006, 0x2007, 0x2008, 0x2009, 0x200A, 0x2028, 0x2029, 0x202F, 0x205F, 0x3000};

char32_t mapped(std::span<const CaseRange> ranges, char32_t c) {
    const auto after = std::upper_bound(ranges.begin(), ranges.end(), c,
                                        [](char32_t v, const CaseRange& r) { return v < r.first; });
    if (after == ranges.begin()) {
        return c;
    }
    const CaseRange& r = *(after - 1);
    if (c > r.last || (c - r.first) % r.stride != 0) {
        return c;
    }
    return static_cast<char32_t>(static_cast<std::int64_t>(c) + r.delta);
}

const SpecialCase* special(std::span<const SpecialCase> table, char32_t c) {
    const auto at = std::lower_bound(table.begin(), table.end(), c,
                                     [](const SpecialCase& s, char32_t v) { return s.code < v; });
    return at != table.end() && at->code == c ? &*at : nullptr;
}

std::optional<Kind> kindOf(char32_t c) {
    const auto after = std::upper_bound(detail::kKinds.begin(), detail::kKinds.end(), c,
                                        [](char32_t v, const KindRange& r) { return v < r.first; });
    if (after == detail::kKinds.begin() || c > (after - 1)->last) {
        return std::nullopt;
    }
    return (after - 1)->kind;
}

// One direction of case: the tables, and the letters of ASCII that change (the common case,
// mapped without the tables).
struct CaseDirection {
    std::span<const CaseRange> ranges;
    std::span<const SpecialCase> specials;
    char16_t asciiFirst;
    char16_t asciiLast;
};
constexpr char16_t kAsciiCaseDistance = u'a' - u'A';
constexpr char16_t kFirstNonAscii = 0x80;

std::u16string caseMapped(std::u16string_view text, const CaseDirection& direction) {
    std::u16string out;
    out.reserve(text.size());
    for (Index i = 0; i < static_cast<Index>(text.size());) {
        const char16_t unit = text[static_cast<std::size_t>(i)];
        if (unit < kFirstNonAscii) {
            const bool changes = unit >= direction.asciiFirst && unit <= direction.asciiLast;
            out += !changes ? unit
                   : direction.asciiFirst == u'A'
                       ? static_cast<char16_t>(unit + kAsciiCaseDistance)
                       : static_cast<char16_t>(unit - kAsciiCaseDistance);
            ++i;
            continue;
        }
        const CodePoint cp = codePointAt(text, i);
        if (const SpecialCase* s = special(direction.specials, cp.value)) {
            out.append(s->units, s->length);
        } else {
            appendCodePoint(out, mapped(direction.ranges, cp.value));
        }
        i += cp.units;
    }
    return out;
}

}  // namespace

CodePoint codePointAt(std::u16string_view text, Index at) {
    const char32_t unit = text[static_cast<std::size_t>(at)];
    if (isHighSurrogate(unit) && at + 1 < static_cast<Index>(text.size())) {
        const char32_t next = text[static_cast<std::size_t>(at + 1)];
        if (isLowSurrogate(next)) {
            return {fromSurrogates(unit, next), 2};
        }
    }
    return {unit, 1};
}

void appendCodePoint(std::u16string& out, char32_t c) {
    if (c < kFirstSupplementary) {
        out += static_cast<char16_t>(c);
    } else if (c <= kLastCodePoint) {
        out += highSurrogateOf(c);
        out += lowSurrogateOf(c);
    } else {
        out += kReplacement;
    }
}

bool isSpace(char32_t c) {
    return (c >= U'\t' && c <= U'\r') ||
           std::find(kSpaces.begin(), kSpaces.end(), c) != kSpaces.end();
}

bool isDigit(char32_t c) {
    return kindOf(c) == Kind::DecimalDigit;
}

bool isLetter(char32_t c) {
    return kindOf(c) == Kind::Letter;
}

bool isLetterOrNumber(char32_t c) {
    const auto kind = kindOf(c);
    return kind && *kind != Kind::Mark;
}

bool isMark(char32_t c) {
    return kindOf(c) == Kind::Mark;
}

char32_t lower(char32_t c) {
    return mapped(detail::kLowerRanges, c);
}

char32_t upper(char32_t c) {
    return mapped(detail::kUpperRanges, c);
}

char32_t folded(char32_t c) {
    return mapped(detail::kFoldRanges, c);
}

std::u16string lower(std::u16string_view text) {
    return caseMapped(text, {detail::kLowerRanges, detail::kLowerSpecial, u'A', u'Z'});
}

std::u16string upper(std::u16string_view text) {
    return caseMapped(text, {detail::kUpperRanges, detail::kUpperSpecial, u'a', u'z'});
}

}  // namespace ruz::text
