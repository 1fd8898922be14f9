// ruz-bare-box: the yardstick for the Windows program's start, working set and idle CPU. It asks
// the program's start-up question in a system message box, with the program's caption, and does
// nothing else; it ends when the question is answered. With an argument TICK_MS, a thread timer of
// that period ticks (and does nothing) while the question waits: what a refresh timer alone costs.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <cstdlib>

namespace {

void CALLBACK tick(HWND, UINT, UINT_PTR, DWORD) {}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLine, int) {
    const long tickMs = std::strtol(commandLine, nullptr, 10);
    if (tickMs > 0) {
        SetTimer(nullptr, 0, static_cast<UINT>(tickMs), tick);
    }
    MessageBoxW(nullptr, L"Are you using messenger:mate?", L"Taviks Ruz",
                MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON1);
    return 0;
}
