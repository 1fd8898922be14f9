#pragma once

#include "irc/session.h"

#include <optional>
#include <string>
#include <vector>

namespace ruz::win32 {

// The Windows program's command line: the desktop program's options (the IRC channels to sit in,
// and FOLDER | SONG), or --help (-h), or --version (-v).
struct CommandLine {
    std::wstring folder;
    std::optional<irc::Settings> irc;  // nullopt: the messenger's own windows
    bool help = false;
    bool version = false;
    std::string error;  // not empty: the line is refused, for this reason (UTF-8)
};

// `arguments` without the program's name.
CommandLine parseCommandLine(const std::vector<std::wstring>& arguments);

// UTF-16 to the ANSI code page, as the C runtime's narrow file names take it; "?" for a character
// the code page lacks.
std::string narrow(const std::wstring& text);

}  // namespace ruz::win32
