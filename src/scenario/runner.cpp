#include "scenario/runner.h"

#include "platform/native_path.h"
#include "scenario/properties.h"
#include "scenario/world.h"
#include "text/text.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <span>
#include <system_error>

#ifndef RUZ_FIXTURES_DIR
#define RUZ_FIXTURES_DIR ""
#endif
#ifndef RUZ_BUILD_DIR
#define RUZ_BUILD_DIR ""
#endif
#ifndef RUZ_INSTALLED_FIXTURES
#define RUZ_INSTALLED_FIXTURES ""
#endif

namespace ruz::scenario {

namespace {

namespace fs = std::filesystem;
using text::Index;

const std::u16string kNothing = u"(nothing)";
// Between the texts of the open notices in "expect open-notices".
constexpr std::u16string_view kNoticeJoint = u" | ";

// What one step did: passed, failed a check (expected, got), or could not be understood.
struct StepResult {
    enum Kind { Ok, Fail, NotUnderstood } kind = Ok;
    std::u16string expected;
    std::u16string got;
};

StepResult ok() {
    return {};
}
StepResult fail(std::u16string expected, std::u16string got) {
    return {StepResult::Fail, std::move(expected), std::move(got)};
}
StepResult notUnderstood(std::u16string what = u"a step of the scenario language") {
    return {StepResult::NotUnderstood, std::move(what), {}};
}

// The shape of a step's arguments.
enum class Shape {
    Rest,           // the rest of the line, as written
    None,           // nothing read
    Empty,          // nothing may follow the word
    Int,            // one whole number
    NameRest,       // a name, then the rest of the line
    NameInt,        // a name and a whole number
    NameIntIntInt,  // a name and three whole numbers
    RestName,       // the rest of the line up to its last blank (not empty), then a name
    NameColonRest,  // a name, ": " and the rest of the line; "NAME:" alone has an empty rest
    YesNoCount,     // "yes" or "no", then optionally a blank and a count (digits only)
    DateTime,       // YYYY-MM-DD HH:MM:SS, read as UTC
};

// A step's arguments, read according to its shape.
struct Args {
    std::u16string rest;
    std::u16string name;
    std::array<int, 3> numbers{};
    bool yes = false;
    WallTime when;
};

std::optional<int> readInt(std::u16string_view text) {
    return text::readInt(text);
}

bool allDigits(std::u16string_view text) {
    return std::all_of(text.begin(), text.end(), [](char16_t c) { return text::isAsciiDigit(c); });
}

// A count written with digits only (no sign, no blank), within the range of an int.
std::optional<int> readCount(std::u16string_view text) {
    return !text.empty() && allDigits(text) ? readInt(text) : std::nullopt;
}

// A text cut at its first blank: the word before it and the rest after it.
std::pair<std::u16string, std::u16string> cut(std::u16string_view text) {
    const text::Halves halves = text::splitFirst(text, u' ');
    return {std::u16string(halves.before), std::u16string(halves.after)};
}

// Splits `rest` into `count` arguments at single blanks; the last one takes the rest of the line.
std::optional<std::vector<std::u16string>> splitArgs(std::u16string_view rest, int count) {
    std::vector<std::u16string> args;
    std::size_t from = 0;
    for (int i = 0; i + 1 < count; ++i) {
        const std::size_t blank = rest.find(u' ', from);
        if (blank == std::u16string_view::npos) {
            return std::nullopt;
        }
        args.emplace_back(rest.substr(from, blank - from));
        from = blank + 1;
    }
    args.emplace_back(rest.substr(from));
    return args;
}

// The pieces of "YYYY-MM-DD HH:MM:SS": where each number starts and how many digits it has.
struct DateField {
    std::size_t at;
    std::size_t digits;
};
constexpr DateField kDateFields[] = {{0, 4}, {5, 2}, {8, 2}, {11, 2}, {14, 2}, {17, 2}};
constexpr std::u16string_view kDateShape = u"0000-00-00 00:00:00";
constexpr int kHoursPerDay = 24;
constexpr int kMinutesPerHour = 60;
constexpr int kSecondsPerMinute = 60;

// A date and time of day written as "YYYY-MM-DD HH:MM:SS", read as UTC: every number with all its
// digits, a day the month has, a year from 1 on and a time of day from 00:00:00 to 23:59:59.
std::optional<WallTime> readDateTime(std::u16string_view text) {
    if (text.size() != kDateShape.size()) {
        return std::nullopt;
    }
    for (std::size_t i = 0; i < text.size(); ++i) {
        const bool digitWanted = kDateShape[i] == u'0';
        if (digitWanted ? !text::isAsciiDigit(text[i]) : text[i] != kDateShape[i]) {
            return std::nullopt;
        }
    }
    std::array<int, std::size(kDateFields)> n{};
    for (std::size_t i = 0; i < n.size(); ++i) {
        n[i] = readInt(text.substr(kDateFields[i].at, kDateFields[i].digits)).value_or(0);
    }
    const auto [year, month, day, hour, minute, second] = n;
    const std::chrono::year_month_day date{std::chrono::year(year),
                                           std::chrono::month(static_cast<unsigned>(month)),
                                           std::chrono::day(static_cast<unsigned>(day))};
    if (year < 1 || !date.ok() || hour >= kHoursPerDay || minute >= kMinutesPerHour ||
        second >= kSecondsPerMinute) {
        return std::nullopt;
    }
    return utcTime(year, month, day, hour, minute, second);
}

// Reads `rest` as `shape`; nullopt when it does not have that shape.
std::optional<Args> readArgs(Shape shape, std::u16string_view rest) {
    Args args;
    args.rest = std::u16string(rest);
    int numbers = 0;
    switch (shape) {
        case Shape::Rest:
        case Shape::None:
            return args;
        case Shape::Empty:
            return rest.empty() ? std::optional<Args>(args) : std::nullopt;
        case Shape::Int:
            if (const auto n = readInt(rest)) {
                args.numbers[0] = *n;
                return args;
            }
            return std::nullopt;
        case Shape::NameRest:
            numbers = 0;
            break;
        case Shape::NameInt:
            numbers = 1;
            break;
        case Shape::NameIntIntInt:
            numbers = 3;
            break;
        case Shape::RestName: {
            const std::size_t blank = rest.rfind(u' ');
            if (blank == std::u16string_view::npos || blank == 0) {
                return std::nullopt;
            }
            args.name = std::u16string(rest.substr(blank + 1));
            args.rest = std::u16string(rest.substr(0, blank));
            return args;
        }
        case Shape::NameColonRest: {
            const text::Halves halves = text::splitFirst(rest, u": ");
            if (!halves.found && !rest.ends_with(u':')) {
                return std::nullopt;
            }
            args.name = halves.found ? halves.before : text::chopped(rest, 1);
            args.rest = halves.after;
            return args;
        }
        case Shape::YesNoCount: {
            const auto [answer, delay] = cut(rest);
            const auto ms = text::contains(rest, u' ') ? readCount(delay) : std::optional<int>(0);
            if ((answer != u"yes" && answer != u"no") || !ms) {
                return std::nullopt;
            }
            args.yes = answer == u"yes";
            args.numbers[0] = *ms;
            return args;
        }
        case Shape::DateTime:
            if (const auto when = readDateTime(rest)) {
                args.when = *when;
                return args;
            }
            return std::nullopt;
    }
    const auto words = splitArgs(rest, shape == Shape::NameRest ? 2 : numbers + 1);
    if (!words) {
        return std::nullopt;
    }
    args.name = (*words)[0];
    args.rest = (*words)[1];
    for (int i = 0; i < numbers; ++i) {
        const auto n = readInt((*words)[i + 1]);
        if (!n) {
            return std::nullopt;
        }
        args.numbers[i] = *n;
    }
    return args;
}

// Where the `song` step finds its audio files unless RUZ_FIXTURES names a folder: a runner inside
// the build tree uses the source tree's fixtures; an installed one the folder the package puts
// them in, found from the program's own folder, so it never reaches into the machine it was
// built on.
// A path with its links resolved, or an empty one when it leads nowhere.
fs::path resolved(const fs::path& path) {
    std::error_code error;
    fs::path real = fs::canonical(path, error);
    return error ? fs::path() : real;
}

// The value of an environment variable, empty when it is not set.
std::u16string environment(const char* name) {
    const char* value = std::getenv(name);
    return value == nullptr ? std::u16string() : nameFromNative(value);
}

std::u16string fixturesFolder() {
    const std::u16string fromEnv = environment("RUZ_FIXTURES");
    if (!fromEnv.empty()) {
        return fromEnv;
    }
    const std::u16string programPath = nameFromPath(resolved("/proc/self/exe"));
    const fs::path buildTree = resolved(RUZ_BUILD_DIR);
    if (!buildTree.empty() && programPath.starts_with(nameFromPath(buildTree) + u'/')) {
        return text::fromUtf8(RUZ_FIXTURES_DIR);
    }
    const std::u16string programFolder =
        programPath.empty() ? u"." : nameFromPath(pathFromName(programPath).parent_path());
    return nameFromPath(pathFromName(programFolder + u'/' + text::fromUtf8(RUZ_INSTALLED_FIXTURES))
                            .lexically_normal());
}

// A path a step writes to stays inside the scratch folder: relative, and without a ".." piece.
// The pieces are the file system's own: on Windows a drive ("C:", "C:/") roots a path too, and
// either slash separates.
bool insideScratch(std::u16string_view path) {
    const fs::path native = pathFromName(path);
    if (native.has_root_path()) {
        return false;
    }
    return std::none_of(native.begin(), native.end(),
                        [](const fs::path& piece) { return piece == ".."; });
}

// The steps that create files or folders, and the path each creates.
struct WritingStep {
    const char16_t* word;
    std::u16string (*target)(std::u16string_view rest);
};
const WritingStep kWritingSteps[] = {
    {u"song",
     [](std::u16string_view rest) {
         const auto args = readArgs(Shape::RestName, rest);
         return args ? args->rest : std::u16string();
     }},
    {u"file", [](std::u16string_view rest) { return std::u16string(rest); }},
    {u"folder", [](std::u16string_view rest) { return std::u16string(rest); }},
};

// The path outside the scratch folder that a step would write to, if any.
std::optional<std::u16string> pathOutsideScratch(std::u16string_view word,
                                                 std::u16string_view rest) {
    for (const WritingStep& step : kWritingSteps) {
        if (word == step.word) {
            std::u16string target = step.target(rest);
            return insideScratch(target) ? std::nullopt : std::optional(std::move(target));
        }
    }
    return std::nullopt;
}

// Makes the folder `path` and the folders above it; true when it is there afterwards.
bool makeFolder(const fs::path& path) {
    std::error_code error;
    fs::create_directories(path, error);
    return fs::is_directory(path, error);
}

bool makeParent(const fs::path& path) {
    return makeFolder(path.parent_path());
}

class Run {
  public:
    StepResult step(std::u16string_view word, std::u16string_view rest);
    static bool knows(std::u16string_view word);
    // A dialog that opened with no answer queued fails the file.
    std::optional<StepResult> unansweredDialog();

