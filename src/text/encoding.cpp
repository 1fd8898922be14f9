// Bytes and text: UTF-8, Latin-1 and Windows code page 1252.

#include <array>
#include <cstdint>
#include <cstring>
#include <optional>

#include "text/text.h"
#include "text/utf16.h"

namespace ruz::text {

namespace {

using namespace detail;

constexpr char kSubstitute = '?';
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
constexpr char32_t kLastLatin1 = 0xFF;
constexpr unsigned char kFirstHighByte = 0x80;
constexpr std::uint64_t kHighBitOfEveryByte = 0x8080808080808080;

// The characters of the bytes 0x80 to 0x9F in code page 1252; the rest of it is Latin-1.
constexpr std::array<char16_t, 32> kCp1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 0x80
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 0x88
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 0x90
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 0x98
};

// The lead bytes of UTF-8: how many continuation bytes follow, the bits the lead byte carries,
// and the range of the first continuation byte (which excludes overlong forms, surrogates and
// values above U+10FFFF).
struct Lead {
    unsigned char first;
    unsigned char last;
    int continuations;
    unsigned char valueMask;
    unsigned char secondLow;
    unsigned char secondHigh;
};
constexpr std::array<Lead, 8> kLeads = {{
    {0xC2, 0xDF, 1, 0x1F, 0x80, 0xBF},
    {0xE0, 0xE0, 2, 0x0F, 0xA0, 0xBF},
    {0xE1, 0xEC, 2, 0x0F, 0x80, 0xBF},
    {0xED, 0xED, 2, 0x0F, 0x80, 0x9F},
    {0xEE, 0xEF, 2, 0x0F, 0x80, 0xBF},
    {0xF0, 0xF0, 3, 0x07, 0x90, 0xBF},
    {0xF1, 0xF3, 3, 0x07, 0x80, 0xBF},
    {0xF4, 0xF4, 3, 0x07, 0x80, 0x8F},
}};
constexpr unsigned char kContinuationLow = 0x80;
constexpr unsigned char kContinuationHigh = 0xBF;
constexpr unsigned char kContinuationBits = 0x3F;
constexpr unsigned kBitsPerContinuation = 6;

constexpr std::uint8_t kNoLead = 0xFF;

// Which row of kLeads each byte leads, or kNoLead.
constexpr std::array<std::uint8_t, 256> kLeadOfByte = [] {
    std::array<std::uint8_t, 256> table{};
    table.fill(kNoLead);
    for (std::size_t row = 0; row < kLeads.size(); ++row) {
        for (unsigned byte = kLeads[row].first; byte <= kLeads[row].last; ++byte) {
            table[byte] = static_cast<std::uint8_t>(row);
        }
    }
    return table;
}();

// The code point of the well-formed sequence at `s[i]` (a byte of 0x80 or more) and its length,
// or nothing.
struct Sequence {
    char32_t value;
    std::size_t length;
};
std::optional<Sequence> sequenceAt(std::string_view s, std::size_t i) {
    const auto byte = static_cast<unsigned char>(s[i]);
    const std::uint8_t row = kLeadOfByte[byte];
    if (row == kNoLead) {
        return std::nullopt;
    }
    const Lead& lead = kLeads[row];
    const auto continuations = static_cast<std::size_t>(lead.continuations);
    if (i + continuations >= s.size()) {
        return std::nullopt;
    }
    char32_t value = byte & lead.valueMask;
    for (std::size_t k = 1; k <= continuations; ++k) {
        const auto next = static_cast<unsigned char>(s[i + k]);
        const unsigned char low = k == 1 ? lead.secondLow : kContinuationLow;
        const unsigned char high = k == 1 ? lead.secondHigh : kContinuationHigh;
        if (next < low || next > high) {
            return std::nullopt;
        }
        value = (value << kBitsPerContinuation) | (next & kContinuationBits);
    }
    return Sequence{value, 1 + continuations};
}

}  // namespace

