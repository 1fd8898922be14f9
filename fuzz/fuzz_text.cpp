// The text module: fuzzed bytes read as UTF-8, Latin-1 and code page 1252 and as UTF-16 units,
// through the conversions, the letter cases, the comparisons ignoring case, the pieces, the
// numbers and the wildcards, each with the properties the system relies on.

#include "fuzz_system.h"
#include "text/text.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace {

using namespace ruz::text;

// The longest a case mapping makes one unit: three units.
constexpr std::size_t kMaxCaseGrowth = 3;
constexpr std::u16string_view kByteOrderMark = u"\uFEFF";
constexpr std::u16string_view kWildcardSpecials = u"*?[]!^-";
constexpr char16_t kPatternEnd = u'\0';

void checkBytes(std::string_view bytes) {
    const std::u16string text = fromUtf8(bytes);
    FUZZ_CHECK(text.size() <= bytes.size());
    const std::string back = toUtf8(text);
    FUZZ_CHECK(isValidUtf8(back));
    // Read UTF-8 has no lone surrogates, so it goes back and forth unchanged.
    if (!text.starts_with(kByteOrderMark)) {
        FUZZ_CHECK(fromUtf8(back) == text);
    }
    if (isValidUtf8(bytes)) {
        FUZZ_CHECK(fromUtf8OrLatin1(bytes) == text);
        FUZZ_CHECK(back == bytes.substr(bytes.starts_with("\xEF\xBB\xBF") ? 3 : 0));
    } else {
        FUZZ_CHECK(fromUtf8OrLatin1(bytes) == fromLatin1(bytes));
    }
    // Every byte of both eight-bit code pages has a character and comes back.
    FUZZ_CHECK(toCp1252(fromCp1252(bytes)) == bytes);
    FUZZ_CHECK(toLatin1(fromLatin1(bytes)) == bytes);
}

void checkText(std::u16string_view text) {
    const std::u16string lowered = lower(text);
    const std::u16string uppered = upper(text);
    FUZZ_CHECK(lowered.size() <= text.size() * kMaxCaseGrowth);
    FUZZ_CHECK(uppered.size() <= text.size() * kMaxCaseGrowth);
    FUZZ_CHECK(equalsIgnoringCase(text, text));
    FUZZ_CHECK(lower(lowered) == lowered);

    const Halves halves = splitFirst(text, kPatternEnd);
    const int order = compareIgnoringCase(halves.before, halves.after);
    FUZZ_CHECK(compareIgnoringCase(halves.after, halves.before) == -order);
    FUZZ_CHECK((order == 0) == equalsIgnoringCase(halves.before, halves.after));
    const Index at = indexOfIgnoringCase(halves.before, halves.after);
    FUZZ_CHECK(at >= -1 && at <= static_cast<Index>(halves.before.size()));
    if (at >= 0) {
        FUZZ_CHECK(equalsIgnoringCase(
            mid(halves.before, at, static_cast<Index>(halves.after.size())), halves.after));
        FUZZ_CHECK(containsIgnoringCase(halves.before, halves.after));
    }
    const Index plain = indexOf(halves.before, halves.after);
    if (plain >= 0) {
        FUZZ_CHECK(mid(halves.before, plain, static_cast<Index>(halves.after.size())) ==
                   halves.after);
    }

    // The before half as a pattern for the after half: it ends, and a pattern without special
    // characters matches the text it is.
    const bool matches = matchesWildcard(halves.after, halves.before);
    if (halves.before.find_first_of(kWildcardSpecials) == std::u16string_view::npos) {
        FUZZ_CHECK(matches == equalsIgnoringCase(halves.after, halves.before));
    }
    FUZZ_CHECK(matchesWildcard(halves.after, u"*") == !contains(halves.after, u'/'));

    const std::vector<std::u16string> pieces = split(text, u' ');
    FUZZ_CHECK(join(pieces, u" ") == text);
    const std::u16string_view trim = trimmed(text);
    FUZZ_CHECK(trim.empty() || (!isSpace(trim.front()) && !isSpace(trim.back())));
    FUZZ_CHECK(simplified(text).size() <= trim.size());

    if (const auto value = readLongLong(text)) {
        FUZZ_CHECK(readLongLong(number(*value)) == value);
    }
    if (const auto value = readDouble(text)) {
        FUZZ_CHECK(readDouble(number(*value, 6)).has_value());
    }
    const std::u16string formatted = format(text, u"%1", 7);
    FUZZ_CHECK(formatted.size() <= text.size() * 2 + 2);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    checkBytes(bytes);
    std::u16string units(size / 2, u'\0');
    for (std::size_t i = 0; i < units.size(); ++i) {
        units[i] = static_cast<char16_t>(data[2 * i] | (data[2 * i + 1] << 8));
    }
    checkText(units);
    checkText(fromUtf8(bytes));
    return 0;
}
