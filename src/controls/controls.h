#pragma once

#include "platform/listeners.h"
#include "platform/timer_host.h"

#include <QString>
#include <QStringList>

#include <functional>
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

    Control* find(QStringView name) const;
    template <typename C>
    C* find(QStringView name) const {
        return dynamic_cast<C*>(find(name));
    }
    const std::vector<Control*>& all() const { return controls_; }

  private:
    friend class Control;
    std::vector<Control*> controls_;
};

// A control's name and, when it belongs to a window, that window's registry.
struct ControlName {
    ControlName(QString n) : name(std::move(n)) {}  // NOLINT: a bare name reads as one
    ControlName(ControlRegistry& window, QString n) : name(std::move(n)), registry(&window) {}
    QString name;
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

    const QString& name() const { return name_; }
    QString toolTip() const { return toolTip_; }
    void setToolTip(QString tip) { toolTip_ = std::move(tip); }
    [[nodiscard]] Subscription addViewListener(std::function<void()> listener) {
        return views_.add(std::move(listener));
    }
    // The user clicks the control; false when a click does nothing to a control of its kind.
    virtual bool userClick() { return false; }

  protected:
    void notifyViews() const;

  private:
    QString name_;
    ControlRegistry* registry_;
    QString toolTip_;
    Listeners<> views_;
};

// A label reports only a real change of its caption.
class Label : public Control {
  public:
    Label(ControlName name, QString caption = {});
    const QString& caption() const { return caption_; }
    void setCaption(const QString& caption);
    Reaction<void()> onChange;

  private:
    QString caption_;
};

class TextBox : public Control {
  public:
    TextBox(ControlName name, QString text = {});
    const QString& text() const { return text_; }
    void setText(const QString& text);

  private:
    QString text_;
};

// Setting a check box's value raises its click reaction when the value changes.
class CheckBox : public Control {
  public:
    CheckBox(ControlName name, int value, QString caption = {});
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
    const QString& caption() const { return caption_; }
    Reaction<void()> onClick;
    Reaction<void(int keyCode)> onKeyDown;

  private:
    int value_;
    QString caption_;
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
    QString item(int index) const;
    const QStringList& items() const { return items_; }
    bool addItem(const QString& text);
    void clear();

  private:
    QStringList items_;
};

// A file list shows the names of the files in its folder that match its pattern (semicolon-
// separated wildcards, letter case ignored), in alphabetical order. Every change of the selection
// raises the change reaction; a refused index leaves the selection as it was.
class FileListBox : public Control {
  public:
    FileListBox(ControlName name, QString pattern);
    const QString& path() const { return path_; }
    // Lists `folder` with nothing selected; refused (false, nothing changes) when the folder
    // cannot be read.
    bool setPath(const QString& folder);
    const QString& pattern() const { return pattern_; }
    int count() const { return static_cast<int>(names_.size()); }
    QString item(int index) const;
    int listIndex() const { return listIndex_; }
    // Sets the selection (-1 for none). An index outside -1 .. count - 1 is refused; setting the
    // index that is already selected is no change.
    bool setListIndex(int index);
    // The user clicks entry `index`: the reaction runs even when it was already selected.
    bool userSelect(int index);
    // The selected entry's name, "" when nothing is selected.
    QString fileName() const { return item(listIndex_); }
    Reaction<void()> onChange;

  private:
    QString path_;
    QString pattern_;
    QStringList names_;
    int listIndex_ = -1;
};

// A folder tree, used as the holder of a current folder path. Setting the path from the program
// raises nothing; the user's pick raises the selection reaction.
class FolderTree : public Control {
  public:
    explicit FolderTree(ControlName name) : Control(std::move(name)) {}
    const QString& path() const { return path_; }
    void setPath(const QString& path);
    void userPick(const QString& path);
    Reaction<void()> onSelect;

  private:
    QString path_;
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
    explicit Picture(ControlName name, QString toolTip = {});
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
    MenuEntry(ControlName name, QString caption);
    const QString& caption() const { return caption_; }
    void click() const;
    bool userClick() override {
        click();
        return true;
    }
    Reaction<void()> onClick;

  private:
    QString caption_;
};

inline constexpr int kWindowNormal = 0;
inline constexpr int kWindowMinimized = 1;

// A top-level window's state: caption, visibility, window state and screen position in twips.
class Window : public Control {
  public:
    Window(ControlName name, QString caption);
    const QString& caption() const { return caption_; }
    void setCaption(const QString& caption);
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
    QString caption_;
    bool visible_ = false;
    int frontRequests_ = 0;
    int windowState_ = kWindowNormal;
    int left_ = 0;
    int top_ = 0;
};

}  // namespace ruz
