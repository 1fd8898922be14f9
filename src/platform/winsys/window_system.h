#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace ruz::winsys {

// The window-system calls the messenger link makes, with the semantics of user32's functions.
// sendMessage is SendMessageA: its texts are code page 1252 byte strings, NUL-terminated.
// sendMessageW is SendMessageW: its texts are UTF-16 (char16_t), NUL-terminated, and WM_GETTEXT's
// wParam and every length count UTF-16 units. A Unicode window keeps its text without loss; either
// call reaches every window, the text converted on the way as user32 converts it (a character
// that code page 1252 lacks becomes '?').
using Hwnd = std::uintptr_t;  // 0: no window
using WParam = std::uintptr_t;
using LParam = std::intptr_t;
using LResult = std::intptr_t;

inline constexpr unsigned kWmSetText = 0x000C;
inline constexpr unsigned kWmGetText = 0x000D;
inline constexpr unsigned kWmGetTextLength = 0x000E;
inline constexpr unsigned kWmClose = 0x0010;
inline constexpr unsigned kWmLButtonDown = 0x0201;
inline constexpr unsigned kWmLButtonUp = 0x0202;

class WindowSystem {
  public:
    virtual ~WindowSystem() = default;

    // The first top-level window (front to back) whose class equals `className`, case ignored.
    virtual Hwnd findWindow(const char* className) = 0;
    // The first child of `parent` after `childAfter` (0: from the first) whose class equals
    // `className`, case ignored, in the window system's child order.
    virtual Hwnd findWindowEx(Hwnd parent, Hwnd childAfter, const char* className) = 0;
    // Sends `message` and waits for its handling. For WM_SETTEXT `lParam` points to the text; for
    // WM_GETTEXT to a buffer of `wParam` bytes. A message to no window returns 0 and does nothing.
    virtual LResult sendMessage(Hwnd window, unsigned message, WParam wParam, LParam lParam) = 0;
    // The same with UTF-16 texts.
    virtual LResult sendMessageW(Hwnd window, unsigned message, WParam wParam, LParam lParam) = 0;
    // Whether `window` is a Unicode window, whose text is best carried by sendMessageW; false for
    // no window.
    virtual bool isWindowUnicode(Hwnd window) = 0;
    // A window's text from character `from` on, as UTF-8, with the whole text's length in
    // `length`, in the window's own characters (the bytes of an ANSI window, the UTF-16 units of a
    // Unicode window), read without copying what comes before `from`: a long text that grows at
    // its end is followed by its new part alone. "" and 0 for no window. Nothing where the window
    // system has no such read (user32's windows give their text whole, by WM_GETTEXT).
    virtual std::optional<std::string> readTextFrom(Hwnd window, std::size_t from,
                                                    std::size_t& length) {
        (void)window;
        (void)from;
        length = 0;
        return std::nullopt;
    }
};

}  // namespace ruz::winsys
