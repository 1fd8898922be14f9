#include "platform/native_name.h"
#include "scenario/runner.h"
#include "text/text.h"

#include <cstdio>
#include <string>
#include <vector>

namespace {

int runFiles(const std::vector<std::u16string>& files) {
    if (files.empty() || files.front() == u"--help") {
        std::fputs(
            "usage: ruz-scenario FILE...\n"
            "Runs each scenario file as one fresh, headless run of Taviks Ruz on virtual "
            "time.\n",
            files.empty() ? stderr : stdout);
        return files.empty() ? 2 : 0;
    }
    return ruz::scenario::runScenarioFiles(files, [](const std::u16string& line) {
        const std::string bytes = ruz::text::toUtf8(line) + '\n';
        std::fwrite(bytes.data(), 1, bytes.size(), stdout);
        std::fflush(stdout);
    });
}

}  // namespace

#ifdef _WIN32
// The files as the command line names them: wide names, every character kept.
int wmain(int argc, wchar_t** argv) {
    std::vector<std::u16string> files;
    for (int i = 1; i < argc; ++i) {
        const std::wstring_view name(argv[i]);
        files.emplace_back(name.begin(), name.end());
    }
    return runFiles(files);
}
#else
// The files as the command line names them: their bytes, kept as file names keep them.
int main(int argc, char** argv) {
    std::vector<std::u16string> files;
    for (int i = 1; i < argc; ++i) {
        files.push_back(ruz::nameFromNative(argv[i]));
    }
    return runFiles(files);
}
#endif
