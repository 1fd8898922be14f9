#include "scenario/runner.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace ruz::scenario {
namespace {

using namespace Qt::StringLiterals;

QByteArray contentOf(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(unreadable)");
}

// A scenario whose step would create a file or folder outside its scratch folder is refused as a
// whole, before any step runs: the runner names the file and line and exits with 2, the file
// that was there keeps its content, and nothing new appears. The scratch folders are made in
// `outside` (the system's temporary folder for the run), so ".." from one of them lands there.
TEST(ScenarioRunner, NoStepWritesOutsideTheScratchFolder) {
    QTemporaryDir outside;
    QTemporaryDir scenarios;
    ASSERT_TRUE(outside.isValid() && scenarios.isValid());
    const QString victim = outside.filePath(u"victim"_s);
    const QByteArray kept = "the user's own file\n";
    const QByteArray previousTemp = qgetenv("TMPDIR");
    qputenv("TMPDIR", QFile::encodeName(outside.path()));

    struct Row {
        QString step;  // the step at line 4, after a step that does write inside
    } rows[] = {
        {u"file "_s + victim},
        {u"file ../victim"_s},
        {u"file music/../../victim"_s},
        {u"song ../victim tone-1s.mp3"_s},
        {u"song "_s + victim + u" tone-1s.mp3"_s},
        {u"folder ../made"_s},
        {u"folder "_s + outside.filePath(u"made"_s)},
        {u"folder .."_s},
    };
    for (const Row& row : rows) {
        QFile file(victim);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(kept) == kept.size());
        file.close();
        const QString path = scenarios.filePath(u"escape.scn"_s);
        QFile scenario(path);
        ASSERT_TRUE(scenario.open(QIODevice::WriteOnly));
        scenario.write("# leaves its scratch folder\nsignon bob\nfile music/inside.txt\n");
        scenario.write(row.step.toUtf8() + "\nexpect running\n");
        scenario.close();

        QStringList printed;
        const int code = runScenarioFiles({path}, [&](const QString& line) { printed << line; });

        const std::string step = row.step.toStdString();
        EXPECT_EQ(code, 2) << step;
        ASSERT_EQ(printed.size(), 2) << step;
        EXPECT_TRUE(printed[0].startsWith(u"FAIL "_s + path + u":4: "_s + row.step +
                                          u" \u2014 expected a path inside the scratch folder"_s))
            << printed[0].toStdString();
        EXPECT_EQ(printed[1], u"0 passed, 1 failed"_s);
        EXPECT_EQ(contentOf(victim), kept) << step;
        EXPECT_EQ(QDir(outside.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
                  QStringList{u"victim"_s})
            << step;
    }
    // Names that only look like "..", and "." pieces, stay inside.
    const QString path = scenarios.filePath(u"inside.scn"_s);
    QFile scenario(path);
    ASSERT_TRUE(scenario.open(QIODevice::WriteOnly));
    scenario.write("folder ..music/./x..\nfile ./a/...\nfile a/..b\nexpect running\n");
    scenario.close();
    QStringList printed;
    EXPECT_EQ(runScenarioFiles({path}, [&](const QString& line) { printed << line; }), 1);
    EXPECT_EQ(printed.value(0),
              u"FAIL "_s + path + u":4: expect running \u2014 expected running, got ended"_s);

    if (previousTemp.isNull()) {
        qunsetenv("TMPDIR");
    } else {
        qputenv("TMPDIR", previousTemp);
    }
}

}  // namespace
}  // namespace ruz::scenario
