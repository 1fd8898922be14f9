#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace ruz::win32 {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "UTF-16 texts are wchar_t on Windows");

// The system's UTF-16 text as the W functions take it, ended by a NUL.
inline std::wstring wide(std::u16string_view text) {
    return std::wstring(text.begin(), text.end());
}

// A W function's text back as the system's UTF-16 text.
inline std::u16string fromWide(std::wstring_view text) {
    return std::u16string(text.begin(), text.end());
}

}  // namespace ruz::win32
