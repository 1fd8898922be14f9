#pragma once

#include <windows.h>

namespace ruz::winsys {

// A window of the program's own objects: registers `className` for `procedure` (a second
// registration leaves the class as the first one left it) and creates a window of it that carries
// `owner` as its user data. The parent HWND_MESSAGE gives a message-only window. nullptr when the
// system creates none.
HWND createOwnWindow(const wchar_t* className, WNDPROC procedure, void* owner,
                     HWND parent = HWND_MESSAGE, DWORD style = 0, DWORD extendedStyle = 0);

// The object a window of createOwnWindow carries, or nullptr once it let go.
template <typename Owner>
Owner* ownerOf(HWND window) {
    return reinterpret_cast<Owner*>(GetWindowLongPtrW(window, GWLP_USERDATA));
}

// Lets go of the owner (messages still on their way reach no one) and destroys the window.
void destroyOwnWindow(HWND window);

}  // namespace ruz::winsys
