#include "scenario/runner.h"

#include "common/numbers.h"
#include "qt/qt_text.h"
#include "scenario/properties.h"
#include "scenario/world.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <array>
#include <iterator>
#include <optional>
#include <span>

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

const QString kNothing = QStringLiteral("(nothing)");

// What one step did: passed, failed a check (expected, got), or could not be understood.
struct StepResult {
    enum Kind { Ok, Fail, NotUnderstood } kind = Ok;
    QString expected;
    QString got;
};

StepResult ok() {
    return {};
}
StepResult fail(QString expected, QString got) {
    return {StepResult::Fail, std::move(expected), std::move(got)};
}
StepResult notUnderstood(QString what = QStringLiteral("a step of the scenario language")) {
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
    QString rest;
    QString name;
    std::array<int, 3> numbers{};
    bool yes = false;
    QDateTime when;
};

std::optional<int> readInt(const QString& text) {
    bool ok = false;
    const int value = text.toInt(&ok);
    return ok ? std::optional<int>(value) : std::nullopt;
}

// A count written with digits only (no sign, no blank), within the range of an int.
std::optional<int> readCount(const QString& text) {
    const bool digits = !text.isEmpty() && std::all_of(text.begin(), text.end(), [](QChar c) {
        return c >= u'0' && c <= u'9';
    });
    return digits ? readInt(text) : std::nullopt;
}

// A text cut at its first blank: the word before it and the rest after it.
std::pair<QString, QString> cut(const QString& text) {
    const qsizetype blank = text.indexOf(u' ');
    return {blank < 0 ? text : text.left(blank), blank < 0 ? QString() : text.mid(blank + 1)};
}

// Splits `rest` into `count` arguments at single blanks; the last one takes the rest of the line.
std::optional<QStringList> splitArgs(const QString& rest, int count) {
    QStringList args;
    qsizetype from = 0;
    for (int i = 0; i + 1 < count; ++i) {
        const qsizetype blank = rest.indexOf(u' ', from);
        if (blank < 0) {
            return std::nullopt;
        }
        args.append(rest.mid(from, blank - from));
        from = blank + 1;
    }
    args.append(rest.mid(from));
    return args;
}

