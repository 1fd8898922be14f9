#pragma once

// What the Windows views share: the listeners they hold on controls, window texts in UTF-16, and
// the keys F1 to F8 handed to option boxes. Built for Windows only.

#include "controls/controls.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
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

// The virtual-key code F1 to F8 (112 to 119) a key is; 0 for any other key.
int optionKeyCode(WPARAM key);

// Hands the keys F1 to F8, pressed while `box`'s window has the focus, to the box; every key then
// goes its usual way.
void forwardOptionKeys(HWND window, CheckBox& box);

}  // namespace ruz::win32
