#include "scenario/runner.h"

#include "commands/numbers.h"
#include "scenario/properties.h"
#include "scenario/world.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>
#include <array>
#include <optional>

#ifndef RUZ_FIXTURES_DIR
#define RUZ_FIXTURES_DIR ""
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

std::optional<int> readInt(const QString& text) {
    bool ok = false;
    const int value = text.toInt(&ok);
    return ok ? std::optional<int>(value) : std::nullopt;
}

QString fixturesFolder() {
    const QByteArray fromEnv = qgetenv("RUZ_FIXTURES");
    return fromEnv.isEmpty() ? QStringLiteral(RUZ_FIXTURES_DIR) : QString::fromLocal8Bit(fromEnv);
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
    using Handler = StepResult (Run::*)(const QString& rest);
    struct Row {
        const char16_t* word;
        Handler handler;
    };
    static const std::array<Row, 31> kSteps;

    FrmAmp* app() { return world_.app(); }
    StepResult needsProgram() { return fail(QStringLiteral("a started program"), kNothing); }

    StepResult clock(const QString& rest);
    StepResult song(const QString& rest);
    StepResult file(const QString& rest);
    StepResult folder(const QString& rest);
    StepResult signon(const QString& rest);
    StepResult dialog(const QString& rest);
    StepResult room(const QString& rest);
    StepResult front(const QString& rest);
    StepResult leave(const QString& rest);
    StepResult say(const QString& rest);
    StepResult raw(const QString& rest);
    StepResult type(const QString& rest);
    StepResult send(const QString& rest);
    StepResult answer(const QString& rest);
    StepResult prompt(const QString& rest);
    StepResult promptCancel(const QString& rest);
    StepResult pick(const QString& rest);
    StepResult pickCancel(const QString& rest);
    StepResult start(const QString& rest);
    StepResult wait(const QString& rest);
    StepResult click(const QString& rest);
    StepResult select(const QString& rest);
    StepResult tree(const QString& rest);
    StepResult scroll(const QString& rest);
    StepResult key(const QString& rest);
    StepResult edit(const QString& rest);
    StepResult press(const QString& rest);
    StepResult move(const QString& rest);
    StepResult tray(const QString& rest);
    StepResult close(const QString& rest);
    StepResult expect(const QString& rest);
    StepResult expectProperty(const QString& target, const QString& expected);
    StepResult mouse(const QString& rest, bool isPress);

    World world_;
    std::size_t sentChecked_ = 0;
    std::size_t shownChecked_ = 0;
    std::size_t unansweredReported_ = 0;
};

const std::array<Run::Row, 31> Run::kSteps = {{
    {u"clock", &Run::clock},   {u"song", &Run::song},
    {u"file", &Run::file},     {u"folder", &Run::folder},
    {u"signon", &Run::signon}, {u"dialog", &Run::dialog},
    {u"room", &Run::room},     {u"front", &Run::front},
    {u"leave", &Run::leave},   {u"say", &Run::say},
    {u"raw", &Run::raw},       {u"type", &Run::type},
    {u"send", &Run::send},     {u"answer", &Run::answer},
    {u"prompt", &Run::prompt}, {u"prompt-cancel", &Run::promptCancel},
    {u"pick", &Run::pick},     {u"pick-cancel", &Run::pickCancel},
    {u"start", &Run::start},   {u"wait", &Run::wait},
    {u"click", &Run::click},   {u"select", &Run::select},
    {u"tree", &Run::tree},     {u"scroll", &Run::scroll},
    {u"key", &Run::key},       {u"edit", &Run::edit},
    {u"press", &Run::press},   {u"move", &Run::move},
    {u"tray", &Run::tray},     {u"close", &Run::close},
    {u"expect", &Run::expect},
}};

StepResult Run::step(const QString& word, const QString& rest) {
    if (!world_.ready()) {
        return fail(QStringLiteral("a scratch folder"), kNothing);
    }
    for (const Row& row : kSteps) {
        if (word == QStringView(row.word)) {
            return (this->*row.handler)(rest);
        }
    }
    return notUnderstood();
}

bool Run::knows(const QString& word) {
    return std::any_of(kSteps.begin(), kSteps.end(),
                       [&](const Row& row) { return word == QStringView(row.word); });
}

std::optional<StepResult> Run::unansweredDialog() {
    const auto& missing = world_.dialogs.unanswered();
    if (!missing || unansweredReported_ > 0) {
        return std::nullopt;
    }
    ++unansweredReported_;
    return fail(QStringLiteral("an answer queued"),
                ScriptedDialogs::kindName(missing->kind) + QStringLiteral(": ") + missing->text);
}

