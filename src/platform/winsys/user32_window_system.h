#pragma once

#include "platform/winsys/window_system.h"

namespace ruz::winsys {

// The window system of Windows itself: FindWindowA, FindWindowExA, SendMessageA, SendMessageW and
// IsWindowUnicode from user32. A handle here is the HWND's value; no window is looked up or kept
// beyond one call. SendMessageA's texts are the ANSI code page's bytes, SendMessageW's UTF-16;
// user32 converts between them for the window's own kind, within this process or across processes.
//
// Built for Windows only.
class User32WindowSystem final : public WindowSystem {
  public:
    Hwnd findWindow(const char* className) override;
    Hwnd findWindowEx(Hwnd parent, Hwnd childAfter, const char* className) override;
    LResult sendMessage(Hwnd window, unsigned message, WParam wParam, LParam lParam) override;
    LResult sendMessageW(Hwnd window, unsigned message, WParam wParam, LParam lParam) override;
    bool isWindowUnicode(Hwnd window) override;
};

}  // namespace ruz::winsys
