#include "scenario/properties.h"

#include "commands/numbers.h"

#include <QRegularExpression>

#include <cmath>

namespace ruz::scenario {

namespace {

constexpr double kSecondsTolerance = 0.05;

QString boolText(bool b) {
    return b ? QStringLiteral("true") : QStringLiteral("false");
}

PropertyValue number(long long n) {
    return {QString::number(n), Compare::Number};
}
PropertyValue seconds(double s) {
    return {QString::number(s, 'f', 3), Compare::Seconds};
}
PropertyValue text(QString t) {
    return {std::move(t), Compare::Text};
}

// "List(3)" -> 3
std::optional<int> indexOf(const QString& prop, const QString& head) {
    static const QRegularExpression pattern(QStringLiteral("^(\\w+)\\((-?\\d+)\\)$"));
    const auto m = pattern.match(prop);
    if (!m.hasMatch() || m.captured(1) != head) {
        return std::nullopt;
    }
    bool ok = false;
    const int i = m.captured(2).toInt(&ok);
    return ok ? std::optional<int>(i) : std::nullopt;
}

std::optional<PropertyValue> windowProperty(const Window& w, const QString& prop) {
    if (prop == u"Caption")
        return text(w.caption());
    if (prop == u"Visible")
        return text(boolText(w.visible()));
    if (prop == u"WindowState")
        return number(w.windowState());
    if (prop == u"Left")
        return number(w.left());
    if (prop == u"Top")
        return number(w.top());
    return std::nullopt;
}

QString playStateText(PlayState s) {
    switch (s) {
        case PlayState::Stopped:
            return QStringLiteral("stopped");
        case PlayState::Paused:
            return QStringLiteral("paused");
        case PlayState::Playing:
            return QStringLiteral("playing");
    }
    return {};
}

std::optional<PropertyValue> engineProperty(World& world, const QString& prop) {
    const MediaEngine& e = *world.engine;
    if (prop == u"FileName")
        return text(world.relative(e.fileName()));
    if (prop == u"PlayState")
        return text(playStateText(e.playState()));
    if (prop == u"CurrentPosition")
        return seconds(e.currentPosition());
    if (prop == u"Duration")
        return seconds(e.duration());
    if (prop == u"Mute")
        return text(boolText(e.mute()));
    if (prop == u"Volume")
        return number(e.volume());
    return std::nullopt;
}

std::optional<PropertyValue> controlProperty(World& world, Control* c, const QString& prop) {
    if (auto* w = dynamic_cast<Window*>(c))
        return windowProperty(*w, prop);
    if (auto* l = dynamic_cast<Label*>(c)) {
        if (prop == u"Caption")
            return text(l->caption());
    }
    if (auto* t = dynamic_cast<TextBox*>(c)) {
        if (prop == u"Text")
            return text(t->text());
    }
    if (auto* b = dynamic_cast<CheckBox*>(c)) {
        if (prop == u"Value")
            return number(b->value());
    }
    if (auto* s = dynamic_cast<Slider*>(c)) {
        if (prop == u"Value")
            return number(s->value());
        if (prop == u"Min")
            return number(s->min());
        if (prop == u"Max")
            return number(s->max());
    }
    if (auto* t = dynamic_cast<Timer*>(c)) {
        if (prop == u"Enabled")
            return text(boolText(t->enabled()));
        if (prop == u"Interval")
            return number(t->interval());
    }
    if (auto* f = dynamic_cast<FileListBox*>(c)) {
        if (prop == u"Path")
            return text(world.relative(f->path()));
        if (prop == u"ListIndex")
            return number(f->listIndex());
        if (prop == u"ListCount")
            return number(f->count());
        if (prop == u"FileName")
            return text(f->fileName());
        if (auto i = indexOf(prop, QStringLiteral("List")))
            return text(f->item(*i));
    }
    if (auto* l = dynamic_cast<ListBox*>(c)) {
        if (prop == u"ListCount")
            return number(l->count());
        if (auto i = indexOf(prop, QStringLiteral("List")))
            return text(l->item(*i));
    }
    if (auto* t = dynamic_cast<FolderTree*>(c)) {
        if (prop == u"Path")
            return text(world.relative(t->path()));
    }
    return std::nullopt;
}

}  // namespace

std::optional<PropertyValue> readProperty(World& world, const QString& name, const QString& prop) {
    if (name == u"tray") {
        if (prop == u"Present")
            return text(boolText(world.tray.present()));
        if (prop == u"Tip") {
            const auto& tip = world.tray.record().szTip;
            return text(QString::fromLatin1(tip.data(), qstrnlen(tip.data(), tip.size())));
        }
        return std::nullopt;
    }
    FrmAmp* app = world.app();
    if (name == u"MediaPlayer1")
        return engineProperty(world, prop);
    if (app == nullptr) {
        return std::nullopt;
    }
    if (name == u"chat") {
        if (prop == u"fyrsttalk")
            return text(app->chat.fyrsttalk);
        if (prop == u"oldlastlyne")
            return text(app->chat.oldlastlyne);
        if (prop == u"newlastlyne")
            return text(app->chat.newlastlyne);
        return std::nullopt;
    }
    if (name == u"pending") {
        if (prop == u"Count")
            return number(app->pending.size());
        if (auto i = indexOf(prop, QStringLiteral("Item"))) {
            return text(*i >= 0 && *i < app->pending.size() ? app->pending[*i] : QString());
        }
        return std::nullopt;
    }
    if (name == u"Ccoms")
        return windowProperty(app->ccoms().window, prop);
    if (Control* c = app->control(name))
        return controlProperty(world, c, prop);
    if (TextBox* box = app->ccoms().box(name))
        return controlProperty(world, box, prop);
    return std::nullopt;
}

bool matches(const PropertyValue& actual, const QString& expected) {
    switch (actual.compare) {
        case Compare::Text:
            return actual.text == expected;
        case Compare::Number: {
            const auto want = readNumber(expected);
            const auto have = readNumber(actual.text);
            return want && have && *want == *have;
        }
        case Compare::Seconds: {
            const auto want = readNumber(expected);
            const auto have = readNumber(actual.text);
            return want && have && std::fabs(*want - *have) <= kSecondsTolerance + 1e-9;
        }
    }
    return false;
}

}  // namespace ruz::scenario
