#include "win32/command_line.h"

#include "irc/command_line.h"
#include "text/text.h"

#include <windows.h>

#include <algorithm>

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
    // The rest is the desktop program's line, as on Linux, in UTF-8.
    std::vector<std::string> rest;
    for (const std::wstring& argument : arguments) {
        const auto flag = std::find_if(std::begin(flags), std::end(flags), [&](const Flag& f) {
            return argument == f.longName || argument == f.shortName;
        });
        if (flag != std::end(flags)) {
            line.*flag->set = true;
            continue;
        }
        if (argument.empty()) {
            line.error = "an empty argument";
            return line;
        }
        rest.push_back(text::toUtf8(std::u16string(argument.begin(), argument.end())));
    }
    const irc::CommandLine desktop = irc::parseCommandLine(rest);
    line.error = desktop.error;
    line.irc = desktop.irc;
    const std::u16string folder = text::fromUtf8(desktop.folder);
    line.folder.assign(folder.begin(), folder.end());
    return line;
}

}  // namespace ruz::win32
