#pragma once

#include "desktop/command_line.h"

#include <string>
#include <vector>

namespace ruz::win32 {

// The Windows program's command line: the desktop programs' one, read from the system's UTF-16
// arguments, with the folder (or song) as the system names it.
struct CommandLine : desktop::CommandLine {
    std::wstring wideFolder;
};

// `arguments` without the program's name.
CommandLine parseCommandLine(const std::vector<std::wstring>& arguments);

// UTF-16 to the ANSI code page, as the C runtime's narrow file names take it; "?" for a character
// the code page lacks.
std::string narrow(const std::wstring& text);

}  // namespace ruz::win32
