// Searching, pieces, white space, numbers and formatting.

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <system_error>

#include "text/text.h"
#include "text/utf16.h"

namespace ruz::text {

namespace {

using detail::isHighSurrogate;
using detail::isLowSurrogate;
using View = std::u16string_view;

constexpr char16_t kBlank = u' ';
// The white space QString::toInt allows around a number: ASCII's.
constexpr std::u16string_view kAsciiBlanks = u" \t\n\v\f\r";
// A double's exact decimal expansion: a sign, up to 309 digits before the point, the point and
// up to 1074 after it.
constexpr int kExactDecimals = 1074;
constexpr std::size_t kExactBufferSize = 1 + 309 + 1 + kExactDecimals;
constexpr int kMaxDecimals = 17;
// A placeholder's number has one or two digits: %1 to %99.
constexpr int kMaxPlaceholderDigits = 2;
constexpr int kDecimalBase = 10;

Index size(View text) {
    return static_cast<Index>(text.size());
}

std::size_t at(Index i) {
    return static_cast<std::size_t>(i);
}

// Whether `i` is the low half of a surrogate pair: no search ignoring case finds a match there.
bool startsInsidePair(View text, Index i) {
    return i > 0 && i < size(text) && isLowSurrogate(text[at(i)]) &&
           isHighSurrogate(text[at(i - 1)]);
}

// What the comparisons ignoring case compare at unit `i`: the unit folded, or at the low half of
// a surrogate pair the whole code point folded (so a pair sorts after every unit of the plane).
char32_t foldedUnit(View text, std::size_t i) {
    const char32_t unit = text[i];
    if (isLowSurrogate(unit) && i > 0 && isHighSurrogate(text[i - 1])) {
        return folded(codePointAt(text, static_cast<Index>(i - 1)).value);
    }
    return folded(unit);
}

std::u16string ascii(std::string_view s) {
    return {s.begin(), s.end()};
}

// The ASCII text of `text`, or nothing when a unit is not ASCII.
std::optional<std::string> asciiOnly(View text) {
    std::string out(text.size(), '\0');
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] >= 0x80) {
            return std::nullopt;
        }
        out[i] = static_cast<char>(text[i]);
    }
    return out;
}

View trimmedOf(View text, View blanks) {
    const auto first = text.find_first_not_of(blanks);
    if (first == View::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

template <typename Number>
std::optional<Number> readWhole(View text) {
    View digits = trimmedOf(text, kAsciiBlanks);
    if (digits.starts_with(u'+')) {
        digits.remove_prefix(1);
        if (digits.starts_with(u'-')) {
            return std::nullopt;
        }
    }
    const auto bytes = asciiOnly(digits);
    if (!bytes || bytes->empty()) {
        return std::nullopt;
    }
    Number value{};
    const char* end = bytes->data() + bytes->size();
    const auto [ptr, ec] = std::from_chars(bytes->data(), end, value, kDecimalBase);
    if (ec != std::errc() || ptr != end) {
        return std::nullopt;
    }
    return value;
}

// Digits from `i` on; returns the position after them.
std::size_t skipDigits(std::string_view s, std::size_t i) {
    while (i < s.size() && s[i] >= '0' && s[i] <= '9') {
        ++i;
    }
    return i;
}

// The decimal number's form: sign, digits with an optional point and fraction, exponent.
bool isDecimalNumber(std::string_view s) {
    std::size_t i = 0;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
        ++i;
    }
    const std::size_t whole = skipDigits(s, i);
    std::size_t end = whole;
    if (end < s.size() && s[end] == '.') {
        end = skipDigits(s, end + 1);
    }
    if (whole == i && end <= whole + 1) {
        return false;  // no digit before or after the point
    }
    if (end < s.size() && (s[end] == 'e' || s[end] == 'E')) {
        std::size_t exponent = end + 1;
        if (exponent < s.size() && (s[exponent] == '+' || s[exponent] == '-')) {
            ++exponent;
        }
        end = skipDigits(s, exponent);
        if (end == exponent) {
            return false;
        }
    }
    return end == s.size();
}

}  // namespace

// ---- Letter case

bool equalsIgnoringCase(View a, View b) {
    return a.size() == b.size() && compareIgnoringCase(a, b) == 0;
}

int compareIgnoringCase(View a, View b) {
    const std::size_t common = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < common; ++i) {
        const char32_t x = foldedUnit(a, i);
        const char32_t y = foldedUnit(b, i);
        if (x != y) {
            return x < y ? -1 : 1;
        }
    }
    return (a.size() > b.size()) - (a.size() < b.size());
}

