#include "scenario/properties.h"

#include "common/numbers.h"
#include "qt/qt_text.h"

#include <QRegularExpression>

#include <cmath>
#include <span>

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
PropertyValue text(std::u16string_view t) {
    return text(toQString(t));
}
PropertyValue truth(bool b) {
    return text(boolText(b));
}

// A property of an object of type T: a plain one ("Value"), or an indexed one ("List(3)") whose
// reader takes the index.
template <typename T>
struct Prop {
    const char16_t* name;
    bool indexed;
    PropertyValue (*read)(const T&, const World&, int index);
};

// "List(3)" -> ("List", 3); a plain name -> (name, nullopt).
std::pair<QString, std::optional<int>> splitIndex(const QString& prop) {
    static const QRegularExpression pattern(QStringLiteral("^(\\w+)\\((-?\\d+)\\)$"));
    const auto m = pattern.match(prop);
    if (!m.hasMatch()) {
        return {prop, std::nullopt};
    }
    bool ok = false;
    const int i = m.captured(2).toInt(&ok);
    return {m.captured(1), ok ? std::optional<int>(i) : std::nullopt};
}

template <typename T>
std::optional<PropertyValue> readRow(const T& object, const World& world, const QString& prop,
                                     std::span<const Prop<T>> rows) {
    const auto [head, index] = splitIndex(prop);
    for (const Prop<T>& row : rows) {
        if (row.indexed ? (index && head == row.name) : prop == row.name) {
            return row.read(object, world, index.value_or(0));
        }
    }
    return std::nullopt;
}

// One table per kind of control.
const Prop<Window> kWindowProps[] = {
    {u"Caption", false, [](const Window& w, const World&, int) { return text(w.caption()); }},
    {u"Visible", false, [](const Window& w, const World&, int) { return truth(w.visible()); }},
    {u"WindowState", false,
     [](const Window& w, const World&, int) { return number(w.windowState()); }},
    {u"Left", false, [](const Window& w, const World&, int) { return number(w.left()); }},
    {u"Top", false, [](const Window& w, const World&, int) { return number(w.top()); }},
};
const Prop<Label> kLabelProps[] = {
    {u"Caption", false, [](const Label& l, const World&, int) { return text(l.caption()); }},
};
const Prop<TextBox> kTextBoxProps[] = {
    {u"Text", false, [](const TextBox& t, const World&, int) { return text(t.text()); }},
};
const Prop<CheckBox> kCheckBoxProps[] = {
    {u"Value", false, [](const CheckBox& b, const World&, int) { return number(b.value()); }},
};
const Prop<Slider> kSliderProps[] = {
    {u"Value", false, [](const Slider& s, const World&, int) { return number(s.value()); }},
    {u"Min", false, [](const Slider& s, const World&, int) { return number(s.min()); }},
    {u"Max", false, [](const Slider& s, const World&, int) { return number(s.max()); }},
};
const Prop<Timer> kTimerProps[] = {
    {u"Enabled", false, [](const Timer& t, const World&, int) { return truth(t.enabled()); }},
    {u"Interval", false, [](const Timer& t, const World&, int) { return number(t.interval()); }},
};
const Prop<FileListBox> kFileListProps[] = {
    {u"Path", false,
     [](const FileListBox& f, const World& w, int) {
         return text(w.relative(toQString(f.path())));
     }},
    {u"ListIndex", false,
     [](const FileListBox& f, const World&, int) { return number(f.listIndex()); }},
    {u"ListCount", false,
     [](const FileListBox& f, const World&, int) { return number(f.count()); }},
    {u"FileName", false,
     [](const FileListBox& f, const World&, int) { return text(f.fileName()); }},
    {u"List", true, [](const FileListBox& f, const World&, int i) { return text(f.item(i)); }},
};
const Prop<ListBox> kListProps[] = {
    {u"ListCount", false, [](const ListBox& l, const World&, int) { return number(l.count()); }},
    {u"List", true, [](const ListBox& l, const World&, int i) { return text(l.item(i)); }},
};
const Prop<FolderTree> kTreeProps[] = {
    {u"Path", false,
     [](const FolderTree& t, const World& w, int) {
         return text(w.relative(toQString(t.path())));
     }},
};

template <typename C, std::size_t N>
std::optional<PropertyValue> ofKind(const Control& c, const World& world, const QString& prop,
                                    const Prop<C> (&rows)[N]) {
    const auto* typed = dynamic_cast<const C*>(&c);
    return typed ? readRow<C>(*typed, world, prop, rows) : std::nullopt;
}

