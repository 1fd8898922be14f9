#pragma once

// UTF-16's surrogates, shared by the module's files.

namespace ruz::text::detail {

constexpr char32_t kHighSurrogateFirst = 0xD800;
constexpr char32_t kLowSurrogateFirst = 0xDC00;
constexpr char32_t kSurrogateLast = 0xDFFF;
constexpr char32_t kFirstSupplementary = 0x10000;
constexpr char32_t kLastCodePoint = 0x10FFFF;
constexpr char16_t kReplacement = 0xFFFD;
constexpr unsigned kSurrogateBits = 10;
constexpr char32_t kSurrogateMask = 0x3FF;

constexpr bool isHighSurrogate(char32_t c) {
    return c >= kHighSurrogateFirst && c < kLowSurrogateFirst;
}

constexpr bool isLowSurrogate(char32_t c) {
    return c >= kLowSurrogateFirst && c <= kSurrogateLast;
}

constexpr bool isSurrogate(char32_t c) {
    return c >= kHighSurrogateFirst && c <= kSurrogateLast;
}

// The two units of a supplementary code point (U+10000 to U+10FFFF).
constexpr char16_t highSurrogateOf(char32_t c) {
    return static_cast<char16_t>(kHighSurrogateFirst +
                                 ((c - kFirstSupplementary) >> kSurrogateBits));
}

constexpr char16_t lowSurrogateOf(char32_t c) {
    return static_cast<char16_t>(kLowSurrogateFirst + ((c - kFirstSupplementary) & kSurrogateMask));
}

constexpr char32_t fromSurrogates(char32_t high, char32_t low) {
    return kFirstSupplementary + ((high - kHighSurrogateFirst) << kSurrogateBits) +
           (low - kLowSurrogateFirst);
}

}  // namespace ruz::text::detail
