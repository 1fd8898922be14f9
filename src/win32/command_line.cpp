#include "win32/command_line.h"

#include "text/text.h"
#include "win32/wide.h"

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
    std::vector<std::string> utf8;
    utf8.reserve(arguments.size());
    for (const std::wstring& argument : arguments) {
        utf8.push_back(text::toUtf8(fromWide(argument)));
    }
    CommandLine line{desktop::parseCommandLine(utf8), {}};
    line.wideFolder = wide(text::fromUtf8(line.folder));
    return line;
}

}  // namespace ruz::win32
