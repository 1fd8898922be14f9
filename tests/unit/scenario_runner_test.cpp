#include "scenario/runner.h"

#include "platform/native_path.h"
#include "platform/scratch_folder.h"
#include "scenario/properties.h"
#include "scenario/world.h"
#include "text/text.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

namespace ruz::scenario {
namespace {

namespace fs = std::filesystem;

std::string contentOf(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    return file ? std::string(std::istreambuf_iterator<char>(file), {}) : "(unreadable)";
}

bool write(const fs::path& path, const std::string& content) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    return file && file.write(content.data(), static_cast<std::streamsize>(content.size()));
}

std::vector<std::u16string> entriesOf(const fs::path& folder) {
    std::vector<std::u16string> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
        names.push_back(nameFromPath(entry.path().filename()));
    }
    return names;
}

std::string utf8(std::u16string_view text) {
    return text::toUtf8(text);
}

// Sets an environment variable for the test's life and then puts back what was there.
class EnvironmentVariable {
  public:
    EnvironmentVariable(const char* name, const std::string& value) : name_(name) {
        if (const char* previous = std::getenv(name)) {
            previous_ = previous;
        }
        set(value.c_str());
    }
    ~EnvironmentVariable() { set(previous_ ? previous_->c_str() : nullptr); }
    EnvironmentVariable(const EnvironmentVariable&) = delete;
    EnvironmentVariable& operator=(const EnvironmentVariable&) = delete;

  private:
    void set(const char* value) {
#ifdef _WIN32
        _putenv_s(name_, value ? value : "");
#else
        if (value) {
            ::setenv(name_, value, 1);
        } else {
            ::unsetenv(name_);
        }
#endif
    }
    const char* name_;
    std::optional<std::string> previous_;
};

// A scenario whose step would create a file or folder outside its scratch folder is refused as a
// whole, before any step runs: the runner names the file and line and exits with 2, the file
// that was there keeps its content, and nothing new appears. The scratch folders are made in
// `outside` (the system's temporary folder for the run), so ".." from one of them lands there.
TEST(ScenarioRunner, NoStepWritesOutsideTheScratchFolder) {
    const ScratchFolder outside("ruz-outside-");
    const ScratchFolder scenarios("ruz-scenarios-");
    ASSERT_TRUE(outside.valid() && scenarios.valid());
    const std::u16string victim = nameFromPath(outside.path() / "victim");
    const std::u16string made = nameFromPath(outside.path() / "made");
    const std::string kept = "the user's own file\n";
    const EnvironmentVariable temp("TMPDIR", outside.path().string());

    const std::u16string rows[] = {
        // the step at line 4, after a step that does write inside
        u"file " + victim,
        u"file ../victim",
        u"file music/../../victim",
        u"song ../victim tone-1s.mp3",
        u"song " + victim + u" tone-1s.mp3",
        u"folder ../made",
        u"folder " + made,
        u"folder ..",
    };
    const fs::path scenarioFile = scenarios.path() / "escape.scn";
    const std::u16string path = nameFromPath(scenarioFile);
    for (const std::u16string& step : rows) {
        ASSERT_TRUE(write(pathFromName(victim), kept));
        ASSERT_TRUE(
            write(scenarioFile, "# leaves its scratch folder\nsignon bob\nfile music/inside.txt\n" +
                                    utf8(step) + "\nexpect running\n"));

        std::vector<std::u16string> printed;
        const int code =
            runScenarioFiles({path}, [&](const std::u16string& line) { printed.push_back(line); });

        EXPECT_EQ(code, 2) << utf8(step);
        ASSERT_EQ(printed.size(), 2u) << utf8(step);
        EXPECT_TRUE(printed[0].starts_with(u"FAIL " + path + u":4: " + step +
                                           u" \u2014 expected a path inside the scratch folder"))
            << utf8(printed[0]);
        EXPECT_EQ(printed[1], u"0 passed, 1 failed");
        EXPECT_EQ(contentOf(pathFromName(victim)), kept) << utf8(step);
        EXPECT_EQ(entriesOf(outside.path()), std::vector<std::u16string>{u"victim"}) << utf8(step);
    }
    // Names that only look like "..", and "." pieces, stay inside (Windows takes the dots off
    // the end of a name, so there "..." ends a name that still has letters).
#ifdef _WIN32
    constexpr std::string_view kDots = "file ./a/...b\n";
#else
    constexpr std::string_view kDots = "file ./a/...\n";
#endif
    const fs::path insideFile = scenarios.path() / "inside.scn";
    ASSERT_TRUE(write(insideFile, "folder ..music/./x..\n" + std::string(kDots) +
                                      "file a/..b\nexpect running\n"));
    std::vector<std::u16string> printed;
    EXPECT_EQ(runScenarioFiles({nameFromPath(insideFile)},
                               [&](const std::u16string& line) { printed.push_back(line); }),
              1);
    ASSERT_FALSE(printed.empty());
    EXPECT_EQ(printed[0], u"FAIL " + nameFromPath(insideFile) +
                              u":4: expect running \u2014 expected running, got ended");
}

