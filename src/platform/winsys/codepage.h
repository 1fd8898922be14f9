#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace ruz::winsys {

// Conversion between UTF-8 and Windows code page 1252, the ANSI code page that texts crossing the
// window system use.
//
// Every character the code page lacks becomes '?', and so does every malformed UTF-8 sequence
// (one '?' for each maximal ill-formed part). U+2020 "†" becomes 0x86. The five bytes the code page
// leaves undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) stand for U+0081, U+008D, U+008F, U+0090 and
// U+009D in both directions, as Windows has it; the other C1 controls have no byte.
std::string utf8ToCp1252(std::string_view utf8);

// Every byte has a character, so this conversion never loses anything.
std::string cp1252ToUtf8(std::string_view cp1252);

// Conversion between UTF-8 and UTF-16, the texts of Unicode windows. A malformed UTF-8 sequence
// and a lone surrogate each become U+FFFD; everything else passes without loss.
std::u16string utf8ToUtf16(std::string_view utf8);
std::string utf16ToUtf8(std::u16string_view utf16);
// The length of utf8ToUtf16(utf8), without converting.
std::size_t utf16Length(std::string_view utf8);
// utf16ToUtf8(utf8ToUtf16(utf8).substr(from)), without converting what comes before unit `from`.
std::string utf8FromUnit(std::string_view utf8, std::size_t from);

}  // namespace ruz::winsys