bool startsWithIgnoringCase(View text, View prefix) {
    return text.size() >= prefix.size() &&
           equalsIgnoringCase(text.substr(0, prefix.size()), prefix);
}

bool endsWithIgnoringCase(View text, View suffix) {
    return text.size() >= suffix.size() &&
           equalsIgnoringCase(text.substr(text.size() - suffix.size()), suffix);
}

// ---- Searching

Index indexOf(View haystack, View needle, Index from) {
    if (from < 0) {
        from += size(haystack);
    }
    if (from < 0 || from > size(haystack)) {
        return -1;
    }
    const auto found = haystack.find(needle, at(from));
    return found == View::npos ? -1 : static_cast<Index>(found);
}

Index indexOf(View haystack, char16_t needle, Index from) {
    return indexOf(haystack, View(&needle, 1), from);
}

Index indexOfIgnoringCase(View haystack, View needle, Index from) {
    if (from < 0) {
        from += size(haystack);
    }
    if (from < 0 || from > size(haystack)) {
        return -1;
    }
    for (Index i = from; i + size(needle) <= size(haystack); ++i) {
        if ((needle.empty() || !startsInsidePair(haystack, i)) &&
            equalsIgnoringCase(haystack.substr(at(i), needle.size()), needle)) {
            return i;
        }
    }
    return -1;
}

Index lastIndexOf(View haystack, View needle, Index from) {
    if (from < 0) {
        from += size(haystack);
        if (from < 0) {
            return -1;
        }
    }
    const auto found = haystack.rfind(needle, at(std::min(from, size(haystack))));
    return found == View::npos ? -1 : static_cast<Index>(found);
}

Index lastIndexOf(View haystack, char16_t needle, Index from) {
    return lastIndexOf(haystack, View(&needle, 1), from);
}

Index lastIndexOfIgnoringCase(View haystack, View needle, Index from) {
    if (from < 0) {
        from += size(haystack);
        if (from < 0) {
            return -1;
        }
    }
    for (Index i = std::min(from, size(haystack) - size(needle)); i >= 0; --i) {
        if ((needle.empty() || !startsInsidePair(haystack, i)) &&
            equalsIgnoringCase(haystack.substr(at(i), needle.size()), needle)) {
            return i;
        }
    }
    return -1;
}

bool contains(View haystack, View needle) {
    return haystack.find(needle) != View::npos;
}

bool contains(View haystack, char16_t needle) {
    return haystack.find(needle) != View::npos;
}

bool containsIgnoringCase(View haystack, View needle) {
    return indexOfIgnoringCase(haystack, needle) >= 0;
}

Index count(View haystack, View needle) {
    if (needle.empty()) {
        return size(haystack) + 1;
    }
    Index n = 0;
    for (auto found = haystack.find(needle); found != View::npos;
         found = haystack.find(needle, found + 1)) {
        ++n;
    }
    return n;
}

// ---- Pieces

View mid(View text, Index pos, Index n) {
    const Index length = size(text);
    if (pos > length) {
        return {};
    }
    if (pos < 0) {
        if (n < 0 || n + pos >= length) {
            return text;
        }
        if (n + pos <= 0) {
            return {};
        }
        n += pos;
        pos = 0;
    } else if (n < 0 || n > length - pos) {
        n = length - pos;
    }
    return text.substr(at(pos), at(n));
}

View left(View text, Index n) {
    return n < 0 ? text : text.substr(0, at(std::min(n, size(text))));
}

View right(View text, Index n) {
    return n < 0 || n >= size(text) ? text : text.substr(at(size(text) - n));
}

View chopped(View text, Index n) {
    return n < 0 ? text : text.substr(0, at(std::max<Index>(size(text) - n, 0)));
}

Halves splitFirst(View text, View separator) {
    const auto found = text.find(separator);
    if (found == View::npos) {
        return {text, {}, false};
    }
    return {text.substr(0, found), text.substr(found + separator.size()), true};
}

Halves splitFirst(View text, char16_t separator) {
    return splitFirst(text, View(&separator, 1));
}

Halves splitLast(View text, View separator) {
    const auto found = text.rfind(separator);
    if (found == View::npos) {
        return {text, {}, false};
    }
    return {text.substr(0, found), text.substr(found + separator.size()), true};
}

Halves splitLast(View text, char16_t separator) {
    return splitLast(text, View(&separator, 1));
}

