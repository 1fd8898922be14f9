#include "scenario/properties.h"

#include "common/numbers.h"
#include "text/text.h"

#include <algorithm>
#include <cmath>
#include <span>

namespace ruz::scenario {

namespace {

constexpr double kSecondsTolerance = 0.05;

constexpr int kSecondsDecimals = 3;

std::u16string boolText(bool b) {
    return b ? u"true" : u"false";
}
PropertyValue number(long long n) {
    return {text::number(n), Compare::Number};
}
PropertyValue seconds(double s) {
    return {text::number(s, kSecondsDecimals), Compare::Seconds};
}
PropertyValue text(std::u16string_view t) {
    return {std::u16string(t), Compare::Text};
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

bool isWordCharacter(char16_t c) {
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || text::isAsciiDigit(c) ||
           c == u'_';
}

// "List(3)" -> ("List", 3): a name of letters, digits and '_', and a whole number (maybe negative)
// in parentheses; anything else -> (the whole text, nullopt). A number out of range is no index.
std::pair<std::u16string_view, std::optional<int>> splitIndex(std::u16string_view prop) {
    const std::size_t open = prop.find(u'(');
    if (open == std::u16string_view::npos || open == 0 || !prop.ends_with(u')')) {
        return {prop, std::nullopt};
    }
    const std::u16string_view head = prop.substr(0, open);
    const std::u16string_view index = prop.substr(open + 1, prop.size() - open - 2);
    const std::u16string_view digits = index.starts_with(u'-') ? index.substr(1) : index;
    const bool named = std::all_of(head.begin(), head.end(), isWordCharacter);
    const bool numbered =
        !digits.empty() &&
        std::all_of(digits.begin(), digits.end(), [](char16_t c) { return text::isAsciiDigit(c); });
    if (!named || !numbered) {
        return {prop, std::nullopt};
    }
    return {head, text::readInt(index)};
}

template <typename T>
std::optional<PropertyValue> readRow(const T& object, const World& world, std::u16string_view prop,
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
     [](const FileListBox& f, const World& w, int) { return text(w.relative(f.path())); }},
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
     [](const FolderTree& t, const World& w, int) { return text(w.relative(t.path())); }},
};

template <typename C, std::size_t N>
std::optional<PropertyValue> ofKind(const Control& c, const World& world, std::u16string_view prop,
                                    const Prop<C> (&rows)[N]) {
    const auto* typed = dynamic_cast<const C*>(&c);
    return typed ? readRow<C>(*typed, world, prop, rows) : std::nullopt;
}

// The first table of the control's kind that has the property.
template <typename... Tables>
std::optional<PropertyValue> firstOf(const Control& c, const World& w, std::u16string_view p,
                                     const Tables&... tables) {
    std::optional<PropertyValue> value;
    static_cast<void>(((value = ofKind(c, w, p, tables)) || ...));
    return value;
}

std::optional<PropertyValue> controlProperty(const Control& c, const World& w,
                                             std::u16string_view p) {
    return firstOf(c, w, p, kWindowProps, kLabelProps, kTextBoxProps, kCheckBoxProps, kSliderProps,
                   kTimerProps, kFileListProps, kListProps, kTreeProps);
}

std::u16string_view playStateText(PlayState s) {
    switch (s) {
        case PlayState::Stopped:
            return u"stopped";
        case PlayState::Paused:
            return u"paused";
        case PlayState::Playing:
            return u"playing";
    }
    return {};
}

// The objects that are not controls of a window.
const Prop<MediaEngine> kEngineProps[] = {
    {u"FileName", false,
     [](const MediaEngine& e, const World& w, int) { return text(w.relative(e.fileName())); }},
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
         const auto end = std::find(tip.begin(), tip.end(), '\0');
         return text(text::fromLatin1(std::string_view(tip.data(), end - tip.begin())));
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
     [](const Pending& l, const World&, int) { return number(static_cast<long long>(l.size())); }},
    {u"Item", true,
     [](const Pending& l, const World&, int i) {
         return text(i >= 0 && static_cast<std::size_t>(i) < l.size()
                         ? l[static_cast<std::size_t>(i)]
                         : std::u16string());
     }},
};

}  // namespace

std::optional<PropertyValue> readProperty(World& world, std::u16string_view name,
                                          std::u16string_view prop) {
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
    const Control* c = unmade.controls().find(name);
    return c ? controlProperty(*c, world, prop) : std::nullopt;
}

Control* findControl(const FrmAmp& app, std::u16string_view name) {
    Control* c = app.controls().find(name);
    const Ccoms* words = app.ccomsIfMade();
    return c == nullptr && words != nullptr ? words->controls().find(name) : c;
}

bool isWordsControl(std::u16string_view name) {
    const Ccoms unmade;
    return unmade.controls().find(name) != nullptr;
}

bool matches(const PropertyValue& actual, std::u16string_view expected) {
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
