#include "platform/native_name.h"
#include "scenario/runner.h"
#include "text/text.h"

#include <cstdio>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    // The files as the command line names them: their bytes, kept as file names keep them.
    std::vector<std::u16string> files;
    for (int i = 1; i < argc; ++i) {
        files.push_back(ruz::nameFromNative(argv[i]));
    }
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
