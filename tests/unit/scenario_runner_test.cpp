#include "scenario/runner.h"

#include "scenario/properties.h"
#include "scenario/world.h"

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

// How steps read: each scenario passes, fails a check, or is not understood at the line named.
TEST(ScenarioRunner, StepsReadByTheirShapes) {
    struct Row {
        QString text;
        Outcome outcome;
        int line;  // the line named when it does not pass
    } rows[] = {
        {u"clock 2026-12-06 22:31:02\nclock 2026-13-06 22:31:02\n"_s, Outcome::NotUnderstood, 2},
        {u"clock 2026-12-06\n"_s, Outcome::NotUnderstood, 1},
        {u"answer no 250\nanswer yes\n"_s, Outcome::Passed, 0},
        {u"answer yes 99999999999\n"_s, Outcome::NotUnderstood, 1},
        {u"answer yes -5\n"_s, Outcome::NotUnderstood, 1},
        {u"answer yes +5\n"_s, Outcome::NotUnderstood, 1},
        {u"answer yes \n"_s, Outcome::NotUnderstood, 1},
        {u"answer maybe\n"_s, Outcome::NotUnderstood, 1},
        {u"song tone-1s.mp3\n"_s, Outcome::NotUnderstood, 1},
        {u"song a b/c d.mp3 tone-1s.mp3\nsong x missing.mp3\n"_s, Outcome::Failed, 2},
        {u"room\nsay bob\n"_s, Outcome::NotUnderstood, 2},
        {u"room\nsay bob:\nsay amy: a: b\n"_s, Outcome::Passed, 0},
        // A control is clicked by what a click does to its kind.
        {u"answer no\nstart\nclick chkRepeat\nexpect chkRepeat.Value 1\nclick Image27\nclick Ccoms\n"_s,
         Outcome::Failed, 6},
        {u"answer no\nstart\nclick nothing\n"_s, Outcome::Failed, 3},
        // The repeat form: a step N times, or once per number with "{}" written as the number.
        {u"repeat 3 room\nexpect rooms 3\n"_s, Outcome::Passed, 0},
        {u"repeat 2 room\nexpect rooms 3\n"_s, Outcome::Failed, 2},
        {u"room\nrepeat 2 expect sent x\n"_s, Outcome::Failed, 2},
        {u"room\nrepeat 2 type {}\nexpect input {}\n"_s, Outcome::Passed, 0},
        {u"room\nrepeat 8..10 type x{}\nexpect input x10\n"_s, Outcome::Passed, 0},
        {u"room\nrepeat 001..002 type {}{}\nexpect input 002002\n"_s, Outcome::Passed, 0},
        {u"repeat 0 room\n"_s, Outcome::NotUnderstood, 1},
        {u"room\nrepeat 3..1 room\n"_s, Outcome::NotUnderstood, 2},
        {u"repeat 10001 room\n"_s, Outcome::NotUnderstood, 1},
        {u"repeat 1..10000 wait 0\n"_s, Outcome::Passed, 0},
        {u"repeat 2 repeat 2 room\n"_s, Outcome::NotUnderstood, 1},
        {u"repeat 3\n"_s, Outcome::NotUnderstood, 1},
        {u"repeat 3 \n"_s, Outcome::NotUnderstood, 1},
        {u"repeat 2 file ../x{}\n"_s, Outcome::NotUnderstood, 1},
    };
    for (const Row& row : rows) {
        const FileResult result = runScenarioText(row.text, u"t.scn"_s);
        EXPECT_EQ(result.outcome, row.outcome)
            << row.text.toStdString() << result.report.toStdString();
        EXPECT_EQ(result.line, row.line) << row.text.toStdString() << result.report.toStdString();
    }
}

// Reading a property of the `Ccoms` window before it is made reads it as it would be made, and
// makes no window; a step that acts on one of its controls makes it.
TEST(ScenarioRunner, ReadingAPropertyMakesNoWindow) {
    World world;
    ASSERT_TRUE(world.ready());
    world.start();
    ASSERT_NE(world.app(), nullptr);
    EXPECT_EQ(readProperty(world, u"Ccoms"_s, u"Visible"_s).value_or(PropertyValue{}).text,
              u"false"_s);
    EXPECT_TRUE(readProperty(world, u"chatsend"_s, u"Text"_s).has_value());
    EXPECT_FALSE(readProperty(world, u"Image26"_s, u"Text"_s).has_value());
    EXPECT_EQ(findControl(*world.app(), u"Image26"), nullptr);
    EXPECT_FALSE(world.app()->hasCcoms());
    EXPECT_NE(findControl(*world.app(), u"Image1"), nullptr);
    world.app()->ccoms();
    EXPECT_NE(findControl(*world.app(), u"Image26"), nullptr);
}

}  // namespace
}  // namespace ruz::scenario