std::vector<std::u16string> split(View text, View separator, Empty empty) {
    std::vector<std::u16string> pieces;
    const auto keep = [&](View piece) {
        if (!piece.empty() || empty == Empty::Keep) {
            pieces.emplace_back(piece);
        }
    };
    if (separator.empty()) {
        keep(text);
        return pieces;
    }
    std::size_t start = 0;
    for (auto found = text.find(separator); found != View::npos;
         found = text.find(separator, start)) {
        keep(text.substr(start, found - start));
        start = found + separator.size();
    }
    keep(text.substr(start));
    return pieces;
}

std::vector<std::u16string> split(View text, char16_t separator, Empty empty) {
    return split(text, View(&separator, 1), empty);
}

std::u16string join(const std::vector<std::u16string>& pieces, View separator) {
    std::u16string out;
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        if (i > 0) {
            out += separator;
        }
        out += pieces[i];
    }
    return out;
}

std::u16string replaceAll(View text, View from, View to) {
    if (from.empty()) {
        return std::u16string(text);
    }
    std::u16string out;
    out.reserve(text.size());
    std::size_t start = 0;
    for (auto found = text.find(from); found != View::npos; found = text.find(from, start)) {
        out += text.substr(start, found - start);
        out += to;
        start = found + from.size();
    }
    out += text.substr(start);
    return out;
}

std::u16string replaceAll(View text, char16_t from, char16_t to) {
    std::u16string out(text);
    std::replace(out.begin(), out.end(), from, to);
    return out;
}

std::u16string repeated(View text, Index times) {
    std::u16string out;
    for (Index i = 0; i < times; ++i) {
        out += text;
    }
    return out;
}

std::u16string rightJustified(View text, Index width, char16_t fill) {
    std::u16string out;
    if (width > size(text)) {
        out.assign(at(width - size(text)), fill);
    }
    out += text;
    return out;
}

View trimmed(View text) {
    std::size_t first = 0;
    std::size_t end = text.size();
    while (first < end && isSpace(text[first])) {
        ++first;
    }
    while (end > first && isSpace(text[end - 1])) {
        --end;
    }
    return text.substr(first, end - first);
}

std::u16string simplified(View text) {
    std::u16string out;
    out.reserve(text.size());
    bool blank = false;
    for (const char16_t c : trimmed(text)) {
        if (isSpace(c)) {
            blank = true;
            continue;
        }
        if (blank) {
            out += kBlank;
            blank = false;
        }
        out += c;
    }
    return out;
}

// ---- Wildcards

namespace {

constexpr char16_t kAnyCharacters = u'*';
constexpr char16_t kAnyCharacter = u'?';
constexpr char16_t kSetStart = u'[';
constexpr char16_t kSetEnd = u']';
constexpr char16_t kSetRange = u'-';
constexpr std::u16string_view kSetNegations = u"!^";
// '*' and '?' stand for no path separator.
constexpr char32_t kSeparator = U'/';

// The set that starts at pattern[start] ('['): whether `c` or another case of it is in it, and
// where the pattern goes on after it; nothing when the set has no ']'.
struct SetMatch {
    bool matches;
    Index next;
};
std::optional<SetMatch> matchSet(View pattern, Index start, char32_t c) {
    const std::array<char32_t, 5> cases = {c, folded(c), lower(c), upper(c), upper(folded(c))};
    Index i = start + 1;
    const bool negated = i < size(pattern) && contains(kSetNegations, pattern[at(i)]);
    if (negated) {
        ++i;
    }
    bool in = false;
    // A ']' right after the start (and the negation) belongs to the set.
    for (bool first = true; i < size(pattern); first = false) {
        const CodePoint low = codePointAt(pattern, i);
        if (low.value == kSetEnd && !first) {
            return SetMatch{in != negated, i + 1};
        }
        i += low.units;
        char32_t high = low.value;
        if (i + 1 < size(pattern) && pattern[at(i)] == kSetRange && pattern[at(i + 1)] != kSetEnd) {
            const CodePoint last = codePointAt(pattern, i + 1);
            high = last.value;
            i += 1 + last.units;
        }
        in = in || std::any_of(cases.begin(), cases.end(),
                               [&](char32_t x) { return x >= low.value && x <= high; });
    }
    return std::nullopt;
}

}  // namespace

