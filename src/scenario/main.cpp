#include "scenario/runner.h"

#include <QCoreApplication>
#include <QTextStream>

#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QStringList files = app.arguments().mid(1);
    if (files.isEmpty() || files.first() == u"--help") {
        std::fputs(
            "usage: ruz-scenario FILE...\n"
            "Runs each scenario file as one fresh, headless run of Taviks Ruz on virtual "
            "time.\n",
            files.isEmpty() ? stderr : stdout);
        return files.isEmpty() ? 2 : 0;
    }
    QTextStream out(stdout);
    return ruz::scenario::runScenarioFiles(files, [&](const QString& line) {
        out << line << '\n';
        out.flush();
    });
}
