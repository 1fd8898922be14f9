#include "win32/command_line.h"

#include <windows.h>

namespace ruz::win32 {

std::string narrow(const std::wstring& text) {
    const int length =
        WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(length > 0 ? length : 1), '\0');
    WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, out.data(), length, nullptr, nullptr);
    out.resize(out.size() - 1);
    return out;
}

CommandLine parseCommandLine(const std::vector<std::wstring>& arguments) {
    CommandLine line;
    struct Flag {
        const wchar_t* longName;
        const wchar_t* shortName;
        bool CommandLine::*set;
    };
    const Flag flags[] = {{L"--help", L"-h", &CommandLine::help},
                          {L"--version", L"-v", &CommandLine::version}};
    for (const std::wstring& argument : arguments) {
        bool known = false;
        for (const Flag& flag : flags) {
            if (argument == flag.longName || argument == flag.shortName) {
                line.*flag.set = true;
                known = true;
            }
        }
        if (known) {
            continue;
        }
        if (argument.size() > 1 && argument[0] == L'-') {
            line.error = "unknown option " + narrow(argument);
        } else if (argument.empty()) {
            line.error = "an empty folder name";
        } else if (!line.folder.empty()) {
            line.error = "more than one folder or song";
        } else {
            line.folder = argument;
        }
    }
    return line;
}

}  // namespace ruz::win32
