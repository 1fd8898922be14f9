#pragma once

// What the Windows views share: the listeners they hold on controls, window texts in UTF-16, and
// the keys F1 to F8 handed to option boxes. Built for Windows only.

#include "controls/controls.h"

#include <windows.h>

#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

namespace ruz::win32 {

// Screen units: the controls measure positions in twips, 15 to a pixel.
inline constexpr int kTwipsPerPixel = 15;

// The listeners a view holds on controls: they go with the view, so the controls may outlive it.
class Bindings {
  public:
    // Runs `update` now and after every change one of `controls` reports.
    void bind(std::initializer_list<Control*> controls, const std::function<void()>& update);
    void bind(Control& control, const std::function<void()>& update) { bind({&control}, update); }

  private:
    std::vector<Subscription> held_;
};

// Registers one of the program's window classes: its procedure and icon, the arrow, the face
// colour.
void registerViewClass(const wchar_t* name, WNDPROC procedure, HICON icon);
// The screen's dots per inch.
int screenDpi();

// The procedure of a view's windows: the view given as the creation parameter is kept with the
// window, and its handleMessage gets every message from then on.
template <typename View>
LRESULT CALLBACK viewProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(window, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* view = reinterpret_cast<View*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (view == nullptr || view->handle() == nullptr) {
        return DefWindowProcW(window, message, wParam, lParam);
    }
    return view->handleMessage(message, wParam, lParam);
}

// A view moved to a screen of another density (WM_DPICHANGED): its children's places and sizes
// scaled from `oldDpi` to `newDpi`, and the window put where the system suggests.
void followDpi(HWND window, int oldDpi, int newDpi, const RECT& suggested);

// The density at which a view fits `area`: `dpi`, or less where its parts (`design`, pixels at 96
// dots an inch) with the frame around them (`frame`, pixels) would not fit; never below
// kLeastDpi, where the view is given up as too small to read.
inline constexpr int kLeastDpi = 48;
int fittingDpi(int dpi, SIZE design, SIZE frame, const RECT& area);
// Where a window of `place` stands so that it lies inside `area`: moved, never resized; a window
// larger than the area keeps its top-left corner in the area's.
RECT insideArea(const RECT& place, const RECT& area);
// The work area (the screen without the taskbar) of the screen nearest to `place`.
RECT workAreaNear(const RECT& place);
// A window moved to `at`, and from there onto its screen's work area.
void placeOnScreen(HWND window, POINT at);
// The frame a window of `style` (and a menu bar when `menu`) has around its client area.
SIZE frameSize(DWORD style, DWORD exStyle, bool menu);

// The font of a view's controls at `dpi` (the shell's dialog font), bold or not; the caller
// deletes it.
HFONT controlFont(int dpi, bool bold);
// Hands `font` to every child window of `window`.
void setChildFonts(HWND window, HFONT font);

std::u16string windowText(HWND window);
void setWindowText(HWND window, const std::u16string& text);
// A child window of `kind` with its identifier, in pixels of its parent's client area, in the
// parent's font.
HWND child(HWND parent, const wchar_t* kind, const std::u16string& text, DWORD style, RECT place,
           int id);

// A path as the system's own code takes it, with "/" between its parts ("C:/Music/Jazz"), and
// as the user reads it, with "\\" ("C:\\Music\\Jazz").
std::u16string corePath(std::u16string path);
std::u16string shownPath(std::u16string path);

// The tips shown when the pointer rests on a view's child windows.
class ToolTips {
  public:
    explicit ToolTips(HWND owner);
    ~ToolTips();
    ToolTips(const ToolTips&) = delete;
    ToolTips& operator=(const ToolTips&) = delete;
    // Shows `text` over `child`; an empty text shows nothing.
    void add(HWND child, const std::u16string& text);
    HWND handle() const { return tips_; }

  private:
    HWND owner_;
    HWND tips_;
};

// The virtual-key code F1 to F8 (112 to 119) a key is; 0 for any other key.
int optionKeyCode(WPARAM key);

// Hands the keys F1 to F8, pressed while `box`'s window has the focus, to the box; every key then
// goes its usual way.
void forwardOptionKeys(HWND window, CheckBox& box);

}  // namespace ruz::win32