// The first table of the control's kind that has the property.
template <typename... Tables>
std::optional<PropertyValue> firstOf(const Control& c, const World& w, const QString& p,
                                     const Tables&... tables) {
    std::optional<PropertyValue> value;
    static_cast<void>(((value = ofKind(c, w, p, tables)) || ...));
    return value;
}

std::optional<PropertyValue> controlProperty(const Control& c, const World& w, const QString& p) {
    return firstOf(c, w, p, kWindowProps, kLabelProps, kTextBoxProps, kCheckBoxProps, kSliderProps,
                   kTimerProps, kFileListProps, kListProps, kTreeProps);
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

// The objects that are not controls of a window.
const Prop<MediaEngine> kEngineProps[] = {
    {u"FileName", false,
     [](const MediaEngine& e, const World& w, int) {
         return text(w.relative(toQString(e.fileName())));
     }},
    {u"PlayState", false,
     [](const MediaEngine& e, const World&, int) { return text(playStateText(e.playState())); }},
    {u"CurrentPosition", false,
     [](const MediaEngine& e, const World&, int) { return seconds(e.currentPosition()); }},
    {u"Duration", false,
     [](const MediaEngine& e, const World&, int) { return seconds(e.duration()); }},
    {u"Mute", false, [](const MediaEngine& e, const World&, int) { return truth(e.mute()); }},
    {u"Volume", false, [](const MediaEngine& e, const World&, int) { return number(e.volume()); }},
};
const Prop<RecordedTray> kTrayProps[] = {
    {u"Present", false,
     [](const RecordedTray& t, const World&, int) { return truth(t.present()); }},
    {u"Tip", false,
     [](const RecordedTray& t, const World&, int) {
         const auto& tip = t.record().szTip;
         return text(QString::fromLatin1(tip.data(), qstrnlen(tip.data(), tip.size())));
     }},
};
const Prop<RoomScanner> kChatProps[] = {
    {u"fyrsttalk", false,
     [](const RoomScanner& c, const World&, int) { return text(c.fyrsttalk); }},
    {u"oldlastlyne", false,
     [](const RoomScanner& c, const World&, int) { return text(c.oldlastlyne); }},
    {u"newlastlyne", false,
     [](const RoomScanner& c, const World&, int) { return text(c.newlastlyne); }},
};
using Pending = std::vector<std::u16string>;
const Prop<Pending> kPendingProps[] = {
    {u"Count", false,
     [](const Pending& l, const World&, int) { return number(static_cast<qsizetype>(l.size())); }},
    {u"Item", true,
     [](const Pending& l, const World&, int i) {
         return text(i >= 0 && static_cast<std::size_t>(i) < l.size()
                         ? l[static_cast<std::size_t>(i)]
                         : std::u16string());
     }},
};

}  // namespace

std::optional<PropertyValue> readProperty(World& world, const QString& name, const QString& prop) {
    if (name == u"tray") {
        return readRow<RecordedTray>(world.tray, world, prop, kTrayProps);
    }
    if (name == u"MediaPlayer1") {
        return readRow<MediaEngine>(*world.engine, world, prop, kEngineProps);
    }
    FrmAmp* app = world.app();
    if (app == nullptr) {
        return std::nullopt;
    }
    if (name == u"chat") {
        return readRow<RoomScanner>(app->chat, world, prop, kChatProps);
    }
    if (name == u"pending") {
        return readRow<Pending>(app->announcer().pending(), world, prop, kPendingProps);
    }
    if (const Control* c = findControl(*app, name)) {
        return controlProperty(*c, world, prop);
    }
    if (app->hasCcoms()) {
        return std::nullopt;
    }
    const Ccoms unmade;
    const Control* c = unmade.controls().find(fromQString(name));
    return c ? controlProperty(*c, world, prop) : std::nullopt;
}

Control* findControl(const FrmAmp& app, QStringView name) {
    const std::u16string plain = fromQString(name.toString());
    Control* c = app.controls().find(plain);
    const Ccoms* words = app.ccomsIfMade();
    return c == nullptr && words != nullptr ? words->controls().find(plain) : c;
}

bool isWordsControl(QStringView name) {
    const Ccoms unmade;
    return unmade.controls().find(fromQString(name.toString())) != nullptr;
}

bool matches(const PropertyValue& actual, const QString& expected) {
    switch (actual.compare) {
        case Compare::Text:
            return actual.text == expected;
        case Compare::Number: {
            const auto want = readNumber(fromQString(expected));
            const auto have = readNumber(fromQString(actual.text));
            return want && have && *want == *have;
        }
        case Compare::Seconds: {
            const auto want = readNumber(fromQString(expected));
            const auto have = readNumber(fromQString(actual.text));
            return want && have && std::fabs(*want - *have) <= kSecondsTolerance + 1e-9;
        }
    }
    return false;
}

}  // namespace ruz::scenario