  private:
    using Handler = StepResult (Run::*)(const Args& args);
    // A step, or a form of `expect`: its word, the shape of its arguments, whether it needs a
    // started program, and how it is written (for the report of a line that does not read).
    struct Row {
        const char16_t* word;
        Shape shape;
        bool needsProgram;
        const char16_t* usage;
        Handler handler;
    };
    static const Row kSteps[];
    static const Row kExpectForms[];
    StepResult runRow(std::span<const Row> rows, std::u16string_view word,
                      std::u16string_view rest);

    FrmAmp* app() { return world_.app(); }
    // A control of the main window or of `Ccoms`, by name, for a step that acts on it: a control
    // of `Ccoms` makes that window first.
    Control* control(std::u16string_view name);

    StepResult clock(const Args& a);
    StepResult song(const Args& a);
    StepResult file(const Args& a);
    StepResult folder(const Args& a);
    StepResult signon(const Args& a) {
        world_.standin.signOn(text::toUtf8(a.rest));
        return ok();
    }
    StepResult dialog(const Args& a) {
        world_.standin.openDialog(text::toUtf8(a.rest));
        return ok();
    }
    StepResult room(const Args&) {
        world_.standin.openRoom();
        return ok();
    }
    StepResult front(const Args& a);
    StepResult leave(const Args&) { return inRoom(world_.standin.leaveFrontRoom()); }
    StepResult say(const Args& a);
    StepResult raw(const Args& a) { return inRoom(world_.standin.appendRaw(text::toUtf8(a.rest))); }
    StepResult type(const Args& a) {
        return inRoom(world_.standin.typeInput(text::toUtf8(a.rest)));
    }
    StepResult send(const Args&) { return inRoom(world_.standin.pressSend()); }
    StepResult answer(const Args& a);
    StepResult prompt(const Args& a) {
        world_.dialogs.queuePrompt(a.rest);
        return ok();
    }
    StepResult promptCancel(const Args&) {
        world_.dialogs.queuePrompt(std::nullopt);
        return ok();
    }
    StepResult pick(const Args& a) {
        world_.dialogs.queuePick(world_.absolute(a.rest));
        return ok();
    }
    StepResult pickCancel(const Args&) {
        world_.dialogs.queuePick(u"");
        return ok();
    }
    StepResult start(const Args&);
    StepResult wait(const Args& a);
    StepResult click(const Args& a);
    StepResult select(const Args& a) {
        app()->File1.userSelect(a.numbers[0]);
        return ok();
    }
    StepResult tree(const Args& a) {
        app()->ExplorerTree1.userPick(world_.absolute(a.rest));
        return ok();
    }
    StepResult scroll(const Args& a);
    StepResult key(const Args& a);
    StepResult edit(const Args& a);
    StepResult press(const Args& a) { return mouse(a, true); }
    StepResult move(const Args& a) { return mouse(a, false); }
    StepResult mouse(const Args& a, bool isPress);
    StepResult tray(const Args& a);
    StepResult close(const Args&) {
        app()->Form_Unload();
        return ok();
    }
    StepResult expect(const Args& a);

