#pragma once

#include "platform/tray.h"

#include <windows.h>

#include <functional>
#include <string>

namespace ruz::win32 {

// The notification area through Shell_NotifyIconW, with the program's icon and the record's tip.
// The icon belongs to a hidden window of its own, which receives the shell's callback message
// (NOTIFYICON_VERSION_4: the mouse message in the low word of lParam) and the shell's
// "TaskbarCreated" broadcast. The shell's bookkeeping (a second add and the delete of an absent
// icon are refused) holds whether or not the shell took the icon: where it has no notification area
// yet, the icon goes in as soon as the shell announces one. Create it on the user-interface thread.
class Win32Tray final : public Tray {
  public:
    // The message the shell sends the tray's window for events on the icon.
    static constexpr UINT kCallbackMessage = WM_APP + 1;

    // `icon` is the program's icon, not owned; none gives the system's application icon.
    explicit Win32Tray(HICON icon = nullptr);
    ~Win32Tray() override;
    Win32Tray(const Win32Tray&) = delete;
    Win32Tray& operator=(const Win32Tray&) = delete;

    bool notifyIcon(std::uint32_t message, const NotifyIconData& data) override;
    bool present() const { return present_; }
    // Whether the shell holds the icon now.
    bool shown() const { return shown_; }
    // The window the shell reports the icon's events to.
    HWND window() const { return window_; }

    // Asked first on a double-click: true when it brought the main window forward, which then is
    // all the double-click does.
    std::function<bool()> bringForward;
    // A mouse message on the icon, as the shell reports it (WM_LBUTTONDBLCLK, ...).
    void iconMessage(int mouseMessage);

  private:
    static LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    // Hands the icon to the shell; false when the shell refuses it.
    bool showIcon();
    void hideIcon();

    HWND window_ = nullptr;
    HICON icon_ = nullptr;
    UINT taskbarCreated_ = 0;
    bool present_ = false;
    bool shown_ = false;
    std::uint32_t id_ = 0;
    std::wstring tip_;
};

}  // namespace ruz::win32