std::u16string fromUtf8(std::string_view utf8) {
    if (utf8.starts_with(kByteOrderMark)) {
        utf8.remove_prefix(kByteOrderMark.size());
    }
    // Never more units than bytes: written in place, then cut to what was written.
    std::u16string out(utf8.size(), u'\0');
    char16_t* const start = out.data();
    char16_t* to = start;
    for (std::size_t i = 0; i < utf8.size();) {
        const auto byte = static_cast<unsigned char>(utf8[i]);
        if (byte < kFirstHighByte) {
            *to++ = byte;
            ++i;
            // The rest of a run of ASCII a word at a time.
            std::uint64_t word = 0;
            while (i + sizeof word <= utf8.size()) {
                std::memcpy(&word, utf8.data() + i, sizeof word);
                if ((word & kHighBitOfEveryByte) != 0) {
                    break;
                }
                for (std::size_t k = 0; k < sizeof word; ++k) {
                    to[k] = static_cast<unsigned char>(utf8[i + k]);
                }
                to += sizeof word;
                i += sizeof word;
            }
            continue;
        }
        // Two bytes, the most common sequence (Latin, Greek, Cyrillic), without the tables.
        if (byte >= kLeads[0].first && byte <= kLeads[0].last && i + 1 < utf8.size()) {
            const auto next = static_cast<unsigned char>(utf8[i + 1]);
            if (next >= kContinuationLow && next <= kContinuationHigh) {
                *to++ =
                    static_cast<char16_t>(((byte & kLeads[0].valueMask) << kBitsPerContinuation) |
                                          (next & kContinuationBits));
                i += 2;
                continue;
            }
        }
        // A sequence that is not whole and well formed gives one replacement for its lead byte;
        // the bytes after it are read afresh, each stray continuation byte one replacement more.
        const std::optional<Sequence> sequence = sequenceAt(utf8, i);
        if (!sequence) {
            *to++ = kReplacement;
            ++i;
            continue;
        }
        if (sequence->value < kFirstSupplementary) {
            *to++ = static_cast<char16_t>(sequence->value);
        } else {
            *to++ = highSurrogateOf(sequence->value);
            *to++ = lowSurrogateOf(sequence->value);
        }
        i += sequence->length;
    }
    out.resize(static_cast<std::size_t>(to - start));
    return out;
}

bool isValidUtf8(std::string_view bytes) {
    for (std::size_t i = 0; i < bytes.size();) {
        if (static_cast<unsigned char>(bytes[i]) < kFirstHighByte) {
            ++i;
            continue;
        }
        const std::optional<Sequence> sequence = sequenceAt(bytes, i);
        if (!sequence) {
            return false;
        }
        i += sequence->length;
    }
    return true;
}

std::u16string fromUtf8OrLatin1(std::string_view bytes) {
    return isValidUtf8(bytes) ? fromUtf8(bytes) : fromLatin1(bytes);
}

void appendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

std::string toUtf8(std::u16string_view text) {
    std::string out;
    out.reserve(text.size());
    for (Index i = 0; i < static_cast<Index>(text.size());) {
        const CodePoint cp = codePointAt(text, i);
        if (isSurrogate(cp.value)) {
            out += kSubstitute;
        } else {
            appendUtf8(out, cp.value);
        }
        i += cp.units;
    }
    return out;
}

std::u16string fromLatin1(std::string_view latin1) {
    std::u16string out(latin1.size(), u'\0');
    for (std::size_t i = 0; i < latin1.size(); ++i) {
        out[i] = static_cast<unsigned char>(latin1[i]);
    }
    return out;
}

std::string toLatin1(std::u16string_view text) {
    std::string out(text.size(), kSubstitute);
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] <= kLastLatin1) {
            out[i] = static_cast<char>(static_cast<unsigned char>(text[i]));
        }
    }
    return out;
}

char16_t cp1252Character(unsigned char byte) {
    const bool high = byte >= kFirstHighByte && byte < kFirstHighByte + kCp1252High.size();
    return high ? kCp1252High[byte - kFirstHighByte] : byte;
}

std::optional<char> cp1252Byte(char32_t c) {
    if (c < kFirstHighByte || (c >= kFirstHighByte + kCp1252High.size() && c <= kLastLatin1)) {
        return static_cast<char>(static_cast<unsigned char>(c));
    }
    for (std::size_t k = 0; k < kCp1252High.size(); ++k) {
        if (kCp1252High[k] == c) {
            return static_cast<char>(static_cast<unsigned char>(kFirstHighByte + k));
        }
    }
    return std::nullopt;
}

std::u16string fromCp1252(std::string_view cp1252) {
    std::u16string out(cp1252.size(), u'\0');
    for (std::size_t i = 0; i < cp1252.size(); ++i) {
        out[i] = cp1252Character(static_cast<unsigned char>(cp1252[i]));
    }
    return out;
}

std::string toCp1252(std::u16string_view text) {
    std::string out;
    out.reserve(text.size());
    for (Index i = 0; i < static_cast<Index>(text.size());) {
        const CodePoint cp = codePointAt(text, i);
        i += cp.units;
        out += cp1252Byte(cp.value).value_or(kSubstitute);
    }
    return out;
}

}  // namespace ruz::text
