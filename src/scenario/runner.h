#pragma once

#include <QString>
#include <QStringList>

#include <functional>

namespace ruz::scenario {

enum class Outcome { Passed, Failed, NotUnderstood };

struct FileResult {
    Outcome outcome = Outcome::Passed;
    int line = 0;    // the line that failed or was not understood
    QString report;  // the line printed for the file: "PASS FILE" or "FAIL FILE:LINE: ..."
};

// Runs one scenario, given as text, in a fresh world. `displayName` names it in the report.
FileResult runScenarioText(const QString& text, const QString& displayName);
// Runs one scenario file; a file that cannot be read is NotUnderstood.
FileResult runScenarioFile(const QString& path);

// Runs every file, printing one line per file and then "N passed, M failed".
// Returns the exit code: 0 all passed, 1 a check failed, 2 a file or a step could not be read.
int runScenarioFiles(const QStringList& paths, const std::function<void(const QString&)>& print);

}  // namespace ruz::scenario