StepResult Run::clock(const QString& rest) {
    QDateTime at = QDateTime::fromString(rest, QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    if (!at.isValid()) {
        return notUnderstood(QStringLiteral("clock YYYY-MM-DD HH:MM:SS"));
    }
    at.setTimeSpec(Qt::UTC);
    world_.clock.set(at);
    return ok();
}

StepResult Run::song(const QString& rest) {
    const qsizetype blank = rest.lastIndexOf(u' ');
    if (blank <= 0) {
        return notUnderstood(QStringLiteral("song PATH FIXTURE"));
    }
    const QString target = world_.absolute(rest.left(blank));
    const QString source = fixturesFolder() + u'/' + rest.mid(blank + 1);
    if (!QFileInfo(source).isFile()) {
        return fail(QStringLiteral("the fixture ") + rest.mid(blank + 1), kNothing);
    }
    QFile::remove(target);
    if (!makeParent(target) || !QFile::copy(source, target)) {
        return fail(QStringLiteral("a copy at ") + rest.left(blank), kNothing);
    }
    QFile(target).setPermissions(QFile::ReadOwner | QFile::WriteOwner);
    return ok();
}

StepResult Run::file(const QString& rest) {
    const QString target = world_.absolute(rest);
    QFile f(target);
    if (!makeParent(target) || !f.open(QIODevice::WriteOnly)) {
        return fail(QStringLiteral("an empty file at ") + rest, kNothing);
    }
    return ok();
}

StepResult Run::folder(const QString& rest) {
    if (!QDir().mkpath(world_.absolute(rest))) {
        return fail(QStringLiteral("a folder at ") + rest, kNothing);
    }
    return ok();
}

StepResult Run::signon(const QString& rest) {
    world_.standin.signOn(rest.toStdString());
    return ok();
}

StepResult Run::dialog(const QString& rest) {
    world_.standin.openDialog(rest.toStdString());
    return ok();
}

StepResult Run::room(const QString& rest) {
    if (!rest.isEmpty()) {
        return notUnderstood(QStringLiteral("room"));
    }
    world_.standin.openRoom();
    return ok();
}

StepResult Run::front(const QString& rest) {
    const auto n = readInt(rest);
    if (!n) {
        return notUnderstood(QStringLiteral("front N"));
    }
    if (!world_.standin.frontRoom(*n)) {
        return fail(QStringLiteral("open room ") + rest, kNothing);
    }
    return ok();
}

StepResult Run::leave(const QString&) {
    if (!world_.standin.leaveFrontRoom()) {
        return fail(QStringLiteral("an open room"), kNothing);
    }
    return ok();
}

StepResult Run::say(const QString& rest) {
    const qsizetype colon = rest.indexOf(QStringLiteral(": "));
    if (colon < 0) {
        if (!rest.endsWith(u':')) {
            return notUnderstood(QStringLiteral("say NAME: TEXT"));
        }
    }
    const QString name = colon < 0 ? rest.chopped(1) : rest.left(colon);
    const QString text = colon < 0 ? QString() : rest.mid(colon + 2);
    if (!world_.standin.memberSays(name.toStdString(), text.toStdString())) {
        return fail(QStringLiteral("an open room"), kNothing);
    }
    return ok();
}

StepResult Run::raw(const QString& rest) {
    if (!world_.standin.appendRaw(rest.toStdString())) {
        return fail(QStringLiteral("an open room"), kNothing);
    }
    return ok();
}

StepResult Run::type(const QString& rest) {
    if (!world_.standin.typeInput(rest.toStdString())) {
        return fail(QStringLiteral("an open room"), kNothing);
    }
    return ok();
}

StepResult Run::send(const QString&) {
    if (!world_.standin.pressSend()) {
        return fail(QStringLiteral("an open room"), kNothing);
    }
    return ok();
}

StepResult Run::answer(const QString& rest) {
    static const QRegularExpression pattern(QStringLiteral("^(yes|no)(?: ([0-9]+))?\\z"));
    const auto m = pattern.match(rest);
    if (!m.hasMatch()) {
        return notUnderstood(QStringLiteral("answer yes|no [MS]"));
    }
    const int delay = m.captured(2).isEmpty() ? 0 : m.captured(2).toInt();
    world_.dialogs.queueYesNo(m.captured(1) == u"yes", delay);
    return ok();
}

StepResult Run::prompt(const QString& rest) {
    world_.dialogs.queuePrompt(rest);
    return ok();
}

StepResult Run::promptCancel(const QString&) {
    world_.dialogs.queuePrompt(std::nullopt);
    return ok();
}

StepResult Run::pick(const QString& rest) {
    world_.dialogs.queuePick(world_.absolute(rest));
    return ok();
}

StepResult Run::pickCancel(const QString&) {
    world_.dialogs.queuePick(QString());
    return ok();
}

StepResult Run::start(const QString&) {
    if (app()) {
        return fail(QStringLiteral("a program not yet started"), QStringLiteral("started"));
    }
    world_.start();
    return ok();
}

StepResult Run::wait(const QString& rest) {
    const auto ms = readInt(rest);
    if (!ms || *ms < 0) {
        return notUnderstood(QStringLiteral("wait MS"));
    }
    world_.wait(*ms);
    return ok();
}

StepResult Run::click(const QString& rest) {
    FrmAmp* a = app();
    if (!a) {
        return needsProgram();
    }
    if (a->ended()) {
        return fail(QStringLiteral("a running program"), QStringLiteral("ended"));
    }
    Control* c = a->control(rest);
    if (c == nullptr && (rest == u"Image26" || rest == u"Image27")) {
        c = rest == u"Image26" ? &a->ccoms().Image26 : &a->ccoms().Image27;
    }
    if (auto* picture = dynamic_cast<Picture*>(c)) {
        picture->click();
    } else if (auto* entry = dynamic_cast<MenuEntry*>(c)) {
        entry->click();
    } else if (auto* box = dynamic_cast<CheckBox*>(c)) {
        box->userClick();
    } else {
        return fail(QStringLiteral("a picture, menu entry or check box named ") + rest, kNothing);
    }
    return ok();
}

StepResult Run::select(const QString& rest) {
    const auto n = readInt(rest);
    if (!n) {
        return notUnderstood(QStringLiteral("select N"));
    }
    if (!app()) {
        return needsProgram();
    }
    app()->File1.userSelect(*n);
    return ok();
}

StepResult Run::tree(const QString& rest) {
    if (!app()) {
        return needsProgram();
    }
    app()->ExplorerTree1.userPick(world_.absolute(rest));
    return ok();
}

StepResult Run::scroll(const QString& rest) {
    const auto args = splitArgs(rest, 2);
    const auto value = args ? readInt((*args)[1]) : std::nullopt;
    if (!value) {
        return notUnderstood(QStringLiteral("scroll NAME VALUE"));
    }
    if (!app()) {
        return needsProgram();
    }
    auto* slider = dynamic_cast<Slider*>(app()->control((*args)[0]));
    if (!slider) {
        return fail(QStringLiteral("a slider named ") + (*args)[0], kNothing);
    }
    slider->userScroll(*value);
    return ok();
}

StepResult Run::key(const QString& rest) {
    const auto args = splitArgs(rest, 2);
    const auto code = args ? readInt((*args)[1]) : std::nullopt;
    if (!code) {
        return notUnderstood(QStringLiteral("key NAME CODE"));
    }
    if (!app()) {
        return needsProgram();
    }
    Control* c = app()->control((*args)[0]);
    if (!c) {
        return fail(QStringLiteral("a control named ") + (*args)[0], kNothing);
    }
    // Only the check boxes have a key-down reaction.
    if (auto* box = dynamic_cast<CheckBox*>(c)) {
        box->keyDown(*code);
    }
    return ok();
}

StepResult Run::edit(const QString& rest) {
    const auto args = splitArgs(rest, 2);
    if (!args) {
        return notUnderstood(QStringLiteral("edit NAME TEXT"));
    }
    if (!app()) {
        return needsProgram();
    }
    TextBox* box = app()->ccoms().box((*args)[0]);
    if (!box) {
        return fail(QStringLiteral("a text box named ") + (*args)[0], kNothing);
    }
    box->setText((*args)[1]);
    return ok();
}

StepResult Run::mouse(const QString& rest, bool isPress) {
    const auto args = splitArgs(rest, 4);
    std::array<std::optional<int>, 3> numbers{};
    if (args) {
        for (int i = 0; i < 3; ++i) {
            numbers[i] = readInt((*args)[i + 1]);
        }
    }
    if (!args || !numbers[0] || !numbers[1] || !numbers[2]) {
        return notUnderstood(QStringLiteral("press|move NAME BUTTONS X Y"));
    }
    if (!app()) {
        return needsProgram();
    }
    const QString& name = (*args)[0];
    Picture* picture = dynamic_cast<Picture*>(app()->control(name));
    if (!picture && name == u"Image26") {
        picture = &app()->ccoms().Image26;
    } else if (!picture && name == u"Image27") {
        picture = &app()->ccoms().Image27;
    }
    if (!picture) {
        return fail(QStringLiteral("a picture named ") + name, kNothing);
    }
    if (isPress) {
        picture->mouseDown(*numbers[0], *numbers[1], *numbers[2]);
    } else {
        picture->mouseMove(*numbers[0], *numbers[1], *numbers[2]);
    }
    return ok();
}

StepResult Run::press(const QString& rest) {
    return mouse(rest, true);
}
StepResult Run::move(const QString& rest) {
    return mouse(rest, false);
}

StepResult Run::tray(const QString& rest) {
    const auto message = readInt(rest);
    if (!message) {
        return notUnderstood(QStringLiteral("tray MSG"));
    }
    if (world_.tray.present() && world_.tray.onIconMessage) {
        world_.tray.onIconMessage(*message);
    }
    return ok();
}

StepResult Run::close(const QString&) {
    if (!app()) {
        return needsProgram();
    }
    app()->Form_Unload();
    return ok();
}

StepResult Run::expect(const QString& rest) {
    const qsizetype blank = rest.indexOf(u' ');
    const QString what = blank < 0 ? rest : rest.left(blank);
    const QString text = blank < 0 ? QString() : rest.mid(blank + 1);

    if (what == u"sent") {
        const auto& sent = world_.standin.sentByProgram();
        if (sentChecked_ >= sent.size()) {
            return fail(text, kNothing);
        }
        const QString line = QString::fromStdString(sent[sentChecked_++]);
        return line == text ? ok() : fail(text, line);
    }
    if (what == u"sent-none") {
        const auto& sent = world_.standin.sentByProgram();
        if (sentChecked_ < sent.size()) {
            return fail(kNothing, QString::fromStdString(sent[sentChecked_]));
        }
        return ok();
    }
    if (what == u"shown") {
        const auto& shown = world_.dialogs.shown();
        if (shownChecked_ >= shown.size()) {
            return fail(text, kNothing);
        }
        const auto& d = shown[shownChecked_++];
        const QString seen = ScriptedDialogs::kindName(d.kind) + QStringLiteral(": ") + d.text;
        return seen == text ? ok() : fail(text, seen);
    }
    if (what == u"shown-none") {
        const auto& shown = world_.dialogs.shown();
        if (shownChecked_ < shown.size()) {
            const auto& d = shown[shownChecked_];
            return fail(kNothing,
                        ScriptedDialogs::kindName(d.kind) + QStringLiteral(": ") + d.text);
        }
        return ok();
    }
    if (what == u"transcript") {
        const QString view = QString::fromStdString(world_.standin.transcriptUtf8());
        return view == text ? ok() : fail(text, view);
    }
    if (what == u"input") {
        const QString input = QString::fromStdString(world_.standin.inputUtf8());
        return input == text ? ok() : fail(text, input);
    }
    if (what == u"rooms") {
        const auto n = readInt(text);
        if (!n) {
            return notUnderstood(QStringLiteral("expect rooms N"));
        }
        const int open = world_.standin.openRoomCount();
        return open == *n ? ok() : fail(text, QString::number(open));
    }
    const bool ended = app() && app()->ended();
    if (what == u"ended") {
        return ended ? ok() : fail(QStringLiteral("ended"), QStringLiteral("running"));
    }
    if (what == u"running") {
        return app() && !ended ? ok() : fail(QStringLiteral("running"), QStringLiteral("ended"));
    }
    if (what.contains(u'.')) {
        return expectProperty(what, text);
    }
    return notUnderstood(QStringLiteral("an expect form"));
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
    QString text;  // the step as written
};

// The file's steps; comments and blank lines are skipped.
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
        const qsizetype blank = line.indexOf(u' ');
        lines.push_back({i + 1, blank < 0 ? line : line.left(blank),
                         blank < 0 ? QString() : line.mid(blank + 1), line});
    }
    return lines;
}

}  // namespace

FileResult runScenarioText(const QString& text, const QString& displayName) {
    const std::vector<Line> lines = stepsOf(text);
    for (const Line& line : lines) {
        if (!Run::knows(line.word)) {
            return {Outcome::NotUnderstood, line.number,
                    QStringLiteral("FAIL %1:%2: %3 \u2014 expected a known step, got %4")
                        .arg(displayName)
                        .arg(line.number)
                        .arg(line.text, line.word)};
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
