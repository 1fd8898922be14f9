// Pressing a program's message boxes as a user would, for the checks that drive ruz.exe.
#pragma once

#include <windows.h>

#include <vector>

namespace ruz::win32 {

// Presses Yes, else OK, in each of `dialogs`; whether there was one.
inline bool answerDialogs(const std::vector<HWND>& dialogs) {
    for (HWND dialog : dialogs) {
        for (const int id : {IDYES, IDOK}) {
            HWND button = GetDlgItem(dialog, id);
            if (button != nullptr) {
                PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                             reinterpret_cast<LPARAM>(button));
                break;
            }
        }
    }
    return !dialogs.empty();
}

}  // namespace ruz::win32