// Reads `rest` as `shape`; nullopt when it does not have that shape.
std::optional<Args> readArgs(Shape shape, const QString& rest) {
    Args args;
    args.rest = rest;
    int numbers = 0;
    switch (shape) {
        case Shape::Rest:
        case Shape::None:
            return args;
        case Shape::Empty:
            return rest.isEmpty() ? std::optional<Args>(args) : std::nullopt;
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
            const qsizetype blank = rest.lastIndexOf(u' ');
            if (blank <= 0) {
                return std::nullopt;
            }
            args.name = rest.mid(blank + 1);
            args.rest = rest.left(blank);
            return args;
        }
        case Shape::NameColonRest: {
            const qsizetype colon = rest.indexOf(QStringLiteral(": "));
            if (colon < 0 && !rest.endsWith(u':')) {
                return std::nullopt;
            }
            args.name = colon < 0 ? rest.chopped(1) : rest.left(colon);
            args.rest = colon < 0 ? QString() : rest.mid(colon + 2);
            return args;
        }
        case Shape::YesNoCount: {
            const auto [answer, delay] = cut(rest);
            const auto ms = rest.contains(u' ') ? readCount(delay) : std::optional<int>(0);
            if ((answer != u"yes" && answer != u"no") || !ms) {
                return std::nullopt;
            }
            args.yes = answer == u"yes";
            args.numbers[0] = *ms;
            return args;
        }
        case Shape::DateTime:
            args.when = QDateTime::fromString(rest, QStringLiteral("yyyy-MM-dd HH:mm:ss"));
            if (!args.when.isValid()) {
                return std::nullopt;
            }
            args.when.setTimeSpec(Qt::UTC);
            return args;
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
QString fixturesFolder() {
    const QByteArray fromEnv = qgetenv("RUZ_FIXTURES");
    if (!fromEnv.isEmpty()) {
        return QString::fromLocal8Bit(fromEnv);
    }
    const QFileInfo program(QStringLiteral("/proc/self/exe"));
    const QString programPath = program.canonicalFilePath();
    const QString buildTree = QFileInfo(QStringLiteral(RUZ_BUILD_DIR)).canonicalFilePath();
    if (!buildTree.isEmpty() && programPath.startsWith(buildTree + u'/')) {
        return QStringLiteral(RUZ_FIXTURES_DIR);
    }
    return QDir::cleanPath(QFileInfo(programPath).path() + u'/' +
                           QStringLiteral(RUZ_INSTALLED_FIXTURES));
}

// A path a step writes to stays inside the scratch folder: relative, and without a ".." piece.
bool insideScratch(const QString& path) {
    if (path.startsWith(u'/')) {
        return false;
    }
    const QStringList pieces = path.split(u'/');
    return !pieces.contains(QStringLiteral(".."));
}

// The steps that create files or folders, and the path each creates.
struct WritingStep {
    const char16_t* word;
    QString (*target)(const QString& rest);
};
const WritingStep kWritingSteps[] = {
    {u"song",
     [](const QString& rest) {
         const auto args = readArgs(Shape::RestName, rest);
         return args ? args->rest : QString();
     }},
    {u"file", [](const QString& rest) { return rest; }},
    {u"folder", [](const QString& rest) { return rest; }},
};

// The path outside the scratch folder that a step would write to, if any.
std::optional<QString> pathOutsideScratch(const QString& word, const QString& rest) {
    for (const WritingStep& step : kWritingSteps) {
        if (word == QStringView(step.word)) {
            const QString target = step.target(rest);
            return insideScratch(target) ? std::nullopt : std::optional<QString>(target);
        }
    }
    return std::nullopt;
}

bool makeParent(const QString& path) {
    return QFileInfo(path).dir().mkpath(QStringLiteral("."));
}

class Run {
  public:
    StepResult step(const QString& word, const QString& rest);
    static bool knows(const QString& word);
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
    StepResult runRow(std::span<const Row> rows, const QString& word, const QString& rest);

    FrmAmp* app() { return world_.app(); }
    // A control of the main window or of `Ccoms`, by name, for a step that acts on it: a control
    // of `Ccoms` makes that window first.
    Control* control(const QString& name);

    StepResult clock(const Args& a);
    StepResult song(const Args& a);
    StepResult file(const Args& a);
    StepResult folder(const Args& a);
    StepResult signon(const Args& a) {
        world_.standin.signOn(a.rest.toStdString());
        return ok();
    }
    StepResult dialog(const Args& a) {
        world_.standin.openDialog(a.rest.toStdString());
        return ok();
    }
    StepResult room(const Args&) {
        world_.standin.openRoom();
        return ok();
    }
    StepResult front(const Args& a);
    StepResult leave(const Args&) { return inRoom(world_.standin.leaveFrontRoom()); }
    StepResult say(const Args& a);
    StepResult raw(const Args& a) { return inRoom(world_.standin.appendRaw(a.rest.toStdString())); }
    StepResult type(const Args& a) {
        return inRoom(world_.standin.typeInput(a.rest.toStdString()));
    }
    StepResult send(const Args&) { return inRoom(world_.standin.pressSend()); }
    StepResult answer(const Args& a);
    StepResult prompt(const Args& a) {
        world_.dialogs.queuePrompt(fromQString(a.rest));
        return ok();
    }
    StepResult promptCancel(const Args&) {
        world_.dialogs.queuePrompt(std::nullopt);
        return ok();
    }
    StepResult pick(const Args& a) {
        world_.dialogs.queuePick(fromQString(world_.absolute(a.rest)));
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
        app()->ExplorerTree1.userPick(fromQString(world_.absolute(a.rest)));
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
    StepResult expectTranscript(const Args& a) {
        return same(a.rest, QString::fromStdString(world_.standin.transcriptUtf8()));
    }
    StepResult expectInput(const Args& a) {
        return same(a.rest, QString::fromStdString(world_.standin.inputUtf8()));
    }
    StepResult expectRooms(const Args& a) {
        return same(a.rest, QString::number(world_.standin.openRoomCount()), true);
    }
    StepResult expectEnded(const Args&);
    StepResult expectRunning(const Args&);
    StepResult expectProperty(const QString& target, const QString& expected);

    static StepResult inRoom(bool done) {
        return done ? ok() : fail(QStringLiteral("an open room"), kNothing);
    }
    // Passes when `got` is `expected` (as numbers with `numeric`).
    static StepResult same(const QString& expected, const QString& got, bool numeric = false) {
        const bool equal = numeric ? readInt(expected) == readInt(got) : expected == got;
        return equal ? ok() : fail(expected, got);
    }
    static QString shownText(const ScriptedDialogs::Shown& d) {
        return toQString(ScriptedDialogs::kindName(d.kind) + u": " + d.text);
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
    {u"transcript", Shape::Rest, false, u"expect transcript TEXT", &Run::expectTranscript},
    {u"input", Shape::Rest, false, u"expect input TEXT", &Run::expectInput},
    {u"rooms", Shape::Int, false, u"expect rooms N", &Run::expectRooms},
    {u"ended", Shape::None, false, u"expect ended", &Run::expectEnded},
    {u"running", Shape::None, false, u"expect running", &Run::expectRunning},
};

StepResult Run::runRow(std::span<const Row> rows, const QString& word, const QString& rest) {
    for (const Row& row : rows) {
        if (word != QStringView(row.word)) {
            continue;
        }
        const auto args = readArgs(row.shape, rest);
        if (!args) {
            return notUnderstood(QString::fromUtf16(row.usage));
        }
        if (row.needsProgram && !app()) {
            return fail(QStringLiteral("a started program"), kNothing);
        }
        return (this->*row.handler)(*args);
    }
    return notUnderstood();
}

StepResult Run::step(const QString& word, const QString& rest) {
    if (!world_.ready()) {
        return fail(QStringLiteral("a scratch folder"), kNothing);
    }
    return runRow(kSteps, word, rest);
}

bool Run::knows(const QString& word) {
    return std::any_of(std::begin(kSteps), std::end(kSteps),
                       [&](const Row& row) { return word == QStringView(row.word); });
}

Control* Run::control(const QString& name) {
    // A step that acts on a control of `Ccoms` acts on the window as the user opens it.
    if (Control* c = findControl(*app(), name)) {
        return c;
    }
    return isWordsControl(name) ? app()->ccoms().controls().find(fromQString(name)) : nullptr;
}

std::optional<StepResult> Run::unansweredDialog() {
    const auto& missing = world_.dialogs.unanswered();
    if (!missing || unansweredReported_ > 0) {
        return std::nullopt;
    }
    ++unansweredReported_;
    return fail(QStringLiteral("an answer queued"), shownText(*missing));
}

StepResult Run::clock(const Args& a) {
    world_.clock.set(WallTime(std::chrono::milliseconds(a.when.toMSecsSinceEpoch())));
    return ok();
}

StepResult Run::song(const Args& a) {
    const QString target = world_.absolute(a.rest);
    const QString source = fixturesFolder() + u'/' + a.name;
    if (!QFileInfo(source).isFile()) {
        return fail(QStringLiteral("the fixture ") + a.name, kNothing);
    }
    QFile::remove(target);
    if (!makeParent(target) || !QFile::copy(source, target)) {
        return fail(QStringLiteral("a copy at ") + a.rest, kNothing);
    }
    QFile(target).setPermissions(QFile::ReadOwner | QFile::WriteOwner);
    return ok();
}

StepResult Run::file(const Args& a) {
    const QString target = world_.absolute(a.rest);
    QFile f(target);
    if (!makeParent(target) || !f.open(QIODevice::WriteOnly)) {
        return fail(QStringLiteral("an empty file at ") + a.rest, kNothing);
    }
    return ok();
}

StepResult Run::folder(const Args& a) {
    if (!QDir().mkpath(world_.absolute(a.rest))) {
        return fail(QStringLiteral("a folder at ") + a.rest, kNothing);
    }
    return ok();
}

StepResult Run::front(const Args& a) {
    if (!world_.standin.frontRoom(a.numbers[0])) {
        return fail(QStringLiteral("open room ") + a.rest, kNothing);
    }
    return ok();
}

StepResult Run::say(const Args& a) {
    return inRoom(world_.standin.memberSays(a.name.toStdString(), a.rest.toStdString()));
}

StepResult Run::answer(const Args& a) {
    world_.dialogs.queueYesNo(a.yes, a.numbers[0]);
    return ok();
}

StepResult Run::start(const Args&) {
    if (app()) {
        return fail(QStringLiteral("a program not yet started"), QStringLiteral("started"));
    }
    world_.start();
    return ok();
}

StepResult Run::wait(const Args& a) {
    if (a.numbers[0] < 0) {
        return notUnderstood(QStringLiteral("wait MS"));
    }
    world_.wait(a.numbers[0]);
    return ok();
}

StepResult Run::click(const Args& a) {
    if (app()->ended()) {
        return fail(QStringLiteral("a running program"), QStringLiteral("ended"));
    }
    Control* c = control(a.rest);
    if (c == nullptr || !c->userClick()) {
        return fail(QStringLiteral("a picture, menu entry or check box named ") + a.rest, kNothing);
    }
    return ok();
}

StepResult Run::scroll(const Args& a) {
    auto* slider = dynamic_cast<Slider*>(control(a.name));
    if (!slider) {
        return fail(QStringLiteral("a slider named ") + a.name, kNothing);
    }
    slider->userScroll(a.numbers[0]);
    return ok();
}

StepResult Run::key(const Args& a) {
    Control* c = control(a.name);
    if (!c) {
        return fail(QStringLiteral("a control named ") + a.name, kNothing);
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
        return fail(QStringLiteral("a text box named ") + a.name, kNothing);
    }
    box->setText(fromQString(a.rest));
    return ok();
}

StepResult Run::mouse(const Args& a, bool isPress) {
    auto* picture = dynamic_cast<Picture*>(control(a.name));
    if (!picture) {
        return fail(QStringLiteral("a picture named ") + a.name, kNothing);
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
    const auto cutText = cut(a.rest);
    const QString& what = cutText.first;
    const QString& text = cutText.second;
    const bool known = std::any_of(std::begin(kExpectForms), std::end(kExpectForms),
                                   [&](const Row& row) { return what == QStringView(row.word); });
    if (known) {
        return runRow(kExpectForms, what, text);
    }
    if (what.contains(u'.')) {
        return expectProperty(what, text);
    }
    return notUnderstood(QStringLiteral("an expect form"));
}

StepResult Run::expectSent(const Args& a) {
    const auto& sent = world_.standin.sentByProgram();
    if (sentChecked_ >= sent.size()) {
        return fail(a.rest, kNothing);
    }
    return same(a.rest, QString::fromStdString(sent[sentChecked_++]));
}

StepResult Run::expectSentNone(const Args&) {
    const auto& sent = world_.standin.sentByProgram();
    if (sentChecked_ < sent.size()) {
        return fail(kNothing, QString::fromStdString(sent[sentChecked_]));
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

StepResult Run::expectShownNone(const Args&) {
    const auto& shown = world_.dialogs.shown();
    if (shownChecked_ < shown.size()) {
        return fail(kNothing, shownText(shown[shownChecked_]));
    }
    return ok();
}

StepResult Run::expectEnded(const Args&) {
    const bool ended = app() && app()->ended();
    return ended ? ok() : fail(QStringLiteral("ended"), QStringLiteral("running"));
}

StepResult Run::expectRunning(const Args&) {
    const bool running = app() && !app()->ended();
    return running ? ok() : fail(QStringLiteral("running"), QStringLiteral("ended"));
}

StepResult Run::expectProperty(const QString& target, const QString& expected) {
    const qsizetype dot = target.indexOf(u'.');
    const QString name = target.left(dot);
    const QString prop = target.mid(dot + 1);
    const auto value = readProperty(world_, name, prop);
    if (!value) {
        return fail(expected, QStringLiteral("no property ") + target);
    }
    return matches(*value, expected) ? ok() : fail(expected, value->text);
}

struct Line {
    int number;
    QString word;
    QString rest;
    QString text;    // the line as written
    QString unread;  // how the line is written, when it does not read as that
};

// The most steps one `repeat` line stands for.
constexpr int kMaxRepeats = 10000;
const QString kRepeatUsage = QStringLiteral("repeat N STEP or repeat FIRST..LAST STEP");

// The steps of a `repeat` line's count and step: "N STEP" is STEP N times; "FIRST..LAST STEP" is
// STEP once for each number from FIRST to LAST, every "{}" in it replaced by the number written
// with at least as many digits as FIRST (leading zeros). Empty when the line does not read.
QStringList repeatedSteps(const QString& rest) {
    const auto words = splitArgs(rest, 2);
    if (!words || (*words)[1].isEmpty()) {
        return {};
    }
    const QString& count = (*words)[0];
    const QString& step = (*words)[1];
    const qsizetype dots = count.indexOf(QStringLiteral(".."));
    const auto first = dots < 0 ? std::optional<int>(1) : readCount(count.left(dots));
    const auto last = dots < 0 ? readCount(count) : readCount(count.mid(dots + 2));
    if (!first || !last || *last < *first || *last - *first >= kMaxRepeats) {
        return {};
    }
    QStringList steps;
    for (int n = *first; n <= *last; ++n) {
        steps.append(dots < 0
                         ? step
                         : QString(step).replace(QStringLiteral("{}"),
                                                 QStringLiteral("%1").arg(n, static_cast<int>(dots),
                                                                          10, QChar(u'0'))));
    }
    return steps;
}

// The file's steps, a `repeat` line spelled out; comments and blank lines are skipped.
std::vector<Line> stepsOf(const QString& text) {
    std::vector<Line> lines;
    const QStringList raw = text.split(u'\n');
    for (int i = 0; i < raw.size(); ++i) {
        QString line = raw[i];
        if (line.endsWith(u'\r')) {
            line.chop(1);
        }
        qsizetype start = 0;
        while (start < line.size() && (line[start] == u' ' || line[start] == u'\t')) {
            ++start;
        }
        if (start == line.size() || line[start] == u'#') {
            continue;
        }
        line = line.mid(start);
        const auto [word, rest] = cut(line);
        if (word != u"repeat") {
            lines.push_back({i + 1, word, rest, line, {}});
            continue;
        }
        const QStringList steps = repeatedSteps(rest);
        if (steps.isEmpty()) {
            lines.push_back({i + 1, word, rest, line, kRepeatUsage});
        }
        for (const QString& step : steps) {
            const auto [stepWord, stepRest] = cut(step);
            lines.push_back({i + 1, stepWord, stepRest, line, {}});
        }
    }
    return lines;
}

}  // namespace

FileResult runScenarioText(const QString& text, const QString& displayName) {
    const std::vector<Line> lines = stepsOf(text);
    // Every line is read before the first step runs: a file with a line that does not read, or
    // that would write outside the scratch folder, changes nothing at all.
    for (const Line& line : lines) {
        if (!line.unread.isEmpty()) {
            return {Outcome::NotUnderstood, line.number,
                    QStringLiteral("FAIL %1:%2: %3 \u2014 expected %4, got \"%3\"")
                        .arg(displayName)
                        .arg(line.number)
                        .arg(line.text, line.unread)};
        }
        if (!Run::knows(line.word)) {
            return {Outcome::NotUnderstood, line.number,
                    QStringLiteral("FAIL %1:%2: %3 \u2014 expected a known step, got %4")
                        .arg(displayName)
                        .arg(line.number)
                        .arg(line.text, line.word)};
        }
        if (const auto outside = pathOutsideScratch(line.word, line.rest)) {
            return {Outcome::NotUnderstood, line.number,
                    QStringLiteral("FAIL %1:%2: %3 \u2014 expected a path inside the scratch "
                                   "folder, got \"%4\"")
                        .arg(displayName)
                        .arg(line.number)
                        .arg(line.text, *outside)};
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
        const QString got = understood ? result.got : QStringLiteral("\"%1\"").arg(line.text);
        return {understood ? Outcome::Failed : Outcome::NotUnderstood, line.number,
                QStringLiteral("FAIL %1:%2: %3 \u2014 expected %4, got %5")
                    .arg(displayName)
                    .arg(line.number)
                    .arg(line.text, result.expected, got)};
    }
    return {Outcome::Passed, 0, QStringLiteral("PASS ") + displayName};
}

FileResult runScenarioFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return {Outcome::NotUnderstood, 0,
                QStringLiteral("FAIL %1:0: read \u2014 expected a readable file, got %2")
                    .arg(path, file.errorString())};
    }
    return runScenarioText(QString::fromUtf8(file.readAll()), path);
}

int runScenarioFiles(const QStringList& paths, const std::function<void(const QString&)>& print) {
    int passed = 0;
    int failed = 0;
    bool unreadable = false;
    for (const QString& path : paths) {
        const FileResult result = runScenarioFile(path);
        print(result.report);
        if (result.outcome == Outcome::Passed) {
            ++passed;
        } else {
            ++failed;
            unreadable = unreadable || result.outcome == Outcome::NotUnderstood;
        }
    }
    print(QStringLiteral("%1 passed, %2 failed").arg(passed).arg(failed));
    if (unreadable) {
        return 2;
    }
    return failed > 0 ? 1 : 0;
}

}  // namespace ruz::scenario