    StepResult expectSent(const Args& a);
    StepResult expectSentNone(const Args&);
    StepResult expectShown(const Args& a);
    StepResult expectShownNone(const Args&);
    StepResult expectOpenNotices(const Args& a);
    // The user presses OK in the oldest notice on the screen.
    StepResult noticeOk(const Args&) {
        return world_.dialogs.closeOldestNotice() ? ok() : fail(u"an open notice", kNothing);
    }
    StepResult expectTranscript(const Args& a) {
        return same(a.rest, text::fromUtf8(world_.standin.transcriptUtf8()));
    }
    StepResult expectInput(const Args& a) {
        return same(a.rest, text::fromUtf8(world_.standin.inputUtf8()));
    }
    StepResult expectRooms(const Args& a) {
        return same(a.rest, text::number(world_.standin.openRoomCount()), true);
    }
    StepResult expectEnded(const Args&);
    StepResult expectRunning(const Args&);
    StepResult expectProperty(std::u16string_view target, std::u16string_view expected);

    static StepResult inRoom(bool done) { return done ? ok() : fail(u"an open room", kNothing); }
    // Passes when `got` is `expected` (as numbers with `numeric`).
    static StepResult same(const std::u16string& expected, const std::u16string& got,
                           bool numeric = false) {
        const bool equal = numeric ? readInt(expected) == readInt(got) : expected == got;
        return equal ? ok() : fail(expected, got);
    }
    static std::u16string shownText(const ScriptedDialogs::Shown& d) {
        return ScriptedDialogs::kindName(d.kind) + u": " + d.text;
    }

