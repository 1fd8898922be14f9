#include "controls/controls.h"

#include "platform/native_name.h"
#include "text/text.h"

#include <algorithm>

namespace ruz {

Control* ControlRegistry::find(std::u16string_view name) const {
    const auto found = std::find_if(controls_.begin(), controls_.end(),
                                    [&](const Control* c) { return c->name() == name; });
    return found == controls_.end() ? nullptr : *found;
}

Control::Control(ControlName name) : name_(std::move(name.name)), registry_(name.registry) {
    if (registry_ != nullptr) {
        registry_->controls_.push_back(this);
    }
}

Control::~Control() {
    if (registry_ != nullptr) {
        std::erase(registry_->controls_, this);
    }
}

void Control::notifyViews() const {
    views_.notify();
}

Label::Label(ControlName name, std::u16string caption)
    : Control(std::move(name)), caption_(std::move(caption)) {}

void Label::setCaption(std::u16string_view caption) {
    if (caption == caption_) {
        return;
    }
    caption_ = caption;
    if (onChange) {
        onChange();
    }
    notifyViews();
}

TextBox::TextBox(ControlName name, std::u16string text)
    : Control(std::move(name)), text_(std::move(text)) {}

void TextBox::setText(std::u16string_view text) {
    if (text == text_) {
        return;
    }
    text_ = text;
    notifyViews();
}

CheckBox::CheckBox(ControlName name, int value, std::u16string caption)
    : Control(std::move(name)), value_(value), caption_(std::move(caption)) {}

void CheckBox::setValue(int value) {
    if (value == value_) {
        return;
    }
    value_ = value;
    if (onClick) {
        onClick();
    }
    notifyViews();
}

Slider::Slider(ControlName name, int min, int max, int value)
    : Control(std::move(name)), min_(min), max_(max), value_(value) {}

bool Slider::setValue(int value) {
    if (value < min_ || value > max_) {
        return false;
    }
    if (value != value_) {
        value_ = value;
        notifyViews();
    }
    return true;
}

bool Slider::setMin(int min) {
    if (min > max_) {
        return false;
    }
    if (min != min_) {
        min_ = min;
        value_ = std::max(value_, min_);
        notifyViews();
    }
    return true;
}

bool Slider::setMax(int max) {
    if (max < min_) {
        return false;
    }
    if (max != max_) {
        max_ = max;
        value_ = std::min(value_, max_);
        notifyViews();
    }
    return true;
}

void Slider::userScroll(int value) {
    setValue(std::clamp(value, min_, max_));
    if (onScroll) {
        onScroll();
    }
}

ListBox::ListBox(ControlName name) : Control(std::move(name)) {}

std::u16string ListBox::item(int index) const {
    return index >= 0 && index < count() ? items_[static_cast<std::size_t>(index)]
                                         : std::u16string();
}

bool ListBox::addItem(std::u16string_view text) {
    if (count() >= kMaxListEntries) {
        return false;
    }
    items_.emplace_back(text);
    notifyViews();
    return true;
}

void ListBox::clear() {
    if (items_.empty()) {
        return;
    }
    items_.clear();
    notifyViews();
}

FileListBox::FileListBox(ControlName name, std::u16string pattern)
    : Control(std::move(name)), pattern_(std::move(pattern)) {}

std::u16string FileListBox::item(int index) const {
    return index >= 0 && index < count() ? names_[static_cast<std::size_t>(index)]
                                         : std::u16string();
}

bool FileListBox::setPath(std::u16string_view folder) {
    if (folder.empty()) {
        return false;
    }
    const std::u16string absolute = absolutePath(folder);
    // Every file, a name that is not valid UTF-8 included (the file system's own listing).
    std::optional<std::vector<std::u16string>> listed = listFileNames(absolute);
    if (!listed) {
        return false;
    }
    const std::vector<std::u16string> patterns = text::split(pattern_, u';', text::Empty::Skip);
    std::vector<std::u16string> names;
    for (std::u16string& entry : *listed) {
        const std::u16string shown = displayName(entry);  // a pattern matches text, not kept bytes
        const bool matches = std::any_of(patterns.begin(), patterns.end(), [&](const auto& p) {
            return text::matchesWildcard(shown, p);
        });
        if (matches) {
            names.push_back(std::move(entry));
        }
    }
    std::sort(names.begin(), names.end(), [](const std::u16string& a, const std::u16string& b) {
        const int folded = text::compareIgnoringCase(a, b);
        return folded != 0 ? folded < 0 : a < b;
    });
    if (names.size() > static_cast<std::size_t>(kMaxListEntries)) {
        names.resize(kMaxListEntries);
    }
    path_ = absolute;
    names_ = std::move(names);
    listIndex_ = -1;
    notifyViews();
    return true;
}

bool FileListBox::setListIndex(int index) {
    if (index < -1 || index >= count()) {
        return false;
    }
    if (index == listIndex_) {
        return true;
    }
    listIndex_ = index;
    if (onChange) {
        onChange();
    }
    notifyViews();
    return true;
}

bool FileListBox::userSelect(int index) {
    if (index < 0 || index >= count()) {
        return false;
    }
    listIndex_ = index;
    if (onChange) {
        onChange();
    }
    notifyViews();
    return true;
}

void FolderTree::setPath(std::u16string_view path) {
    // A tree always shows some folder: an empty path (a cancelled picker) keeps the current one.
    if (!path.empty() && path != path_) {
        path_ = path;
        notifyViews();
    }
}

void FolderTree::userPick(std::u16string_view path) {
    setPath(path);
    if (onSelect) {
        onSelect();
    }
}

Timer::Timer(ControlName name, TimerHost& host, int intervalMs, bool enabled)
    : Control(std::move(name)), host_(host), interval_(intervalMs) {
    id_ = host_.createTimer([this] {
        if (onTick) {
            onTick();
        }
    });
    setEnabled(enabled);
}

Timer::~Timer() {
    host_.destroyTimer(id_);
}

void Timer::setEnabled(bool enabled) {
    if (enabled == enabled_) {
        return;
    }
    enabled_ = enabled;
    if (enabled_ && interval_ > 0) {
        host_.startTimer(id_, interval_);
    } else {
        host_.stopTimer(id_);
    }
    notifyViews();
}

void Timer::setInterval(int intervalMs) {
    if (intervalMs == interval_) {
        return;
    }
    interval_ = std::max(intervalMs, 0);
    if (enabled_ && interval_ > 0) {
        host_.startTimer(id_, interval_);
    } else {
        host_.stopTimer(id_);
    }
    notifyViews();
}

Picture::Picture(ControlName name, std::u16string toolTip) : Control(std::move(name)) {
    setToolTip(std::move(toolTip));
}

void Picture::click() const {
    if (onClick) {
        onClick();
    }
}

void Picture::mouseDown(int buttons, int xTwips, int yTwips) const {
    if (onMouseDown) {
        onMouseDown(buttons, xTwips, yTwips);
    }
}

void Picture::mouseMove(int buttons, int xTwips, int yTwips) const {
    if (onMouseMove) {
        onMouseMove(buttons, xTwips, yTwips);
    }
}

MenuEntry::MenuEntry(ControlName name, std::u16string caption)
    : Control(std::move(name)), caption_(std::move(caption)) {}

void MenuEntry::click() const {
    if (onClick) {
        onClick();
    }
}

Window::Window(ControlName name, std::u16string caption)
    : Control(std::move(name)), caption_(std::move(caption)) {}

void Window::setCaption(std::u16string_view caption) {
    if (caption != caption_) {
        caption_ = caption;
        notifyViews();
    }
}

void Window::setVisible(bool visible) {
    if (visible != visible_) {
        visible_ = visible;
        notifyViews();
    }
}

void Window::setWindowState(int state) {
    if (state != windowState_) {
        windowState_ = state;
        notifyViews();
    }
}

void Window::bringToFront() {
    ++frontRequests_;
    notifyViews();
}

void Window::move(int leftTwips, int topTwips) {
    if (leftTwips != left_ || topTwips != top_) {
        left_ = leftTwips;
        top_ = topTwips;
        notifyViews();
    }
}

}  // namespace ruz
