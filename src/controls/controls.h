#pragma once

#include "platform/listeners.h"
#include "platform/timer_host.h"

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace ruz {

class Control;

// The named controls of one window, in creation order. A control registers itself at
// construction and leaves at destruction; the views and the scenario runner find controls here.
class ControlRegistry {
  public:
    ControlRegistry() = default;
    ControlRegistry(const ControlRegistry&) = delete;
    ControlRegistry& operator=(const ControlRegistry&) = delete;

    Control* find(std::u16string_view name) const;
    template <typename C>
    C* find(std::u16string_view name) const {
        return dynamic_cast<C*>(find(name));
    }
    const std::vector<Control*>& all() const { return controls_; }

  private:
    friend class Control;
    std::vector<Control*> controls_;
};

// A control's name and, when it belongs to a window, that window's registry.
struct ControlName {
    ControlName(std::u16string n) : name(std::move(n)) {}  // NOLINT: a bare name reads as one
    ControlName(const char16_t* n) : name(n) {}            // NOLINT: a bare name reads as one
    ControlName(ControlRegistry& window, std::u16string n)
        : name(std::move(n)), registry(&window) {}
    std::u16string name;
    ControlRegistry* registry = nullptr;
};

// The toolkit's controls as the system uses them. Each control has a name (the views and the
// scenario runner address controls by it), its behaviour reactions (each set once, when the program
// is wired), and any number of listeners that hear of every real change (the desktop's widgets
// redraw from them, the desktop's media interface publishes from them) until their handle goes.
class Control {
  public:
    explicit Control(ControlName name);
    virtual ~Control();
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;

    const std::u16string& name() const { return name_; }
    const std::u16string& toolTip() const { return toolTip_; }
    void setToolTip(std::u16string tip) { toolTip_ = std::move(tip); }
    [[nodiscard]] Subscription addViewListener(std::function<void()> listener) {
        return views_.add(std::move(listener));
    }
    // The user clicks the control; false when a click does nothing to a control of its kind.
    virtual bool userClick() { return false; }

  protected:
    void notifyViews() const;

  private:
    std::u16string name_;
    ControlRegistry* registry_;
    std::u16string toolTip_;
    Listeners<> views_;
};

// A label reports only a real change of its caption.
class Label : public Control {
  public:
    Label(ControlName name, std::u16string caption = {});
    const std::u16string& caption() const { return caption_; }
    void setCaption(std::u16string_view caption);
    Reaction<void()> onChange;

  private:
    std::u16string caption_;
};

class TextBox : public Control {
  public:
    TextBox(ControlName name, std::u16string text = {});
    const std::u16string& text() const { return text_; }
    void setText(std::u16string_view text);

  private:
    std::u16string text_;
};

// Setting a check box's value raises its click reaction when the value changes.
class CheckBox : public Control {
  public:
    CheckBox(ControlName name, int value, std::u16string caption = {});
    int value() const { return value_; }
    void setValue(int value);
    // The user clicks the box: 0 becomes 1, anything else 0.
    bool userClick() override {
        setValue(value_ == 0 ? 1 : 0);
        return true;
    }
    void keyDown(int keyCode) const {
        if (onKeyDown) {
            onKeyDown(keyCode);
        }
    }
    const std::u16string& caption() const { return caption_; }
    Reaction<void()> onClick;
    Reaction<void(int keyCode)> onKeyDown;

  private:
    int value_;
    std::u16string caption_;
};

// A slider refuses a value outside its range; a new range pulls the value into it.
class Slider : public Control {
  public:
    Slider(ControlName name, int min, int max, int value);
    int value() const { return value_; }
    int min() const { return min_; }
    int max() const { return max_; }
    bool setValue(int value);
    bool setMin(int min);
    bool setMax(int max);
    // The user moves the slider: the value changes, then the scroll reaction runs.
    void userScroll(int value);
    Reaction<void()> onScroll;

  private:
    int min_, max_, value_;
};

// Counts and indices are 16-bit: a list holds at most 32767 entries.
inline constexpr int kMaxListEntries = 32767;

class ListBox : public Control {
  public:
    explicit ListBox(ControlName name);
    int count() const { return static_cast<int>(items_.size()); }
    // "" for an index outside the list.
    std::u16string item(int index) const;
    const std::vector<std::u16string>& items() const { return items_; }
    bool addItem(std::u16string_view text);
    void clear();

  private:
    std::vector<std::u16string> items_;
};

// A file list shows the names of the files in its folder that match its pattern (semicolon-
// separated wildcards, letter case ignored), in alphabetical order. Every change of the selection
// raises the change reaction; a refused index leaves the selection as it was.
class FileListBox : public Control {
  public:
    FileListBox(ControlName name, std::u16string pattern);
    const std::u16string& path() const { return path_; }
    // Lists `folder` with nothing selected; refused (false, nothing changes) when the folder
    // cannot be read.
    bool setPath(std::u16string_view folder);
    const std::u16string& pattern() const { return pattern_; }
    int count() const { return static_cast<int>(names_.size()); }
    std::u16string item(int index) const;
    int listIndex() const { return listIndex_; }
    // Sets the selection (-1 for none). An index outside -1 .. count - 1 is refused; setting the
    // index that is already selected is no change.
    bool setListIndex(int index);
    // The user clicks entry `index`: the reaction runs even when it was already selected.
    bool userSelect(int index);
    // The selected entry's name, "" when nothing is selected.
    std::u16string fileName() const { return item(listIndex_); }
    Reaction<void()> onChange;

  private:
    std::u16string path_;
    std::u16string pattern_;
    std::vector<std::u16string> names_;
    int listIndex_ = -1;
};

// A folder tree, used as the holder of a current folder path. Setting the path from the program
// raises nothing; the user's pick raises the selection reaction.
class FolderTree : public Control {
  public:
    explicit FolderTree(ControlName name) : Control(std::move(name)) {}
    const std::u16string& path() const { return path_; }
    void setPath(std::u16string_view path);
    void userPick(std::u16string_view path);
    Reaction<void()> onSelect;

  private:
    std::u16string path_;
};

// A timer ticks every interval while enabled. Enabling a stopped timer starts a fresh interval;
// enabling a running one leaves it alone; a new interval restarts a running timer.
class Timer : public Control {
  public:
    Timer(ControlName name, TimerHost& host, int intervalMs, bool enabled);
    ~Timer() override;
    bool enabled() const { return enabled_; }
    void setEnabled(bool enabled);
    int interval() const { return interval_; }
    void setInterval(int intervalMs);
    Reaction<void()> onTick;

  private:
    TimerHost& host_;
    TimerHost::TimerId id_;
    int interval_;
    bool enabled_ = false;
};

// Mouse buttons as a bit set, as picture controls report them.
inline constexpr int kLeftButton = 1;
inline constexpr int kRightButton = 2;
inline constexpr int kMiddleButton = 4;

class Picture : public Control {
  public:
    explicit Picture(ControlName name, std::u16string toolTip = {});
    void click() const;
    bool userClick() override {
        click();
        return true;
    }
    void mouseDown(int buttons, int xTwips, int yTwips) const;
    void mouseMove(int buttons, int xTwips, int yTwips) const;
    Reaction<void()> onClick;
    Reaction<void(int buttons, int x, int y)> onMouseDown;
    Reaction<void(int buttons, int x, int y)> onMouseMove;
};

class MenuEntry : public Control {
  public:
    MenuEntry(ControlName name, std::u16string caption);
    const std::u16string& caption() const { return caption_; }
    void click() const;
    bool userClick() override {
        click();
        return true;
    }
    Reaction<void()> onClick;

  private:
    std::u16string caption_;
};

inline constexpr int kWindowNormal = 0;
inline constexpr int kWindowMinimized = 1;

// A top-level window's state: caption, visibility, window state and screen position in twips.
class Window : public Control {
  public:
    Window(ControlName name, std::u16string caption);
    const std::u16string& caption() const { return caption_; }
    void setCaption(std::u16string_view caption);
    bool visible() const { return visible_; }
    void setVisible(bool visible);
    int windowState() const { return windowState_; }
    void setWindowState(int state);
    int left() const { return left_; }
    int top() const { return top_; }
    void move(int leftTwips, int topTwips);
    // Asks for the window in front of the others, wherever it stands: every call is a request the
    // views hear, also when nothing else changes. Counts the requests so far.
    void bringToFront();
    int frontRequests() const { return frontRequests_; }

  private:
    std::u16string caption_;
    bool visible_ = false;
    int frontRequests_ = 0;
    int windowState_ = kWindowNormal;
    int left_ = 0;
    int top_ = 0;
};

}  // namespace ruz
