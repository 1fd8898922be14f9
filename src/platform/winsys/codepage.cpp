#include "platform/winsys/codepage.h"

#include "text/text.h"

#include <cstdint>
#include <optional>

namespace ruz::winsys {

namespace {

constexpr char kSubstitute = '?';

struct Decoded {
    std::optional<char32_t> character;  // nullopt: an ill-formed part
    std::size_t length;                 // bytes consumed, at least 1
};

// Decodes the sequence at the start of `s` (not empty). An ill-formed sequence is consumed up to
// the first byte that cannot continue it, so the next lead byte starts afresh.
Decoded decodeOne(std::string_view s) {
    const auto lead = static_cast<unsigned char>(s[0]);
    if (lead < 0x80) {
        return {lead, 1};
    }
    std::size_t need = 0;
    char32_t value = 0;
    unsigned char low = 0x80;   // allowed range of the second byte: excludes overlong forms,
    unsigned char high = 0xBF;  // surrogates and values above U+10FFFF
    if (lead >= 0xC2 && lead <= 0xDF) {
        need = 1;
        value = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        need = 2;
        value = lead & 0x0F;
        if (lead == 0xE0)
            low = 0xA0;
        if (lead == 0xED)
            high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        need = 3;
        value = lead & 0x07;
        if (lead == 0xF0)
            low = 0x90;
        if (lead == 0xF4)
            high = 0x8F;
    } else {
        return {std::nullopt, 1};
    }
    for (std::size_t i = 1; i <= need; ++i) {
        if (i >= s.size()) {
            return {std::nullopt, i};
        }
        const auto byte = static_cast<unsigned char>(s[i]);
        const unsigned char min = i == 1 ? low : 0x80;
        const unsigned char max = i == 1 ? high : 0xBF;
        if (byte < min || byte > max) {
            return {std::nullopt, i};
        }
        value = (value << 6) | (byte & 0x3F);
    }
    return {value, need + 1};
}

constexpr char32_t kReplacement = 0xFFFD;
constexpr char32_t kHighSurrogate = 0xD800;
constexpr char32_t kLowSurrogate = 0xDC00;
constexpr char32_t kLastSurrogate = 0xDFFF;
constexpr char32_t kFirstSupplementary = 0x10000;
// U+FFFD in UTF-8: what a lone half of a surrogate pair becomes.
constexpr std::string_view kReplacementUtf8 = "\xEF\xBF\xBD";

// The UTF-16 units of one decoded sequence: two for a character beyond the first plane.
std::size_t unitsOf(const Decoded& d) {
    return d.character.value_or(kReplacement) >= kFirstSupplementary ? 2 : 1;
}

}  // namespace

std::size_t utf16Length(std::string_view utf8) {
    std::size_t units = 0;
    while (!utf8.empty()) {
        if (static_cast<unsigned char>(utf8.front()) < 0x80) {
            ++units;
            utf8.remove_prefix(1);
            continue;
        }
        const Decoded d = decodeOne(utf8);
        units += unitsOf(d);
        utf8.remove_prefix(d.length);
    }
    return units;
}

std::string utf8FromUnit(std::string_view utf8, std::size_t from) {
    std::string out;
    std::size_t units = 0;
    while (!utf8.empty() && units < from) {
        if (static_cast<unsigned char>(utf8.front()) < 0x80) {
            ++units;
            utf8.remove_prefix(1);
            continue;
        }
        const Decoded d = decodeOne(utf8);
        const std::size_t n = unitsOf(d);
        utf8.remove_prefix(d.length);
        if (units + n > from) {
            out = kReplacementUtf8;  // only the second half of a pair is asked for
        }
        units += n;
    }
    // What a conversion there and back leaves: every well-formed sequence as it is, every
    // ill-formed part as U+FFFD.
    out.reserve(out.size() + utf8.size());
    while (!utf8.empty()) {
        if (static_cast<unsigned char>(utf8.front()) < 0x80) {
            out += utf8.front();
            utf8.remove_prefix(1);
            continue;
        }
        const Decoded d = decodeOne(utf8);
        out += d.character ? utf8.substr(0, d.length) : kReplacementUtf8;
        utf8.remove_prefix(d.length);
    }
    return out;
}

std::string utf8ToCp1252(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    while (!utf8.empty()) {
        const Decoded d = decodeOne(utf8);
        std::optional<char> byte;
        if (d.character) {
            byte = text::cp1252Byte(*d.character);
        }
        out += byte.value_or(kSubstitute);
        utf8.remove_prefix(d.length);
    }
    return out;
}

std::string cp1252ToUtf8(std::string_view cp1252) {
    std::string out;
    out.reserve(cp1252.size());
    for (const char ch : cp1252) {
        text::appendUtf8(out, text::cp1252Character(static_cast<unsigned char>(ch)));
    }
    return out;
}

std::u16string utf8ToUtf16(std::string_view utf8) {
    std::u16string out;
    out.reserve(utf8.size());
    while (!utf8.empty()) {
        const Decoded d = decodeOne(utf8);
        const char32_t c = d.character.value_or(kReplacement);
        if (c < kFirstSupplementary) {
            out += static_cast<char16_t>(c);
        } else {
            const char32_t v = c - kFirstSupplementary;
            out += static_cast<char16_t>(kHighSurrogate + (v >> 10));
            out += static_cast<char16_t>(kLowSurrogate + (v & 0x3FF));
        }
        utf8.remove_prefix(d.length);
    }
    return out;
}

std::string utf16ToUtf8(std::u16string_view utf16) {
    std::string out;
    out.reserve(utf16.size());
    for (std::size_t i = 0; i < utf16.size(); ++i) {
        const char32_t unit = utf16[i];
        const bool high = unit >= kHighSurrogate && unit < kLowSurrogate;
        const bool low = unit >= kLowSurrogate && unit <= kLastSurrogate;
        if (high && i + 1 < utf16.size() && utf16[i + 1] >= kLowSurrogate &&
            utf16[i + 1] <= kLastSurrogate) {
            text::appendUtf8(
                out, 0x10000 + ((unit - kHighSurrogate) << 10) + (utf16[i + 1] - kLowSurrogate));
            ++i;
        } else if (high || low) {
            text::appendUtf8(out, kReplacement);
        } else {
            text::appendUtf8(out, unit);
        }
    }
    return out;
}

}  // namespace ruz::winsys
