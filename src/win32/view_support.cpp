#include "win32/view_support.h"

#include "common/constants.h"
#include "win32/wide.h"

#include <commctrl.h>

#include <algorithm>

namespace ruz::win32 {

namespace {

constexpr int kOptionKeyCount = 8;
constexpr UINT_PTR kOptionKeySubclass = 1;

LRESULT CALLBACK optionKeys(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                            DWORD_PTR data) {
    if (message == WM_KEYDOWN) {
        const int keyCode = optionKeyCode(wParam);
        if (keyCode != 0) {
            // The box reacts, and the key goes on to whatever else handles it.
            reinterpret_cast<CheckBox*>(data)->keyDown(keyCode);
        }
    }
    if (message == WM_NCDESTROY) {
        RemoveWindowSubclass(window, optionKeys, kOptionKeySubclass);
    }
    return DefSubclassProc(window, message, wParam, lParam);
}

}  // namespace

void Bindings::bind(std::initializer_list<Control*> controls, const std::function<void()>& update) {
    for (Control* control : controls) {
        held_.push_back(control->addViewListener(update));
    }
    update();
}

std::u16string windowText(HWND window) {
    const int length = GetWindowTextLengthW(window);
    std::wstring text(static_cast<std::size_t>(length > 0 ? length : 0) + 1, L'\0');
    const int copied = GetWindowTextW(window, text.data(), length + 1);
    text.resize(copied > 0 ? static_cast<std::size_t>(copied) : 0);
    return fromWide(text.c_str());
}

void setWindowText(HWND window, const std::u16string& text) {
    if (windowText(window) != text) {
        SetWindowTextW(window, wide(text).c_str());
    }
}

HWND child(HWND parent, const wchar_t* kind, const std::u16string& text, DWORD style, RECT place,
           int id) {
    HWND window = CreateWindowExW(
        0, kind, wide(text).c_str(), WS_CHILD | WS_VISIBLE | style, place.left, place.top,
        place.right - place.left, place.bottom - place.top, parent,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), nullptr);
    SendMessageW(window, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)),
                 FALSE);
    return window;
}

std::u16string corePath(std::u16string path) {
    std::replace(path.begin(), path.end(), u'\\', u'/');
    return path;
}

std::u16string shownPath(std::u16string path) {
    std::replace(path.begin(), path.end(), u'/', u'\\');
    return path;
}

int optionKeyCode(WPARAM key) {
    const auto offset = static_cast<long long>(key) - VK_F1;
    return offset >= 0 && offset < kOptionKeyCount ? kKeyF1 + static_cast<int>(offset) : 0;
}

void forwardOptionKeys(HWND window, CheckBox& box) {
    SetWindowSubclass(window, optionKeys, kOptionKeySubclass, reinterpret_cast<DWORD_PTR>(&box));
}

}  // namespace ruz::win32
