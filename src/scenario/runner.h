#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace ruz::scenario {

enum class Outcome { Passed, Failed, NotUnderstood };

struct FileResult {
    Outcome outcome = Outcome::Passed;
    int line = 0;           // the line that failed or was not understood
    std::u16string report;  // the line printed for the file: "PASS FILE" or "FAIL FILE:LINE: ..."
};

// Runs one scenario, given as text, in a fresh world. `displayName` names it in the report.
FileResult runScenarioText(std::u16string_view text, std::u16string_view displayName);
// Runs one scenario file, named as platform/native_name.h names files; a file that cannot be read
// is NotUnderstood.
FileResult runScenarioFile(std::u16string_view path);

// Runs every file, printing one line per file and then "N passed, M failed".
// Returns the exit code: 0 all passed, 1 a check failed, 2 a file or a step could not be read.
int runScenarioFiles(const std::vector<std::u16string>& paths,
                     const std::function<void(const std::u16string&)>& print);

}  // namespace ruz::scenario