// How steps read: each scenario passes, fails a check, or is not understood at the line named.
TEST(ScenarioRunner, StepsReadByTheirShapes) {
    struct Row {
        std::u16string text;
        Outcome outcome;
        int line;  // the line named when it does not pass
    } rows[] = {
        {u"clock 2026-12-06 22:31:02\nclock 2026-13-06 22:31:02\n", Outcome::NotUnderstood, 2},
        {u"clock 2026-12-06\n", Outcome::NotUnderstood, 1},
        {u"clock 2024-02-29 23:59:59\n", Outcome::Passed, 0},
        {u"clock 2026-02-29 10:00:00\n", Outcome::NotUnderstood, 1},
        {u"clock 2026-12-06 24:00:00\n", Outcome::NotUnderstood, 1},
        {u"clock 2026-12-06 23:59:60\n", Outcome::NotUnderstood, 1},
        {u"clock 0000-01-01 00:00:00\n", Outcome::NotUnderstood, 1},
        {u"clock 2026-1-06 22:31:02\n", Outcome::NotUnderstood, 1},
        {u"clock 2026-12-06 22:31:02 \n", Outcome::NotUnderstood, 1},
        {u"clock +2026-12-06 22:31:02\n", Outcome::NotUnderstood, 1},
        {u"answer no 250\nanswer yes\n", Outcome::Passed, 0},
        {u"answer yes 99999999999\n", Outcome::NotUnderstood, 1},
        {u"answer yes -5\n", Outcome::NotUnderstood, 1},
        {u"answer yes +5\n", Outcome::NotUnderstood, 1},
        {u"answer yes \n", Outcome::NotUnderstood, 1},
        {u"answer maybe\n", Outcome::NotUnderstood, 1},
        {u"song tone-1s.mp3\n", Outcome::NotUnderstood, 1},
        {u"song a b/c d.mp3 tone-1s.mp3\nsong x missing.mp3\n", Outcome::Failed, 2},
        {u"room\nsay bob\n", Outcome::NotUnderstood, 2},
        {u"room\nsay bob:\nsay amy: a: b\n", Outcome::Passed, 0},
        // A control is clicked by what a click does to its kind.
        {u"answer no\nstart\nclick chkRepeat\nexpect chkRepeat.Value 1\nclick Image27\nclick "
         u"Ccoms\n",
         Outcome::Failed, 6},
        {u"answer no\nstart\nclick nothing\n", Outcome::Failed, 3},
        // An indexed property reads with a whole number in parentheses, and with nothing else.
        {u"answer no\nstart\nexpect File1.List(-1) \n", Outcome::Passed, 0},
        {u"answer no\nstart\nexpect File1.List(99999999999) \n", Outcome::Failed, 3},
        {u"answer no\nstart\nexpect File1.List(1)x \n", Outcome::Failed, 3},
        {u"answer no\nstart\nexpect File1.List() \n", Outcome::Failed, 3},
        {u"answer no\nstart\nexpect File1.ListCount 0\n", Outcome::Passed, 0},
        // The repeat form: a step N times, or once per number with "{}" written as the number.
        {u"repeat 3 room\nexpect rooms 3\n", Outcome::Passed, 0},
        {u"repeat 2 room\nexpect rooms 3\n", Outcome::Failed, 2},
        {u"room\nrepeat 2 expect sent x\n", Outcome::Failed, 2},
        {u"room\nrepeat 2 type {}\nexpect input {}\n", Outcome::Passed, 0},
        {u"room\nrepeat 8..10 type x{}\nexpect input x10\n", Outcome::Passed, 0},
        {u"room\nrepeat 001..002 type {}{}\nexpect input 002002\n", Outcome::Passed, 0},
        {u"repeat 0 room\n", Outcome::NotUnderstood, 1},
        {u"room\nrepeat 3..1 room\n", Outcome::NotUnderstood, 2},
        {u"repeat 10001 room\n", Outcome::NotUnderstood, 1},
        {u"repeat 1..10000 wait 0\n", Outcome::Passed, 0},
        {u"repeat 2 repeat 2 room\n", Outcome::NotUnderstood, 1},
        {u"repeat 3\n", Outcome::NotUnderstood, 1},
        {u"repeat 3 \n", Outcome::NotUnderstood, 1},
        {u"repeat 2 file ../x{}\n", Outcome::NotUnderstood, 1},
    };
    for (const Row& row : rows) {
        const FileResult result = runScenarioText(row.text, u"t.scn");
        EXPECT_EQ(result.outcome, row.outcome) << utf8(row.text) << utf8(result.report);
        EXPECT_EQ(result.line, row.line) << utf8(row.text) << utf8(result.report);
    }
}

