#include "win32/win32_tray.h"

#include "platform/winsys/own_window.h"
#include "text/text.h"
#include "win32/wide.h"

#include <shellapi.h>

#include <algorithm>
#include <string_view>

namespace ruz::win32 {

namespace {
constexpr wchar_t kWindowClass[] = L"TaviksRuzTray";
// What the shell broadcasts to every top-level window when its notification area (re)starts.
constexpr wchar_t kTaskbarCreated[] = L"TaskbarCreated";
// The system's application icon (IDI_APPLICATION).
constexpr WORD kApplicationIcon = 32512;

// The tip field: code page 1252 text up to its terminating NUL.
std::wstring tipText(const NotifyIconData& data) {
    const auto end = std::find(data.szTip.begin(), data.szTip.end(), '\0');
    return wide(text::fromCp1252(
        std::string_view(data.szTip.data(), static_cast<std::size_t>(end - data.szTip.begin()))));
}

}  // namespace

Win32Tray::Win32Tray(HICON icon)
    : icon_(icon != nullptr ? icon : LoadIconW(nullptr, MAKEINTRESOURCEW(kApplicationIcon))),
      taskbarCreated_(RegisterWindowMessageW(kTaskbarCreated)) {
    // A hidden top-level window, not a message-only one: only top-level windows hear the shell's
    // broadcast.
    window_ = winsys::createOwnWindow(kWindowClass, &Win32Tray::windowProc, this, nullptr, WS_POPUP,
                                      WS_EX_TOOLWINDOW);
}

Win32Tray::~Win32Tray() {
    present_ = false;
    hideIcon();
    winsys::destroyOwnWindow(window_);
}

LRESULT CALLBACK Win32Tray::windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* tray = winsys::ownerOf<Win32Tray>(window);
    if (tray != nullptr) {
        if (message == kCallbackMessage) {
            // NOTIFYICON_VERSION_4: the event in the low word, the icon's id in the high word.
            tray->iconMessage(LOWORD(lParam));
            return 0;
        }
        if (message == tray->taskbarCreated_ && message != 0) {
            // A new notification area holds no icons: the one that should be there goes in again.
            tray->shown_ = false;
            if (tray->present_) {
                tray->showIcon();
            }
            return 0;
        }
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

bool Win32Tray::notifyIcon(std::uint32_t message, const NotifyIconData& data) {
    if (message == kNimAdd) {
        if (present_) {
            return false;
        }
        present_ = true;
        id_ = data.uID;
        tip_ = tipText(data);
        // Refused when the shell has no notification area yet: the icon then waits for one.
        showIcon();
        return true;
    }
    if (message == kNimDelete) {
        if (!present_ || data.uID != id_) {
            return false;
        }
        present_ = false;
        hideIcon();
        return true;
    }
    return false;
}

bool Win32Tray::showIcon() {
    if (window_ == nullptr) {
        return false;
    }
    NOTIFYICONDATAW record{};
    record.cbSize = sizeof record;
    record.hWnd = window_;
    record.uID = id_;
    record.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP | NIF_SHOWTIP;
    record.uCallbackMessage = kCallbackMessage;
    record.hIcon = icon_;
    const std::size_t tipLength = std::min(tip_.size(), std::size(record.szTip) - 1);
    std::copy_n(tip_.begin(), tipLength, record.szTip);
    // A refused add may find the icon still there from an earlier add the shell kept: the shell
    // then holds it all the same.
    shown_ = Shell_NotifyIconW(NIM_ADD, &record) != FALSE ||
             Shell_NotifyIconW(NIM_MODIFY, &record) != FALSE;
    if (shown_) {
        record.uVersion = NOTIFYICON_VERSION_4;
        Shell_NotifyIconW(NIM_SETVERSION, &record);
    }
    return shown_;
}

void Win32Tray::hideIcon() {
    if (!shown_ || window_ == nullptr) {
        return;
    }
    NOTIFYICONDATAW record{};
    record.cbSize = sizeof record;
    record.hWnd = window_;
    record.uID = id_;
    Shell_NotifyIconW(NIM_DELETE, &record);
    shown_ = false;
}

void Win32Tray::iconMessage(int mouseMessage) {
    if (mouseMessage == WM_LBUTTONDBLCLK && bringForward && bringForward()) {
        return;
    }
    if (onIconMessage) {
        onIconMessage(mouseMessage);
    }
}

}  // namespace ruz::win32
