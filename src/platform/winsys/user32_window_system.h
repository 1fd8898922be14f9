#pragma once

#include "platform/winsys/window_system.h"

namespace ruz::winsys {

// The window system of Windows itself: FindWindowExA, SendMessageTimeoutA, SendMessageTimeoutW and
// IsWindowUnicode from user32. A handle here is the HWND's value; no window is looked up or kept
// beyond one call. SendMessageA's texts are the ANSI code page's bytes, SendMessageW's UTF-16;
// user32 converts between them for the window's own kind, within this process or across processes.
//
// Built for Windows only.
class User32WindowSystem final : public WindowSystem {
  public:
    // Whose top-level windows the finds see.
    enum class Seen {
        everyWindow,
        // The windows of other programs alone: a program that drives another one's windows never
        // takes its own dialogs (its notices and questions) for that program's.
        otherProgramsWindows,
    };
    explicit User32WindowSystem(Seen seen = Seen::everyWindow) : seen_(seen) {}

    Hwnd findWindow(const char* className) override;
    Hwnd findWindowEx(Hwnd parent, Hwnd childAfter, const char* className) override;
    LResult sendMessage(Hwnd window, unsigned message, WParam wParam, LParam lParam) override;
    LResult sendMessageW(Hwnd window, unsigned message, WParam wParam, LParam lParam) override;
    bool isWindowUnicode(Hwnd window) override;

    // How many top-level windows of the class a find passes over, at the most, for being this
    // program's own.
    static constexpr int kMaxOwnWindowsPassed = 1024;
    // How long a message waits for another program's window to handle it. A window that takes
    // longer (or that the system already knows as hung) is answered 0, as no window is: the
    // program goes on and tries again at its next turn.
    static constexpr unsigned kMessageTimeoutMs = 2000;

  private:
    // The first top-level window of `className` after `after` that the finds see.
    Hwnd findTopLevel(Hwnd after, const char* className) const;

    Seen seen_;
};

}  // namespace ruz::winsys
