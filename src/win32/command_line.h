#pragma once

#include <string>
#include <vector>

namespace ruz::win32 {

// The Windows program's command line: [FOLDER | SONG], or --help (-h), or --version (-v).
struct CommandLine {
    std::wstring folder;
    bool help = false;
    bool version = false;
    std::string error;  // not empty: the line is refused, for this reason
};

// `arguments` without the program's name.
CommandLine parseCommandLine(const std::vector<std::wstring>& arguments);

// UTF-16 to the ANSI code page, as the C runtime's narrow file names take it; "?" for a character
// the code page lacks.
std::string narrow(const std::wstring& text);

}  // namespace ruz::win32
