// One argument written into a Windows command line so that CommandLineToArgvW (and the C
// runtime's own splitting) give it back unchanged: plain words stay as they are; others go in
// double quotes, with a double quote inside escaped by a backslash and the backslashes before a
// double quote (or before the closing one) doubled.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace ruz::win32 {

inline std::wstring quoteArgument(std::wstring_view argument) {
    if (!argument.empty() && argument.find_first_of(L" \t\n\v\"") == std::wstring_view::npos) {
        return std::wstring(argument);
    }
    std::wstring quoted = L"\"";
    std::size_t backslashes = 0;
    for (const wchar_t c : argument) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        // Backslashes count as escapes only before a double quote.
        const std::size_t kept = c == L'"' ? 2 * backslashes + 1 : backslashes;
        quoted.append(kept, L'\\');
        quoted += c;
        backslashes = 0;
    }
    quoted.append(2 * backslashes, L'\\');
    quoted += L'"';
    return quoted;
}

}  // namespace ruz::win32