    World world_;
    std::size_t sentChecked_ = 0;
    std::size_t shownChecked_ = 0;
    std::size_t unansweredReported_ = 0;
};

const Run::Row Run::kSteps[] = {
    {u"clock", Shape::DateTime, false, u"clock YYYY-MM-DD HH:MM:SS", &Run::clock},
    {u"song", Shape::RestName, false, u"song PATH FIXTURE", &Run::song},
    {u"file", Shape::Rest, false, u"file PATH", &Run::file},
    {u"folder", Shape::Rest, false, u"folder PATH", &Run::folder},
    {u"signon", Shape::Rest, false, u"signon NAME", &Run::signon},
    {u"dialog", Shape::Rest, false, u"dialog TEXT", &Run::dialog},
    {u"room", Shape::Empty, false, u"room", &Run::room},
    {u"front", Shape::Int, false, u"front N", &Run::front},
    {u"leave", Shape::None, false, u"leave", &Run::leave},
    {u"say", Shape::NameColonRest, false, u"say NAME: TEXT", &Run::say},
    {u"raw", Shape::Rest, false, u"raw TEXT", &Run::raw},
    {u"type", Shape::Rest, false, u"type TEXT", &Run::type},
    {u"send", Shape::None, false, u"send", &Run::send},
    {u"answer", Shape::YesNoCount, false, u"answer yes|no [MS]", &Run::answer},
    {u"prompt", Shape::Rest, false, u"prompt TEXT", &Run::prompt},
    {u"prompt-cancel", Shape::None, false, u"prompt-cancel", &Run::promptCancel},
    {u"pick", Shape::Rest, false, u"pick PATH", &Run::pick},
    {u"pick-cancel", Shape::None, false, u"pick-cancel", &Run::pickCancel},
    {u"notice-ok", Shape::None, false, u"notice-ok", &Run::noticeOk},
    {u"start", Shape::None, false, u"start", &Run::start},
    {u"wait", Shape::Int, false, u"wait MS", &Run::wait},
    {u"click", Shape::Rest, true, u"click NAME", &Run::click},
    {u"select", Shape::Int, true, u"select N", &Run::select},
    {u"tree", Shape::Rest, true, u"tree PATH", &Run::tree},
    {u"scroll", Shape::NameInt, true, u"scroll NAME VALUE", &Run::scroll},
    {u"key", Shape::NameInt, true, u"key NAME CODE", &Run::key},
    {u"edit", Shape::NameRest, true, u"edit NAME TEXT", &Run::edit},
    {u"press", Shape::NameIntIntInt, true, u"press|move NAME BUTTONS X Y", &Run::press},
    {u"move", Shape::NameIntIntInt, true, u"press|move NAME BUTTONS X Y", &Run::move},
    {u"tray", Shape::Int, false, u"tray MSG", &Run::tray},
    {u"close", Shape::None, true, u"close", &Run::close},
    {u"expect", Shape::Rest, false, u"expect ...", &Run::expect},
};

const Run::Row Run::kExpectForms[] = {
    {u"sent", Shape::Rest, false, u"expect sent TEXT", &Run::expectSent},
    {u"sent-none", Shape::None, false, u"expect sent-none", &Run::expectSentNone},
    {u"shown", Shape::Rest, false, u"expect shown KIND: TEXT", &Run::expectShown},
    {u"shown-none", Shape::None, false, u"expect shown-none", &Run::expectShownNone},
    {u"open-notices", Shape::Rest, false, u"expect open-notices TEXT | TEXT ...",
     &Run::expectOpenNotices},
    {u"transcript", Shape::Rest, false, u"expect transcript TEXT", &Run::expectTranscript},
    {u"input", Shape::Rest, false, u"expect input TEXT", &Run::expectInput},
    {u"rooms", Shape::Int, false, u"expect rooms N", &Run::expectRooms},
    {u"ended", Shape::None, false, u"expect ended", &Run::expectEnded},
    {u"running", Shape::None, false, u"expect running", &Run::expectRunning},
};

StepResult Run::runRow(std::span<const Row> rows, std::u16string_view word,
                       std::u16string_view rest) {
    for (const Row& row : rows) {
        if (word != row.word) {
            continue;
        }
        const auto args = readArgs(row.shape, rest);
        if (!args) {
            return notUnderstood(row.usage);
        }
        if (row.needsProgram && !app()) {
            return fail(u"a started program", kNothing);
        }
        return (this->*row.handler)(*args);
    }
    return notUnderstood();
}

StepResult Run::step(std::u16string_view word, std::u16string_view rest) {
    if (!world_.ready()) {
        return fail(u"a scratch folder", kNothing);
    }
    return runRow(kSteps, word, rest);
}

bool Run::knows(std::u16string_view word) {
    return std::any_of(std::begin(kSteps), std::end(kSteps),
                       [&](const Row& row) { return word == row.word; });
}

Control* Run::control(std::u16string_view name) {
    // A step that acts on a control of `Ccoms` acts on the window as the user opens it.
    if (Control* c = findControl(*app(), name)) {
        return c;
    }
    return isWordsControl(name) ? app()->ccoms().controls().find(name) : nullptr;
}

std::optional<StepResult> Run::unansweredDialog() {
    const auto& missing = world_.dialogs.unanswered();
    if (!missing || unansweredReported_ > 0) {
        return std::nullopt;
    }
    ++unansweredReported_;
    return fail(u"an answer queued", shownText(*missing));
}

StepResult Run::clock(const Args& a) {
    world_.clock.set(a.when);
    return ok();
}

StepResult Run::song(const Args& a) {
    const fs::path target = pathFromName(world_.absolute(a.rest));
    const fs::path source = pathFromName(fixturesFolder() + u'/' + a.name);
    std::error_code error;
    if (!fs::is_regular_file(source, error)) {
        return fail(u"the fixture " + a.name, kNothing);
    }
    // A copy replaces a file of that name, never a folder.
    if (!fs::is_directory(fs::symlink_status(target, error))) {
        fs::remove(target, error);
    }
    if (!makeParent(target) || !fs::copy_file(source, target, error)) {
        return fail(u"a copy at " + a.rest, kNothing);
    }
    fs::permissions(target, fs::perms::owner_read | fs::perms::owner_write,
                    fs::perm_options::replace, error);
    return ok();
}

StepResult Run::file(const Args& a) {
    const fs::path target = pathFromName(world_.absolute(a.rest));
    if (!makeParent(target) || !std::ofstream(target, std::ios::binary | std::ios::trunc)) {
        return fail(u"an empty file at " + a.rest, kNothing);
    }
    return ok();
}

StepResult Run::folder(const Args& a) {
    if (!makeFolder(pathFromName(world_.absolute(a.rest)))) {
        return fail(u"a folder at " + a.rest, kNothing);
    }
    return ok();
}

StepResult Run::front(const Args& a) {
    if (!world_.standin.frontRoom(a.numbers[0])) {
        return fail(u"open room " + a.rest, kNothing);
    }
    return ok();
}

StepResult Run::say(const Args& a) {
    return inRoom(world_.standin.memberSays(text::toUtf8(a.name), text::toUtf8(a.rest)));
}

StepResult Run::answer(const Args& a) {
    world_.dialogs.queueYesNo(a.yes, a.numbers[0]);
    return ok();
}

StepResult Run::start(const Args&) {
    if (app()) {
        return fail(u"a program not yet started", u"started");
    }
    world_.start();
    return ok();
}

StepResult Run::wait(const Args& a) {
    if (a.numbers[0] < 0) {
        return notUnderstood(u"wait MS");
    }
    world_.wait(a.numbers[0]);
    return ok();
}

StepResult Run::click(const Args& a) {
    if (app()->ended()) {
        return fail(u"a running program", u"ended");
    }
    Control* c = control(a.rest);
    if (c == nullptr || !c->userClick()) {
        return fail(u"a picture, menu entry or check box named " + a.rest, kNothing);
    }
    return ok();
}

StepResult Run::scroll(const Args& a) {
    auto* slider = dynamic_cast<Slider*>(control(a.name));
    if (!slider) {
        return fail(u"a slider named " + a.name, kNothing);
    }
    slider->userScroll(a.numbers[0]);
    return ok();
}

StepResult Run::key(const Args& a) {
    Control* c = control(a.name);
    if (!c) {
        return fail(u"a control named " + a.name, kNothing);
    }
    // Only the check boxes have a key-down reaction.
    if (auto* box = dynamic_cast<CheckBox*>(c)) {
        box->keyDown(a.numbers[0]);
    }
    return ok();
}

StepResult Run::edit(const Args& a) {
    auto* box = dynamic_cast<TextBox*>(control(a.name));
    if (!box) {
        return fail(u"a text box named " + a.name, kNothing);
    }
    box->setText(a.rest);
    return ok();
}

StepResult Run::mouse(const Args& a, bool isPress) {
    auto* picture = dynamic_cast<Picture*>(control(a.name));
    if (!picture) {
        return fail(u"a picture named " + a.name, kNothing);
    }
    const auto& [buttons, x, y] = a.numbers;
    if (isPress) {
        picture->mouseDown(buttons, x, y);
    } else {
        picture->mouseMove(buttons, x, y);
    }
    return ok();
}

StepResult Run::tray(const Args& a) {
    if (world_.tray.present() && world_.tray.onIconMessage) {
        world_.tray.onIconMessage(a.numbers[0]);
    }
    return ok();
}

StepResult Run::expect(const Args& a) {
    const auto [what, rest] = cut(a.rest);
    const bool known = std::any_of(std::begin(kExpectForms), std::end(kExpectForms),
                                   [&](const Row& row) { return what == row.word; });
    if (known) {
        return runRow(kExpectForms, what, rest);
    }
    if (text::contains(what, u'.')) {
        return expectProperty(what, rest);
    }
    return notUnderstood(u"an expect form");
}

StepResult Run::expectSent(const Args& a) {
    const auto& sent = world_.standin.sentByProgram();
    if (sentChecked_ >= sent.size()) {
        return fail(a.rest, kNothing);
    }
    return same(a.rest, text::fromUtf8(sent[sentChecked_++]));
}

StepResult Run::expectSentNone(const Args&) {
    const auto& sent = world_.standin.sentByProgram();
    if (sentChecked_ < sent.size()) {
        return fail(kNothing, text::fromUtf8(sent[sentChecked_]));
    }
    return ok();
}

StepResult Run::expectShown(const Args& a) {
    const auto& shown = world_.dialogs.shown();
    if (shownChecked_ >= shown.size()) {
        return fail(a.rest, kNothing);
    }
    return same(a.rest, shownText(shown[shownChecked_++]));
}

// The notices on the screen now, oldest first, their texts joined by " | ".
StepResult Run::expectOpenNotices(const Args& a) {
    std::u16string open;
    for (const std::u16string& notice : world_.dialogs.openNotices()) {
        if (!open.empty()) {
            open += kNoticeJoint;
        }
        open += notice;
    }
    return same(a.rest, open);
}

StepResult Run::expectShownNone(const Args&) {
    const auto& shown = world_.dialogs.shown();
    if (shownChecked_ < shown.size()) {
        return fail(kNothing, shownText(shown[shownChecked_]));
    }
    return ok();
}

StepResult Run::expectEnded(const Args&) {
    const bool ended = app() && app()->ended();
    return ended ? ok() : fail(u"ended", u"running");
}

StepResult Run::expectRunning(const Args&) {
    const bool running = app() && !app()->ended();
    return running ? ok() : fail(u"running", u"ended");
}

StepResult Run::expectProperty(std::u16string_view target, std::u16string_view expected) {
    const text::Halves dot = text::splitFirst(target, u'.');
    const auto value = readProperty(world_, dot.before, dot.after);
    if (!value) {
        return fail(std::u16string(expected), u"no property " + std::u16string(target));
    }
    return matches(*value, expected) ? ok() : fail(std::u16string(expected), value->text);
}

struct Line {
    int number;
    std::u16string word;
    std::u16string rest;
    std::u16string text;    // the line as written
    std::u16string unread;  // how the line is written, when it does not read as that
};

// The most steps one `repeat` line stands for.
constexpr int kMaxRepeats = 10000;
constexpr std::u16string_view kRepeatUsage = u"repeat N STEP or repeat FIRST..LAST STEP";

// The steps of a `repeat` line's count and step: "N STEP" is STEP N times; "FIRST..LAST STEP" is
// STEP once for each number from FIRST to LAST, every "{}" in it replaced by the number written
// with at least as many digits as FIRST (leading zeros). Empty when the line does not read.
std::vector<std::u16string> repeatedSteps(std::u16string_view rest) {
    const auto words = splitArgs(rest, 2);
    if (!words || (*words)[1].empty()) {
        return {};
    }
    const std::u16string& count = (*words)[0];
    const std::u16string& step = (*words)[1];
    const Index dots = text::indexOf(count, u"..");
    const auto first = dots < 0 ? std::optional<int>(1) : readCount(text::left(count, dots));
    const auto last = dots < 0 ? readCount(count) : readCount(text::mid(count, dots + 2));
    if (!first || !last || *last < *first || *last - *first >= kMaxRepeats) {
        return {};
    }
    std::vector<std::u16string> steps;
    for (int n = *first; n <= *last; ++n) {
        steps.push_back(
            dots < 0
                ? step
                : text::replaceAll(step, u"{}", text::rightJustified(text::number(n), dots, u'0')));
    }
    return steps;
}

// The file's steps, a `repeat` line spelled out; comments and blank lines are skipped.
std::vector<Line> stepsOf(std::u16string_view text) {
    std::vector<Line> lines;
    const std::vector<std::u16string> raw = text::split(text, u'\n');
    for (std::size_t i = 0; i < raw.size(); ++i) {
        const int number = static_cast<int>(i) + 1;
        std::u16string_view line = raw[i];
        if (line.ends_with(u'\r')) {
            line.remove_suffix(1);
        }
        const std::size_t start = line.find_first_not_of(u" \t");
        if (start == std::u16string_view::npos || line[start] == u'#') {
            continue;
        }
        line.remove_prefix(start);
        const auto [word, rest] = cut(line);
        if (word != u"repeat") {
            lines.push_back({number, word, rest, std::u16string(line), {}});
            continue;
        }
        const std::vector<std::u16string> steps = repeatedSteps(rest);
        if (steps.empty()) {
            lines.push_back(
                {number, word, rest, std::u16string(line), std::u16string(kRepeatUsage)});
        }
        for (const std::u16string& step : steps) {
            const auto [stepWord, stepRest] = cut(step);
            lines.push_back({number, stepWord, stepRest, std::u16string(line), {}});
        }
    }
    return lines;
}

// The report of a file that stops at `line`: what was expected there and what was found.
std::u16string failure(std::u16string_view displayName, const Line& line,
                       std::u16string_view expected, std::u16string_view got) {
    return text::format(u"FAIL %1:%2: %3 \u2014 expected %4, got %5", displayName, line.number,
                        line.text, expected, got);
}

std::u16string inQuotes(std::u16string_view text) {
    return u'"' + std::u16string(text) + u'"';
}

// Why a folder cannot be read as a scenario file.
constexpr std::u16string_view kFolderNotFile = u"file to open is a directory";

}  // namespace

FileResult runScenarioText(std::u16string_view text, std::u16string_view displayName) {
    const std::vector<Line> lines = stepsOf(text);
    // Every line is read before the first step runs: a file with a line that does not read, or
    // that would write outside the scratch folder, changes nothing at all.
    for (const Line& line : lines) {
        if (!line.unread.empty()) {
            return {Outcome::NotUnderstood, line.number,
                    failure(displayName, line, line.unread, inQuotes(line.text))};
        }
        if (!Run::knows(line.word)) {
            return {Outcome::NotUnderstood, line.number,
                    failure(displayName, line, u"a known step", line.word)};
        }
        if (const auto outside = pathOutsideScratch(line.word, line.rest)) {
            return {Outcome::NotUnderstood, line.number,
                    failure(displayName, line, u"a path inside the scratch folder",
                            inQuotes(*outside))};
        }
    }
    Run run;
    for (const Line& line : lines) {
        StepResult result = run.step(line.word, line.rest);
        if (result.kind == StepResult::Ok) {
            if (auto missing = run.unansweredDialog()) {
                result = *missing;
            }
        }
        if (result.kind == StepResult::Ok) {
            continue;
        }
        const bool understood = result.kind == StepResult::Fail;
        return {understood ? Outcome::Failed : Outcome::NotUnderstood, line.number,
                failure(displayName, line, result.expected,
                        understood ? result.got : inQuotes(line.text))};
    }
    return {Outcome::Passed, 0, u"PASS " + std::u16string(displayName)};
}

FileResult runScenarioFile(std::u16string_view path) {
    const std::u16string shown = displayName(path);
    const fs::path file = pathFromName(path);
    std::error_code error;
    const bool folder = fs::is_directory(file, error);
    std::ifstream in;
    errno = 0;
    if (!folder) {
        in.open(file, std::ios::binary);
    }
    const std::u16string why =
        folder ? std::u16string(kFolderNotFile) : text::fromUtf8(std::strerror(errno));
    const std::string content(
        in.is_open() ? std::istreambuf_iterator<char>(in) : std::istreambuf_iterator<char>(),
        std::istreambuf_iterator<char>());
    if (!in.is_open() || in.bad()) {
        return {
            Outcome::NotUnderstood, 0,
            text::format(u"FAIL %1:0: read \u2014 expected a readable file, got %2", shown, why)};
    }
    return runScenarioText(text::fromUtf8(content), shown);
}

int runScenarioFiles(const std::vector<std::u16string>& paths,
                     const std::function<void(const std::u16string&)>& print) {
    int passed = 0;
    int failed = 0;
    bool unreadable = false;
    for (const std::u16string& path : paths) {
        const FileResult result = runScenarioFile(path);
        print(result.report);
        if (result.outcome == Outcome::Passed) {
            ++passed;
        } else {
            ++failed;
            unreadable = unreadable || result.outcome == Outcome::NotUnderstood;
        }
    }
    print(text::format(u"%1 passed, %2 failed", passed, failed));
    if (unreadable) {
        return 2;
    }
    return failed > 0 ? 1 : 0;
}

}  // namespace ruz::scenario
