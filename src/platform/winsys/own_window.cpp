#include "platform/winsys/own_window.h"

namespace ruz::winsys {

HWND createOwnWindow(const wchar_t* className, WNDPROC procedure, void* owner, HWND parent,
                     DWORD style, DWORD extendedStyle) {
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = className;
    RegisterClassExW(&windowClass);
    const HWND window = CreateWindowExW(extendedStyle, className, L"", style, 0, 0, 0, 0, parent,
                                        nullptr, instance, nullptr);
    if (window != nullptr) {
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(owner));
    }
    return window;
}

void destroyOwnWindow(HWND window) {
    if (window == nullptr) {
        return;
    }
    SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    DestroyWindow(window);
}

}  // namespace ruz::winsys
