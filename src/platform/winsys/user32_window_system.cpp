#include "platform/winsys/user32_window_system.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <type_traits>

namespace ruz::winsys {

static_assert(sizeof(Hwnd) == sizeof(HWND), "a handle must hold an HWND");
static_assert(std::is_same_v<WParam, WPARAM> && std::is_same_v<LParam, LPARAM> &&
                  std::is_same_v<LResult, LRESULT>,
              "the seam's message types are user32's");

namespace {

// A window that the system knows as hung is not waited for at all.
constexpr UINT kWaitFlags = SMTO_ABORTIFHUNG | SMTO_NORMAL;

HWND toHwnd(Hwnd window) {
    return reinterpret_cast<HWND>(window);
}

Hwnd fromHwnd(HWND window) {
    return reinterpret_cast<Hwnd>(window);
}

}  // namespace

Hwnd User32WindowSystem::findTopLevel(Hwnd after, const char* className) const {
    HWND window = toHwnd(after);
    for (int passed = 0; passed <= kMaxOwnWindowsPassed; ++passed) {
        window = FindWindowExA(nullptr, window, className, nullptr);
        if (window == nullptr || seen_ == Seen::everyWindow) {
            return fromHwnd(window);
        }
        DWORD process = 0;
        GetWindowThreadProcessId(window, &process);
        if (process != GetCurrentProcessId()) {
            return fromHwnd(window);
        }
    }
    return 0;
}

Hwnd User32WindowSystem::findWindow(const char* className) {
    return findTopLevel(0, className);
}

Hwnd User32WindowSystem::findWindowEx(Hwnd parent, Hwnd childAfter, const char* className) {
    if (parent == 0) {
        return findTopLevel(childAfter, className);
    }
    return fromHwnd(FindWindowExA(toHwnd(parent), toHwnd(childAfter), className, nullptr));
}

LResult User32WindowSystem::sendMessage(Hwnd window, unsigned message, WParam wParam,
                                        LParam lParam) {
    if (window == 0) {
        return 0;  // a null HWND names no window here (user32 would fail the call the same way)
    }
    DWORD_PTR result = 0;
    if (SendMessageTimeoutA(toHwnd(window), message, wParam, lParam, kWaitFlags, kMessageTimeoutMs,
                            &result) == 0) {
        return 0;
    }
    return static_cast<LResult>(result);
}

LResult User32WindowSystem::sendMessageW(Hwnd window, unsigned message, WParam wParam,
                                         LParam lParam) {
    static_assert(sizeof(wchar_t) == sizeof(char16_t), "UTF-16 texts are wchar_t on Windows");
    if (window == 0) {
        return 0;
    }
    DWORD_PTR result = 0;
    if (SendMessageTimeoutW(toHwnd(window), message, wParam, lParam, kWaitFlags, kMessageTimeoutMs,
                            &result) == 0) {
        return 0;
    }
    return static_cast<LResult>(result);
}

bool User32WindowSystem::isWindowUnicode(Hwnd window) {
    return window != 0 && IsWindowUnicode(toHwnd(window)) != FALSE;
}

}  // namespace ruz::winsys