bool matchesWildcard(View text, View pattern) {
    // Walks both, going back to just after the last '*' on a mismatch: no recursion, at most
    // text × pattern steps.
    Index t = 0;
    Index p = 0;
    Index starPattern = -1;
    Index starText = 0;
    while (t < size(text)) {
        const CodePoint c = codePointAt(text, t);
        if (p < size(pattern)) {
            const char16_t unit = pattern[at(p)];
            if (unit == kAnyCharacters) {
                starPattern = ++p;
                starText = t;
                continue;
            }
            if (unit == kAnyCharacter && c.value != kSeparator) {
                ++p;
                t += c.units;
                continue;
            }
            if (unit == kSetStart) {
                if (const auto set = matchSet(pattern, p, c.value)) {
                    if (set->matches) {
                        p = set->next;
                        t += c.units;
                        continue;
                    }
                } else if (folded(c.value) == folded(kSetStart)) {
                    ++p;
                    t += c.units;
                    continue;
                }
            } else {
                const CodePoint wanted = codePointAt(pattern, p);
                if (folded(wanted.value) == folded(c.value)) {
                    p += wanted.units;
                    t += c.units;
                    continue;
                }
            }
        }
        if (starPattern < 0 || text[at(starText)] == kSeparator) {
            return false;
        }
        // The last '*' takes one more character.
        starText += codePointAt(text, starText).units;
        t = starText;
        p = starPattern;
    }
    while (p < size(pattern) && pattern[at(p)] == kAnyCharacters) {
        ++p;
    }
    return p == size(pattern);
}

// ---- Numbers

std::u16string number(std::int64_t value) {
    std::array<char, 24> buffer{};
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value);
    return ascii({buffer.data(), result.ptr});
}

std::u16string number(std::uint64_t value) {
    std::array<char, 24> buffer{};
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value);
    return ascii({buffer.data(), result.ptr});
}

std::u16string number(double value, int decimals) {
    if (std::isnan(value)) {
        return u"nan";
    }
    if (std::isinf(value)) {
        return value < 0 ? u"-inf" : u"inf";
    }
    if (value == 0) {
        value = 0;  // no sign on a negative zero
    }
    // Every double's exact decimal expansion, rounded here: a half goes away from zero.
    std::array<char, kExactBufferSize> buffer{};
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                      std::chars_format::fixed, kExactDecimals);
    std::string digits(buffer.data(), result.ptr);
    const std::size_t point = digits.find('.');
    const std::size_t kept =
        point + 1 + static_cast<std::size_t>(std::clamp(decimals, 0, kMaxDecimals));
    const bool up = digits[kept] >= '5';
    digits.resize(kept == point + 1 ? point : kept);
    for (std::size_t i = digits.size(); up && i-- > 0;) {
        if (digits[i] == '.') {
            continue;
        }
        if (digits[i] == '-') {
            digits.insert(i + 1, 1, '1');
            break;
        }
        if (digits[i] != '9') {
            ++digits[i];
            break;
        }
        digits[i] = '0';
        if (i == 0) {
            digits.insert(0, 1, '1');
        }
    }
    return ascii(digits);
}

std::optional<int> readInt(View text) {
    return readWhole<int>(text);
}

std::optional<unsigned> readUInt(View text) {
    return readWhole<unsigned>(text);
}

std::optional<long long> readLongLong(View text) {
    return readWhole<long long>(text);
}

std::optional<double> readDouble(View text) {
    auto bytes = asciiOnly(trimmed(text));
    if (!bytes || !isDecimalNumber(*bytes)) {
        return std::nullopt;
    }
    const std::size_t skip = bytes->starts_with('+') ? 1 : 0;
    double value = 0;
    const char* end = bytes->data() + bytes->size();
    const auto [ptr, ec] = std::from_chars(bytes->data() + skip, end, value);
    if (ec != std::errc() || ptr != end || !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

// ---- Formatting

std::u16string formatPieces(View pattern, const std::vector<View>& arguments) {
    std::u16string out;
    out.reserve(pattern.size());
    std::size_t i = 0;
    while (i < pattern.size()) {
        const char16_t c = pattern[i];
        if (c != u'%') {
            out += c;
            ++i;
            continue;
        }
        std::size_t end = i + 1;
        std::size_t placeholder = 0;
        while (end < pattern.size() && end - i <= kMaxPlaceholderDigits &&
               isAsciiDigit(pattern[end])) {
            placeholder = placeholder * kDecimalBase + (pattern[end] - u'0');
            ++end;
        }
        if (placeholder >= 1 && placeholder <= arguments.size()) {
            out += arguments[placeholder - 1];
        } else {
            out += pattern.substr(i, end - i);
        }
        i = end;
    }
    return out;
}

}  // namespace ruz::text
