#pragma once

#include "platform/winsys/window_system.h"

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ruz::winsys {

// A stand-alone, in-process window system. Top-level windows are kept in a z-order (front to
// back; a new one goes in front), children in the order they were created. Class names compare
// without regard to ASCII case. Messages are handled synchronously, on the caller's stack.
//
// A window is an ANSI window (its text code page 1252 bytes) or a Unicode window (its text UTF-8
// here, UTF-16 at sendMessageW). Either kind answers both calls: sendMessage's texts are converted
// to and from code page 1252, sendMessageW's to and from UTF-16, as user32 converts them; the
// handler and the default handling always see the window's own kind of text.
//
// Every sendMessage and sendMessageW is recorded. A window may carry a handler that sees each
// message first; when it returns nullopt, or there is none, the default handling applies:
//   WM_SETTEXT        sets the text from the NUL-terminated bytes at lParam (0: empty); returns 1
//   WM_GETTEXTLENGTH  returns the text's length in bytes
//   WM_GETTEXT        copies at most wParam - 1 bytes and a NUL to the buffer at lParam; returns
//                     the number of bytes copied, the NUL not counted (wParam 0: copies nothing)
//   WM_CLOSE          destroys the window and its children; returns 0
//   kModelGetTextFrom (the model's own message, for readTextFrom) fills the TextFrom at lParam
//                     with the text from character wParam on and the whole length; returns 1.
//                     A window with a handler is read so only when its handler answers it: one
//                     that answers for its text in its own way is read whole, by WM_GETTEXT.
//   anything else     returns 0
// A message to a window that does not exist does nothing and returns 0.
//
// The direct accessors (createWindow, setText, ...) are not recorded; they are for tests and for
// the programs that play the other side of the window system. Handles are never reused.
class WindowModel final : public WindowSystem {
  public:
    // readTextFrom as a message (in WM_APP's range, which user32 leaves to applications), so that
    // a window's handler sees the read; it never leaves the model.
    static constexpr unsigned kModelGetTextFrom = 0x8000 + 0x0E;
    // What kModelGetTextFrom's answer goes into: as readTextFrom gives it.
    struct TextFrom {
        std::string utf8;
        std::size_t length = 0;
    };

    using Handler = std::function<std::optional<LResult>(Hwnd, unsigned, WParam, LParam)>;

    struct Message {
        Hwnd window = 0;
        unsigned message = 0;
        WParam wParam = 0;
        LParam lParam = 0;
        std::string text;   // the bytes a WM_SETTEXT carried (UTF-8 for sendMessageW); empty for
                            // any other message
        bool wide = false;  // sent with sendMessageW

        bool operator==(const Message&) const = default;
    };

    WindowModel() = default;
    WindowModel(const WindowModel&) = delete;
    WindowModel& operator=(const WindowModel&) = delete;

    Hwnd findWindow(const char* className) override;
    Hwnd findWindowEx(Hwnd parent, Hwnd childAfter, const char* className) override;
    LResult sendMessage(Hwnd window, unsigned message, WParam wParam, LParam lParam) override;
    LResult sendMessageW(Hwnd window, unsigned message, WParam wParam, LParam lParam) override;
    bool isWindowUnicode(Hwnd window) override { return isUnicode(window); }
    // Recorded as kModelGetTextFrom with wParam `from`; nothing for a window whose handler leaves
    // that message to the default handling (see above).
    std::optional<std::string> readTextFrom(Hwnd window, std::size_t from,
                                            std::size_t& length) override;
    // The characters handed out of windows' texts so far, by WM_GETTEXT and readTextFrom: what
    // reading the windows has cost.
    std::size_t charactersRead() const { return charactersRead_; }

    // The default handling described above in the window's own kind of text, without recording; a
    // handler may call it to do the ordinary thing and then add its own.
    LResult defaultHandling(Hwnd window, unsigned message, WParam wParam, LParam lParam);

    const std::vector<Message>& messages() const { return messages_; }
    void clearMessages() { messages_.clear(); }
    // Recording is on from the start; a long run (the desktop program, a scenario) switches it off
    // so that the record does not grow without end.
    void setRecording(bool on) { recording_ = on; }

    // A new window; 0 when `parent` is given and does not exist. A top-level window (parent 0)
    // goes in front of all others; a child goes after its parent's existing children.
    // A Unicode window's `text` is UTF-8.
    Hwnd createWindow(const std::string& className, const std::string& text, Hwnd parent = 0,
                      bool unicode = false);
    // Destroys the window and all its descendants; false when it does not exist.
    bool destroyWindow(Hwnd window);
    // Puts a top-level window in front of all others; false for a child or a missing window.
    bool bringToFront(Hwnd window);
    bool setHandler(Hwnd window, Handler handler);

    bool exists(Hwnd window) const;
    // "" / 0 / empty for a window that does not exist.
    std::string className(Hwnd window) const;
    std::string text(Hwnd window) const;
    // The window's text from byte `from` on, and the whole text's length, without copying the
    // rest: a long text that grows at its end is read by its new part alone.
    std::string textFrom(Hwnd window, std::size_t from, std::size_t& length) const;
    bool setText(Hwnd window, std::string text);
    // The text as it is kept, without a copy; valid until the next change of any window. Empty for
    // a window that does not exist.
    std::string_view textView(Hwnd window) const;
    // Adds `bytes` at the text's end, in place: a text that grows line by line costs each line's
    // length, not the whole text's. False for a window that does not exist.
    bool appendText(Hwnd window, std::string_view bytes);
    // Drops the text's first `count` bytes (all of them when it is shorter).
    bool eraseTextStart(Hwnd window, std::size_t count);
    bool isUnicode(Hwnd window) const;
    // The text as UTF-8 whatever the window's kind; setting it converts to the window's kind.
    std::string textUtf8(Hwnd window) const;
    bool setTextUtf8(Hwnd window, std::string_view utf8);
    Hwnd parent(Hwnd window) const;
    std::vector<Hwnd> topLevelWindows() const { return zOrder_; }  // front to back
    std::vector<Hwnd> children(Hwnd parent) const;

  private:
    struct Window {
        std::string className;
        std::string text;
        Hwnd parent = 0;
        std::vector<Hwnd> children;
        Handler handler;
        bool unicode = false;
    };

    void record(Hwnd window, unsigned message, WParam wParam, LParam lParam, bool wide);
    // The handler, then the default handling, in the window's own kind of text.
    LResult dispatch(Hwnd window, unsigned message, WParam wParam, LParam lParam);
    // A text message whose texts are of the other kind than the window's: converted on the way.
    LResult convertedDispatch(Hwnd window, unsigned message, WParam wParam, LParam lParam,
                              bool wide);

    const Window* find(Hwnd window) const;
    Window* find(Hwnd window);

    std::map<Hwnd, Window> windows_;
    std::vector<Hwnd> zOrder_;
    std::vector<Message> messages_;
    bool recording_ = true;
    std::size_t charactersRead_ = 0;
    Hwnd nextHandle_ = 0x10010;
};

}  // namespace ruz::winsys
