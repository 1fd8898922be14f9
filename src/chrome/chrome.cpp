#include "chrome/chrome.h"

#include <cstring>

namespace ruz {

namespace {
constexpr std::uint32_t kTrayRecordSize = 88;
constexpr std::uint32_t kTrayIconId = 1;
constexpr std::uint32_t kMainWindowHandle = 1;
constexpr std::uint32_t kMainWindowIcon = 1;
constexpr char kTrayTip[] = "Click To Maximize";
}  // namespace

Chrome::Chrome(Controls controls, Tray& tray, std::function<Ccoms&()> words,
               std::function<bool()> ended)
    : c_(controls), tray_(tray), words_(std::move(words)), ended_(std::move(ended)) {
    tray_.onIconMessage = [this](int message) { trayIconMessage(message); };
    c_.mnuMinimize.onClick = [this] { minimizeClicked(); };
    c_.mnuhelp.onClick = [this] { ccomsMenuClicked(); };
    c_.Image10.onClick = [this] { c_.window.setVisible(false); };
}

Chrome::~Chrome() {
    // The tray outlives the window: it must not call back into it.
    tray_.onIconMessage = nullptr;
}

void Chrome::AddTrayIcon() {
    trayRecord_ = NotifyIconData{};
    trayRecord_.cbSize = kTrayRecordSize;
    trayRecord_.hWnd = kMainWindowHandle;
    trayRecord_.uID = kTrayIconId;
    trayRecord_.uFlags = kNifMessage | kNifIcon | kNifTip;
    trayRecord_.uCallbackMessage = kWmMouseMove;
    trayRecord_.hIcon = kMainWindowIcon;
    // The tip is ended by a NUL; the rest of the field is filled with blanks.
    trayRecord_.szTip.fill(' ');
    std::memcpy(trayRecord_.szTip.data(), kTrayTip, sizeof kTrayTip);
    tray_.notifyIcon(kNimAdd, trayRecord_);
}

void Chrome::RemoveTrayIcon() {
    tray_.notifyIcon(kNimDelete, trayRecord_);
}

void Chrome::trayIconMessage(int mouseMessage) {
    if (ended_() || mouseMessage != static_cast<int>(kWmLButtonDblClk)) {
        return;
    }
    c_.window.setVisible(!c_.window.visible());
    c_.window.setWindowState(c_.window.visible() ? kWindowNormal : kWindowMinimized);
    if (c_.window.visible()) {
        c_.window.bringToFront();
    }
}

void Chrome::minimizeClicked() {
    AddTrayIcon();
    c_.window.setVisible(false);
}

void Chrome::ccomsMenuClicked() {
    Ccoms& words = words_();
    if (words.window.visible()) {
        words.window.setVisible(false);
        return;
    }
    words.window.setVisible(true);
    c_.window.setVisible(true);
}

void Chrome::attachCcoms(Ccoms& words) {
    words.Image26.onMouseDown = [this](int, int x, int y) {
        anchorX_ = x;
        anchorY_ = y;
    };
    words.Image26.onMouseMove = [this, &words](int buttons, int x, int y) {
        if (buttons != kLeftButton) {
            return;
        }
        words.window.move(words.window.left() + x - anchorX_, words.window.top());
        words.window.move(words.window.left(), words.window.top() + y - anchorY_);
    };
    words.Image27.onClick = [&words] { words.window.setVisible(false); };
}

}  // namespace ruz