// A file that cannot be read is named with the reason, and nothing runs.
TEST(ScenarioRunner, UnreadableFilesAreNamed) {
    const ScratchFolder folder("ruz-scenarios-");
    ASSERT_TRUE(folder.valid());
    const std::u16string missing = nameFromPath(folder.path() / "missing.scn");
    const std::u16string aFolder = nameFromPath(folder.path());
    const std::u16string empty = nameFromPath(folder.path() / "empty.scn");
    ASSERT_TRUE(write(pathFromName(empty), ""));
    std::vector<std::u16string> printed;
    EXPECT_EQ(runScenarioFiles({missing, aFolder, empty},
                               [&](const std::u16string& line) { printed.push_back(line); }),
              2);
    const std::u16string unreadable = u":0: read \u2014 expected a readable file, got ";
    EXPECT_EQ(printed, (std::vector<std::u16string>{
                           u"FAIL " + missing + unreadable + u"No such file or directory",
                           u"FAIL " + aFolder + unreadable + u"file to open is a directory",
                           u"PASS " + empty, u"1 passed, 2 failed"}));
}

// Paths in scenario text are relative to the scratch folder, "/"-separated and cleaned; a folder
// above it ends in a separator.
TEST(ScenarioRunner, PathsAreWrittenFromTheScratchFolder) {
    World world;
    ASSERT_TRUE(world.ready());
    const std::u16string root = world.root();
    const std::u16string parent = nameFromPath(pathFromName(root).parent_path());
    // The top of the file system: "/", and on Windows the scratch folder's drive ("C:/"), where
    // a path from "/" also lands.
    const std::u16string top = nameFromPath(pathFromName(root).root_path());
    std::u16string upToTop;
    for (const auto& piece : pathFromName(root).relative_path()) {
        static_cast<void>(piece);
        upToTop += u"../";
    }
    const struct {
        std::u16string path;
        std::u16string absolute;
    } absoluteRows[] = {
        {u"a", root + u"/a"},
        {u"", root},
        {u"./", root},
        {u"a//b/./c/", root + u"/a/b/c"},
        {u"../a", parent + u"/a"},
        {u"a/../..", parent},
        {u"/x/./y/../z", top + u"x/z"},
        {u"..music/x..", root + u"/..music/x.."},
    };
    for (const auto& row : absoluteRows) {
        EXPECT_EQ(world.absolute(row.path), row.absolute) << utf8(row.path);
    }
    const struct {
        std::u16string path;
        std::u16string relative;
    } relativeRows[] = {
        {root, u"."},
        {root + u"/", u"."},
        {root + u"/a", u"a"},
        {root + u"/a/./b/", u"a/b"},
        {root + u"/a/../b", u"b"},
        {parent, u"../"},
        {parent + u"/other/x", u"../other/x"},
        {top, upToTop},
        {u"a/./b", u"a/b"},
        {u"", u""},
    };
    for (const auto& row : relativeRows) {
        EXPECT_EQ(world.relative(row.path), row.relative) << utf8(row.path);
    }
}

// Reading a property of the `Ccoms` window before it is made reads it as it would be made, and
// makes no window; a step that acts on one of its controls makes it.
TEST(ScenarioRunner, ReadingAPropertyMakesNoWindow) {
    World world;
    ASSERT_TRUE(world.ready());
    world.start();
    ASSERT_NE(world.app(), nullptr);
    EXPECT_EQ(readProperty(world, u"Ccoms", u"Visible").value_or(PropertyValue{}).text, u"false");
    EXPECT_TRUE(readProperty(world, u"chatsend", u"Text").has_value());
    EXPECT_FALSE(readProperty(world, u"Image26", u"Text").has_value());
    EXPECT_EQ(findControl(*world.app(), u"Image26"), nullptr);
    EXPECT_FALSE(world.app()->hasCcoms());
    EXPECT_NE(findControl(*world.app(), u"Image1"), nullptr);
    world.app()->ccoms();
    EXPECT_NE(findControl(*world.app(), u"Image26"), nullptr);
}

}  // namespace
}  // namespace ruz::scenario
