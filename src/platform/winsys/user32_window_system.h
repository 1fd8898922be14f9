#pragma once

#include "platform/winsys/window_system.h"

namespace ruz::winsys {

// The window system of Windows itself: FindWindowA, FindWindowExA and SendMessageA from user32.
// A handle here is the HWND's value; no window is looked up or kept beyond one call. Texts are the
// ANSI code page's bytes, which user32 converts for windows of other code pages or Unicode
// windows, within this process or across processes.
//
// Built for Windows only.
class User32WindowSystem final : public WindowSystem {
  public:
    Hwnd findWindow(const char* className) override;
    Hwnd findWindowEx(Hwnd parent, Hwnd childAfter, const char* className) override;
    LResult sendMessage(Hwnd window, unsigned message, WParam wParam, LParam lParam) override;
};

}  // namespace ruz::winsys
