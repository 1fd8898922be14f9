#pragma once

// The system's text: UTF-16 in std::u16string and std::u16string_view, positions and lengths in
// UTF-16 units. Plain C++20 and the standard library only, the same on every platform: the letter
// cases and the character classes come from the module's own tables, never from the C library's
// locale.
//
// Every function takes any input: positions out of range clip, malformed bytes and lone surrogates
// have a defined replacement, and nothing throws but std::bad_alloc.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <tuple>
#include <type_traits>
#include <vector>

namespace ruz::text {

// A position or a length in UTF-16 units; -1 where a search finds nothing.
using Index = std::ptrdiff_t;

// ---- Bytes and text

// UTF-8 to text, as QString::fromUtf8 read it. A sequence that is not whole and well formed (a
// lead byte without its continuations, an overlong form, a surrogate, a value above U+10FFFF)
// gives one U+FFFD for its lead byte, and the bytes after it are read afresh: every stray
// continuation byte is one U+FFFD more. A byte order mark at the start is dropped, one further on
// is U+FEFF; NUL bytes are characters like any other.
std::u16string fromUtf8(std::string_view utf8);
// Text to UTF-8. A lone surrogate becomes '?'.
std::string toUtf8(std::u16string_view text);
// Whether every sequence of `bytes` is well-formed UTF-8.
bool isValidUtf8(std::string_view bytes);
// UTF-8 when `bytes` are valid UTF-8 (a leading byte order mark dropped), else Latin-1: how the
// system reads bytes of an unknown eight-bit code page (song lists, chat lines).
std::u16string fromUtf8OrLatin1(std::string_view bytes);

// Latin-1 (ISO 8859-1): every byte is the character of the same number.
std::u16string fromLatin1(std::string_view latin1);
// Text to Latin-1: every unit above U+00FF becomes '?' (a surrogate pair two).
std::string toLatin1(std::u16string_view text);

// Windows code page 1252. The five bytes the code page leaves undefined (0x81, 0x8D, 0x8F, 0x90,
// 0x9D) stand for U+0081, U+008D, U+008F, U+0090 and U+009D in both directions, as Windows has it;
// every other character the code page lacks becomes '?' (a surrogate pair one '?').
std::u16string fromCp1252(std::string_view cp1252);
std::string toCp1252(std::u16string_view text);
// One byte of code page 1252 and its character, and back: nullopt for a character without a byte.
char16_t cp1252Character(unsigned char byte);
std::optional<char> cp1252Byte(char32_t c);

// Appends `c` (not a surrogate, at most U+10FFFF) in UTF-8.
void appendUtf8(std::string& out, char32_t c);

// ---- Characters

// The code point that starts at `at`, and how many units it takes (1 or 2); a lone surrogate is
// itself, one unit long. `at` must lie inside `text`.
struct CodePoint {
    char32_t value;
    Index units;
};
CodePoint codePointAt(std::u16string_view text, Index at);
// Appends `c` as one or two units: a surrogate code point as its one unit, a value above U+10FFFF
// as U+FFFD.
void appendCodePoint(std::u16string& out, char32_t c);

// White space: U+0009 to U+000D, U+0020, U+0085 and the separators (U+00A0, U+1680, U+2000 to
// U+200A, U+2028, U+2029, U+202F, U+205F, U+3000).
bool isSpace(char32_t c);
// A decimal digit of any script (general category Nd).
bool isDigit(char32_t c);
// A letter of any script (general categories Lu, Ll, Lt, Lm, Lo).
bool isLetter(char32_t c);
// A letter or a number of any kind (general categories L*, Nd, Nl, No).
bool isLetterOrNumber(char32_t c);
// A combining mark (general categories Mn, Mc, Me).
bool isMark(char32_t c);
// '0' to '9' only.
constexpr bool isAsciiDigit(char32_t c) {
    return c >= U'0' && c <= U'9';
}

// The simple (one character to one character) mappings of a single character; a character
// without one is itself.
char32_t lower(char32_t c);
char32_t upper(char32_t c);
// Simple case folding: what the comparisons ignoring case compare.
char32_t folded(char32_t c);

// ---- Letter case

// The whole text in lower or upper case, with the few mappings to more than one character
// ("ß" → "SS", "İ" → "i̇"); surrogate pairs are mapped as their code point, and lone surrogates
// are kept as they are (QString turned those after the first changed character into U+FFFD).
std::u16string lower(std::u16string_view text);
std::u16string upper(std::u16string_view text);

// Comparisons ignoring case: both sides are compared unit by unit after simple case folding, so
// "STRASSE" and "straße" differ, "ΣΊΣΥΦΟΣ" and "σίσυφος" do not. The low half of a surrogate pair
// counts as the pair's whole code point, folded, as QString had it.
bool equalsIgnoringCase(std::u16string_view a, std::u16string_view b);
// Negative, zero or positive as `a` sorts before, with or after `b` once both are folded.
int compareIgnoringCase(std::u16string_view a, std::u16string_view b);
bool startsWithIgnoringCase(std::u16string_view text, std::u16string_view prefix);
bool endsWithIgnoringCase(std::u16string_view text, std::u16string_view suffix);

// ---- Searching

// The first position at or after `from` where `needle` starts, or -1. A negative `from` counts
// from the end (-1 is the last unit); a `from` before the start or past the end finds nothing.
// An empty needle is found at `from` itself (also at the very end).
Index indexOf(std::u16string_view haystack, std::u16string_view needle, Index from = 0);
Index indexOf(std::u16string_view haystack, char16_t needle, Index from = 0);
Index indexOfIgnoringCase(std::u16string_view haystack, std::u16string_view needle, Index from = 0);
// The last position at or before `from` where `needle` starts, or -1. A negative `from` counts
// from the end (-1: the whole text is searched); a `from` before the start finds nothing, one
// past the end searches the whole text.
Index lastIndexOf(std::u16string_view haystack, std::u16string_view needle, Index from = -1);
Index lastIndexOf(std::u16string_view haystack, char16_t needle, Index from = -1);
Index lastIndexOfIgnoringCase(std::u16string_view haystack, std::u16string_view needle,
                              Index from = -1);

bool contains(std::u16string_view haystack, std::u16string_view needle);
bool contains(std::u16string_view haystack, char16_t needle);
bool containsIgnoringCase(std::u16string_view haystack, std::u16string_view needle);
// How many times `needle` occurs, overlapping occurrences counted; an empty needle: size() + 1.
Index count(std::u16string_view haystack, std::u16string_view needle);

// ---- Pieces

// `n` units from `pos` (all the rest when `n` is negative), clipped to the text: a range outside
// it gives the empty text, as QString::mid does. Views into `text`.
std::u16string_view mid(std::u16string_view text, Index pos, Index n = -1);
// The first or last `n` units; all of them when `n` is negative or too large.
std::u16string_view left(std::u16string_view text, Index n);
std::u16string_view right(std::u16string_view text, Index n);
// All but the last `n` units; empty when `n` is the whole length or more, everything when negative.
std::u16string_view chopped(std::u16string_view text, Index n);

// The text before and after the first (or last) separator; without one, `before` is the whole
// text and `after` is empty.
struct Halves {
    std::u16string_view before;
    std::u16string_view after;
    bool found;
};
Halves splitFirst(std::u16string_view text, std::u16string_view separator);
Halves splitFirst(std::u16string_view text, char16_t separator);
Halves splitLast(std::u16string_view text, std::u16string_view separator);
Halves splitLast(std::u16string_view text, char16_t separator);

enum class Empty : bool { Skip, Keep };
// The pieces between the separators. An empty separator gives the whole text as one piece.
std::vector<std::u16string> split(std::u16string_view text, std::u16string_view separator,
                                  Empty empty = Empty::Keep);
std::vector<std::u16string> split(std::u16string_view text, char16_t separator,
                                  Empty empty = Empty::Keep);
std::u16string join(const std::vector<std::u16string>& pieces, std::u16string_view separator);

// Every occurrence of `from`, left to right without overlaps, replaced by `to`. An empty `from`
// changes nothing.
std::u16string replaceAll(std::u16string_view text, std::u16string_view from,
                          std::u16string_view to);
std::u16string replaceAll(std::u16string_view text, char16_t from, char16_t to);
// `text` `times` times (none when `times` is not positive).
std::u16string repeated(std::u16string_view text, Index times);
// `text` with `fill` put before it up to `width` units; a longer text as it is.
std::u16string rightJustified(std::u16string_view text, Index width, char16_t fill = u' ');

// Without white space (isSpace) at both ends; a view into `text`.
std::u16string_view trimmed(std::u16string_view text);
// Trimmed, and every run of white space inside replaced by one blank.
std::u16string simplified(std::u16string_view text);

// Whether the whole of `text` matches the wildcard `pattern`, ignoring case (as the comparisons
// ignoring case fold): '*' stands for any characters but '/', '?' for one but '/', "[abc]" and
// "[a-z]" for one of a set, "[!abc]" or "[^abc]" for one not in it; a '[' without its ']' is
// itself, a range from high to low is empty. A surrogate pair counts as one character.
bool matchesWildcard(std::u16string_view text, std::u16string_view pattern);

// ---- Numbers

// The integer types that are numbers, not characters or truth values.
template <typename T>
concept Integer = std::is_integral_v<T> && !std::is_same_v<T, bool> && !std::is_same_v<T, char> &&
                  !std::is_same_v<T, char16_t> && !std::is_same_v<T, char32_t>;

// Decimal digits with a '-' for negative values.
std::u16string number(std::int64_t value);
std::u16string number(std::uint64_t value);
template <Integer T>
std::u16string number(T value) {
    if constexpr (std::is_signed_v<T>) {
        return number(static_cast<std::int64_t>(value));
    } else {
        return number(static_cast<std::uint64_t>(value));
    }
}
// Fixed notation with `decimals` digits after the point (0 to 17; others clip), as QString::number
// with 'f' wrote it: the double's exact value rounded, a half away from zero, so number(0.125, 2)
// is "0.13" and number(2.675, 2) "2.67" (the double lies just below 2.675); a negative zero is
// "0". Not finite: "inf", "-inf" or "nan".
std::u16string number(double value, int decimals);

// A whole decimal number in the type's range, as QString::toInt read it: optional ASCII white
// space (blank, tab, line breaks, '\v', '\f') around it, an optional '+' or '-' ('-' only for
// signed types, "-0" included), then ASCII digits only. Anything else, or a value out of range, is
// none.
std::optional<int> readInt(std::u16string_view text);
std::optional<unsigned> readUInt(std::u16string_view text);
std::optional<long long> readLongLong(std::u16string_view text);
// A decimal number: white space (isSpace) around it, an optional sign, digits with an optional
// '.' and fraction (or '.' and a fraction), an optional exponent. "inf", "nan", hexadecimal and
// values a double cannot hold (too large, or too small to be told from zero) are none.
std::optional<double> readDouble(std::u16string_view text);

// ---- Formatting

// `pattern` with %1 to %99 replaced by the arguments (%1 the first); a '%' followed by no number
// of an argument stays as it is. Arguments are texts, characters (char16_t) or integers.
std::u16string formatPieces(std::u16string_view pattern,
                            const std::vector<std::u16string_view>& arguments);

namespace detail {
inline std::u16string_view argument(std::u16string_view s) {
    return s;
}
inline std::u16string_view argument(const std::u16string& s) {
    return s;
}
inline std::u16string_view argument(const char16_t* s) {
    return s;
}
inline std::u16string argument(char16_t c) {
    return std::u16string(1, c);
}
template <Integer T>
std::u16string argument(T value) {
    return number(value);
}
}  // namespace detail

template <typename... Arguments>
std::u16string format(std::u16string_view pattern, const Arguments&... arguments) {
    // The converted arguments live until the pieces are put together.
    const auto texts = std::make_tuple(detail::argument(arguments)...);
    return std::apply(
        [&](const auto&... t) { return formatPieces(pattern, {std::u16string_view(t)...}); },
        texts);
}

}  // namespace ruz::text
