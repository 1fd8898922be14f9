// ruz-bare-box: the yardstick for the Windows program's start, working set and idle CPU. It asks
// the program's start-up question in a system message box, with the program's caption, and does
// nothing else; it ends when the question is answered.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    MessageBoxW(nullptr, L"Are you using messenger:mate?", L"Taviks Ruz",
                MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON1);
    return 0;
}
